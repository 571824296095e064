#include "sealed/job_thread.h"

#include <utility>

#include "events/progress_sink.h"
#include "util/error_detail.h"

namespace qo {

void sealed_job_thread(ReleaseUpdateJob job) {
    if (!job.skip_self_update && self_update_launcher(*job.cancel, job.self_update)) {
        send_ui_event(job.sender, JobFinished{true});
        return;
    }
    auto release = [&] {
        ProgressSink sink = make_window_progress_sink(job.sender);
        return update_sealed_client(job.game_folder, job.active_folder, sink, *job.cancel, job.release_update);
    }();  // the sink and its sender copy go away here, before the last events
    if (release) {
        send_ui_event(job.sender, ClientRelease{std::move(*release)});
        send_ui_event(job.sender, JobFinished{false});
    } else {
        send_ui_event(job.sender, JobFinished{std::unexpected(shown_error_text(release.error()))});
    }
}

}  // namespace qo

#pragma once
// The update job: the launcher's self-update first, then the sealed release update, reported to the window as
// events. For one job the window sees any number of Progress events, then exactly one JobFinished as the last
// event: JobFinished(Ok(true)) alone when the launcher was replaced, ClientRelease followed by
// JobFinished(Ok(false)) after a successful release update, or JobFinished(Err(text)) alone.
#include <atomic>
#include <filesystem>
#include <memory>

#include "events/ui_event_sender.h"
#include "sealed/sealed_update.h"
#include "sealed/self_update.h"

namespace qo {

// What one job of the window is given (the manifest updater's own job is UpdateJob, updater/manifest_update.h).
struct ReleaseUpdateJob {
    UiEventSender sender;
    std::filesystem::path game_folder;
    std::filesystem::path active_folder;           // the folder of the current ActiveRelease
    std::shared_ptr<const std::atomic<bool>> cancel;  // the window's shared stop flag
    bool skip_self_update = false;                 // the --teste argument
    SelfUpdateSettings self_update;
    SealedUpdateSettings release_update;
};

// Thread body of one update job.
void sealed_job_thread(ReleaseUpdateJob job);

}  // namespace qo

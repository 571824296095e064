#include "events/progress_sink.h"

#include <memory>
#include <utility>

namespace qo {

void ui_event_sink_call(const UiEventSink& sink, UiEvent event) { send_ui_event(sink.sender, std::move(event)); }

void ui_event_sink_call_once(UiEventSink&& sink, UiEvent event) {
    UiEventSink consumed = std::move(sink);
    send_ui_event(consumed.sender, std::move(event));
}

ProgressSink make_window_progress_sink(UiEventSender sender) {
    // Shared so that copies of the callable keep one sender; the sender itself is safe to use from any thread.
    auto sink = std::make_shared<const UiEventSink>(UiEventSink{std::move(sender)});
    return [sink](UiEvent event) { ui_event_sink_call(*sink, std::move(event)); };
}

ProgressSink make_recording_progress_sink(std::function<void(JobProgress)> record) {
    return [record = std::move(record)](UiEvent event) {
        if (auto* progress = std::get_if<Progress>(&event)) record(std::move(progress->progress));
    };
}

}  // namespace qo

#pragma once
// Where an update flow reports its progress.
//
// A ProgressSink is a callable taking one UiEvent (flows pass Progress events only). Flows may call it from
// several threads at once, so every sink must be safe for concurrent calls. The window's sink forwards events over
// the event channel; the tool modes' sinks record them instead.
#include <functional>

#include "events/job_progress.h"
#include "events/ui_event.h"
#include "events/ui_event_sender.h"

namespace qo {

using ProgressSink = std::function<void(UiEvent)>;

// The window's sink: forwards each event to the window over the event channel.
struct UiEventSink {
    UiEventSender sender;
};

// Sends the event with the sink's sender.
void ui_event_sink_call(const UiEventSink& sink, UiEvent event);
// Sends the event, then drops the sink's sender (the sink's last call).
void ui_event_sink_call_once(UiEventSink&& sink, UiEvent event);

// A ProgressSink over the window's sink.
ProgressSink make_window_progress_sink(UiEventSender sender);

// A ProgressSink that hands each Progress event's record to `record` and ignores every other event. `record` is
// called from whatever threads the flow reports from, possibly at once: it does its own locking.
ProgressSink make_recording_progress_sink(std::function<void(JobProgress)> record);

}  // namespace qo

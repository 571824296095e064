#pragma once
// The event channel between background threads and the window thread.
//
// Each background thread holds a UiEventSender (a copy per thread; copies share the channel). send_ui_event
// queues an event and wakes the window with WM_UI_EVENT; the window thread, on that wake-up, takes events off
// its UiEventReceiver with try_receive until the channel is empty. One wake-up may cover several events and a
// wake-up may find the channel already empty.
#include <utility>

#include "events/ui_event.h"
#include "platform/ui_wake.h"
#include "util/channel.h"

namespace qo {

struct UiEventSender {
    ChannelSender<UiEvent> channel;
    UiWakeTarget window;  // the window woken after each send; the null target wakes nobody
};

using UiEventReceiver = ChannelReceiver<UiEvent>;

struct UiEventChannel {
    UiEventSender sender;
    UiEventReceiver receiver;
};

// A new channel whose senders wake the given window.
UiEventChannel make_ui_event_channel(UiWakeTarget window = {});

// Queues the event and wakes the sender's window. Returns whether the wake-up was posted; when the receiver is
// gone the event is destroyed, nothing is posted and the result is false. A failed wake-up leaves the event
// queued for the next one.
bool send_ui_event(const UiEventSender& sender, UiEvent event);

}  // namespace qo

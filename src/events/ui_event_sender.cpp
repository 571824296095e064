#include "events/ui_event_sender.h"

namespace qo {

UiEventChannel make_ui_event_channel(UiWakeTarget window) {
    auto [sender, receiver] = make_channel<UiEvent>();
    return UiEventChannel{UiEventSender{std::move(sender), window}, std::move(receiver)};
}

bool send_ui_event(const UiEventSender& sender, UiEvent event) {
    if (!sender.channel.send(std::move(event))) {
        // Nobody listens any more: the returned event is destroyed here and the window is not disturbed.
        return false;
    }
    return post_ui_wake(sender.window);
}

}  // namespace qo

#pragma once
// The background thread that fetches the update server's copy of launcher.json once per start.
#include <string>

#include "events/ui_event_sender.h"

namespace qo {

struct RemoteConfigFetch {
    UiEventSender sender;
    std::string update_base_url;  // the update server: https scheme and host, no trailing slash
    std::string extra_ca_file;    // a PEM file trusted besides the system store; empty for none
};

// Thread body: downloads and parses the remote configuration and sends it as one RemoteConfig event. Any
// failure ends the thread silently; there is no retry.
void fetch_remote_config(RemoteConfigFetch fetch);

}  // namespace qo

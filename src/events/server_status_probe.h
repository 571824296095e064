#pragma once
// The background thread that tells the window whether the game server accepts TCP connections.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "events/ui_event_sender.h"

namespace qo {

struct ServerStatusProbe {
    UiEventSender sender;
    std::string game_server;  // "host:port" of the game server
    std::shared_ptr<const std::atomic<bool>> stop;  // set when the window goes away; ends the thread
    std::chrono::milliseconds connect_timeout{500};
    int pause_steps = 150;                      // pause between probes, in steps that each check the stop flag
    std::chrono::milliseconds pause_step{100};
};

// Tests the game server at once; true when one of its addresses accepted a connection within the time-out.
bool probe_game_server(const std::string& game_server, std::chrono::milliseconds connect_timeout);

// Thread body: probes, sends ServerStatus, pauses (about 15 s by default), and again, until the stop flag is
// seen. A connect in progress finishes before the flag is looked at.
void server_status_probe(ServerStatusProbe probe);

}  // namespace qo

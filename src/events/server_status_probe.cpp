#include "events/server_status_probe.h"

#include <thread>
#include <utility>

#include "platform/tcp_probe.h"

namespace qo {

bool probe_game_server(const std::string& game_server, std::chrono::milliseconds connect_timeout) {
    for (const TcpAddress& address : resolve_tcp_endpoint(game_server)) {
        if (tcp_connect_within(address, connect_timeout)) return true;
    }
    return false;
}

void server_status_probe(ServerStatusProbe probe) {
    const auto stop_requested = [&] { return probe.stop && probe.stop->load(std::memory_order_acquire); };
    for (;;) {
        const bool online = probe_game_server(probe.game_server, probe.connect_timeout);
        send_ui_event(probe.sender, ServerStatus{online});
        for (int step = 0; step < probe.pause_steps; ++step) {
            if (stop_requested()) return;
            std::this_thread::sleep_for(probe.pause_step);
        }
        if (probe.pause_steps <= 0 && stop_requested()) return;
    }
}

}  // namespace qo

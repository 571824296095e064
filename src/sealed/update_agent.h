#pragma once
// The HTTP settings every sealed-release download shares: the launcher's User-Agent and the deployment's CA.
#include <chrono>
#include <string>

#include "util/http_agent.h"

namespace qo {

inline constexpr const char* UPDATE_USER_AGENT = "QoTarmishLauncher/2.0";

inline HttpAgentOptions update_agent_options(std::chrono::seconds connect_timeout, std::chrono::seconds io_timeout,
                                             const std::string& extra_ca_file, const SpeedFloor& speed_floor = {}) {
    HttpAgentOptions options;
    options.connect_timeout = connect_timeout;
    options.io_timeout = io_timeout;
    options.speed_floor = speed_floor;
    options.user_agent = UPDATE_USER_AGENT;
    options.extra_ca_file = extra_ca_file;
    return options;
}

}  // namespace qo

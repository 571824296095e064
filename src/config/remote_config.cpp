#include "config/remote_config.h"

#include <chrono>

#include "util/http_agent.h"

namespace qo {
namespace {

constexpr std::chrono::seconds REMOTE_CONFIG_TIMEOUT{5};

HttpAgentOptions remote_config_agent_options(const std::string& extra_ca_file) {
    HttpAgentOptions options;
    options.connect_timeout = REMOTE_CONFIG_TIMEOUT;
    options.io_timeout = REMOTE_CONFIG_TIMEOUT;
    options.user_agent = std::string(REMOTE_CONFIG_USER_AGENT);
    options.extra_ca_file = extra_ca_file;
    options.max_redirects = 5;
    return options;
}

}  // namespace

std::string remote_config_url(std::string_view update_base_url) {
    return std::string(update_base_url) + "/launcher.json";
}

std::optional<LauncherConfig> download_remote_config(std::string_view update_base_url,
                                                     const std::string& extra_ca_file, std::uint64_t ticks) {
    auto agent = HttpAgent::create(remote_config_agent_options(extra_ca_file));
    if (!agent) return std::nullopt;
    auto body = agent->get_body(remote_config_url(update_base_url) + "?t=" + std::to_string(ticks),
                                REMOTE_CONFIG_BODY_LIMIT);
    if (!body || body->is_error_status()) return std::nullopt;
    // A body cut at the limit is parsed as it stands; cut inside the document, it no longer parses.
    auto config = deserialize_launcher_config(body->bytes);
    if (!config) return std::nullopt;
    return std::move(*config);
}

}  // namespace qo

#pragma once
// The fresh copy of launcher.json that the update server publishes: one download and parse, no thread of its own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/launcher_config.h"

namespace qo {

inline constexpr std::size_t REMOTE_CONFIG_BODY_LIMIT = 4'194'304;
inline constexpr std::string_view REMOTE_CONFIG_USER_AGENT = "QoTarmishLauncher/1.1";

// update_base_url + "/launcher.json"
std::string remote_config_url(std::string_view update_base_url);

// Downloads remote_config_url + "?t=" + ticks (the query makes every request unique, so no cache answers it)
// and parses it with deserialize_launcher_config; absent fields stay absent. A body longer than
// REMOTE_CONFIG_BODY_LIMIT is cut there. Every failure (TLS set-up, connection, time-out, an error status, a
// read error, a document that doesn't parse) gives nothing. Blocks for up to 5 s per network step.
std::optional<LauncherConfig> download_remote_config(std::string_view update_base_url,
                                                     const std::string& extra_ca_file, std::uint64_t ticks);

}  // namespace qo

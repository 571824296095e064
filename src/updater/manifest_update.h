#pragma once
// The manifest updater: brings the game folder in line with a game-files manifest fetched over HTTPS. Files are
// checked in parallel (size, then SHA-256 through the hash cache); those that differ are downloaded one after
// another into ".part" files, verified and installed.
#include <atomic>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/launcher_config.h"
#include "events/progress_sink.h"

namespace qo {

struct UpdateJob {
    std::filesystem::path game_dir;
    UpdateConfig update;
    bool skip_launcher_exe = false;  // drop the manifest entry that names the running launcher executable
    bool launcher_replaced = false;  // out: the running launcher executable was replaced
    std::string extra_ca_file;       // PEM certificates trusted besides the system store; empty for none
    // The launcher executable that is guarded as running; empty means the running executable itself.
    std::filesystem::path launcher_exe;
};

inline constexpr const char* UPDATER_USER_AGENT = "QoTarmishLauncher/1.0";

// The whole update. Reports Progress events only; returns the error text of the first failure. Files installed
// before a failure stay installed.
std::expected<void, std::string> run_update(UpdateJob& job, const ProgressSink& sink,
                                            const std::atomic<bool>& cancel);

// "manifesto inválido: {}".
std::string format_invalid_manifest(std::string_view error);

// The manifest address with a unique "t=" query appended ('&' when it already holds a query, else '?').
std::string manifest_request_url(std::string_view manifest_url, std::uint64_t ticks);

// A manifest path as a URL path: '/' separators, and the bytes a URL cannot carry as they are (controls, blanks,
// non-ASCII, '"', '#', '%', '<', '>', '?', '`', '{', '}') percent-encoded, so that every file name the generator
// lists can be requested.
std::string encode_url_path(std::string_view path);

// The download address of a manifest path: the base without trailing '/', "/", the encoded path, "?h=" and the
// expected digest.
std::string file_request_url(std::string_view files_base_url, std::string_view path, std::string_view digest);

}  // namespace qo

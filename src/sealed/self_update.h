#pragma once
// The launcher's own update: when the update server publishes another launcher executable, download it, check
// its size and SHA-256, and swap it in beside the running one ("<exe>.part" while installing, the replaced file
// left as "<exe>.old" for the next start to remove). Nothing is ever reported to the player: every failure just
// means nothing was replaced.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qo {

inline constexpr std::size_t SELF_UPDATE_DOCUMENT_LIMIT = 1'048'576;
inline constexpr std::uint64_t SELF_UPDATE_MAX_SIZE = 67'108'864;

struct SelfUpdateSettings {
    std::string update_base_url;  // the document is update_base_url + "/launcher.json"
    std::string extra_ca_file;
    std::filesystem::path exe;    // the running executable (current_exe_path() in the launcher)
    std::chrono::seconds connect_timeout{15};
    std::chrono::seconds io_timeout{60};
};

// What the server's "launcher.json" says about the launcher executable it publishes.
struct PublishedLauncher {
    std::uint64_t size = 0;
    std::string sha256;  // trimmed, lower-cased: 64 hex digits
};

// Reads the "Launcher" object of the document (a leading byte-order mark skipped); nothing when any rule fails.
std::optional<PublishedLauncher> parse_self_update_document(std::string_view bytes);

// True only when the running executable was replaced on disk.
bool self_update_launcher(const std::atomic<bool>& cancel, const SelfUpdateSettings& settings);

}  // namespace qo

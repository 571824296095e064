#pragma once
// The signed release list: a small text file naming one release by its identifier and every file of that
// release with its size and SHA-256, followed by an RSA signature over the text. The server publishes the
// current list as "current.kxm"; each installed release keeps its verified copy as "release.kxm".
//
// Layout of the text (7-bit ASCII, LF line ends, the last line ended too):
//   KXWEB001
//   <release id: 32 lowercase hex digits>
//   <size> <sha256: 64 lowercase hex digits> <path>      one line per file, at least 15
#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sealed/signature.h"

namespace qo {

inline constexpr std::size_t RELEASE_LIST_MIN_SIZE = 336;
inline constexpr std::size_t RELEASE_LIST_MAX_SIZE = 5'242'880;
inline constexpr std::uint64_t RELEASE_ENTRY_MAX_SIZE = 71'303'168;
inline constexpr std::size_t RELEASE_MAX_ENTRIES = 30'000;
inline constexpr std::string_view RELEASE_LIST_MAGIC = "KXWEB001";

struct ReleaseEntry {
    std::uint64_t size = 0;
    std::string path;    // as written in the list: '/'-separated, relative to the release folder, case kept
    std::string sha256;  // 64 lowercase hex digits

    bool operator==(const ReleaseEntry&) const = default;
};

struct ReleaseList {
    std::string release_id;  // 32 lowercase hex digits
    std::vector<ReleaseEntry> entries;  // in the order of the list's lines
};

// Files every release carries; matched without regard to ASCII case.
inline constexpr std::array<std::string_view, 11> CORE_FILE_NAMES = {
    "Main.exe",     "Main.exe.sig",   "FONT.ini",          "glew32.dll",           "icon.ico",          "ogg.dll",
    "vorbisfile.dll", "kvAudio.dll", "Assets/assets.idx", "Assets/assets.idx.sig", "Assets/AGENTS.md",
};

// Files the player's game changes: created when missing, never overwritten. Matched without regard to ASCII case.
inline constexpr std::array<std::string_view, 4> USER_FILE_PATHS = {
    "Data/CameraSession.ini",
    "Data/Custom/config.ini",
    "Data/Macro.txt",
    "Data/Resolutions.xml",
};

bool is_core_file_name(std::string_view path);
bool is_user_file_path(std::string_view path);
// "Assets/" + 64 lowercase hex digits + ".kxd", exact case: a content-addressed asset blob.
bool is_blob_path(std::string_view path);
bool has_blob_entry(std::span<const ReleaseEntry> entries);

// The key under which list paths are compared and indexed: the path with ASCII letters lower-cased.
std::string release_path_key(std::string_view path);

// Checks the signature, the format, every entry and the completeness of a whole list file held in memory.
std::expected<ReleaseList, std::string> parse_signed_release_list(std::string_view bytes, const ReleaseKey& key);

}  // namespace qo

#pragma once
// The launcher's own configuration (launcher.json): the model, its JSON record form and its reader.
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/json_record.h"

namespace qo {

struct LauncherLink {
    std::optional<std::string> text;  // label
    std::optional<std::string> url;   // link target
    bool operator==(const LauncherLink&) const = default;
};

struct LauncherNews {
    std::optional<std::string> tag;    // badge word
    std::optional<std::string> color;  // badge colour, "#" and six hex digits
    std::optional<std::string> text;   // headline
    std::optional<std::string> url;    // link target
    std::optional<std::string> date;   // shown as written ("08/10", "novo")
    bool operator==(const LauncherNews&) const = default;
};

struct LauncherInfo {
    std::optional<std::string> label;
    std::optional<std::string> value;
    bool operator==(const LauncherInfo&) const = default;
};

// Settings of the manifest updater.
struct UpdateConfig {
    bool enabled = false;
    std::optional<std::string> manifest_url;    // https URL of the game-files manifest
    std::optional<std::string> files_base_url;  // https base URL of the manifest's files
    bool operator==(const UpdateConfig&) const = default;
};

struct LauncherConfig {
    std::optional<std::string> server_name;       // window title
    std::optional<std::string> game_exe;          // kept and saved; the game always starts as "Main.exe"
    bool close_after_start = false;               // close the launcher after starting the game
    std::optional<std::string> background_video;  // kept and saved; nothing plays it
    std::optional<std::vector<LauncherLink>> links;
    std::optional<std::vector<LauncherNews>> news;
    std::optional<UpdateConfig> update;
    std::optional<std::vector<LauncherInfo>> info;
    std::optional<std::string> abertura;  // opening date-time of the server, with a UTC offset
    bool operator==(const LauncherConfig&) const = default;
};

// Parses a whole launcher.json document (a leading UTF-8 byte-order mark is skipped). No field falls back to
// a default here: absent stays absent. The error is the reader's message with its line and column.
std::expected<LauncherConfig, std::string> deserialize_launcher_config(std::string_view bytes);

// The document as saved: pretty JSON, every key written (absent values as null), no final line feed.
std::string serialize_launcher_config(const LauncherConfig& config);

}  // namespace qo

namespace qo::json {
template <>
struct RecordTraits<LauncherLink> {
    static const RecordType& type();
};
template <>
struct RecordTraits<LauncherNews> {
    static const RecordType& type();
};
template <>
struct RecordTraits<LauncherInfo> {
    static const RecordType& type();
};
template <>
struct RecordTraits<UpdateConfig> {
    static const RecordType& type();
};
template <>
struct RecordTraits<LauncherConfig> {
    static const RecordType& type();
};
}  // namespace qo::json

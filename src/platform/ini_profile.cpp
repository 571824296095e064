#include "platform/ini_profile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "platform/ascii_name.h"
#include "platform/files.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// A profile is a handful of short lines: a larger file is treated as one that cannot be read.
constexpr std::size_t kProfileMaxSize = 1 << 20;

struct Line {
    std::string text;    // without its line end
    std::string ending;  // "\r\n", "\n", or "" for a last line without one
};

struct Profile {
    std::string bom;
    std::vector<Line> lines;
};

struct Location {
    std::optional<std::size_t> section;  // index of the header line
    std::optional<std::size_t> key;      // index of the key's line
};


bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

using platform_detail::same_ascii_name;

// The name of a "[name]" line, or nothing for other lines.
std::optional<std::string_view> section_name(std::string_view line) {
    line = trim_blanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim_blanks(line.substr(1, close - 1));
}

std::optional<std::string_view> key_name(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return trim_blanks(line.substr(0, equals));
}

Profile parse(std::string_view text) {
    Profile profile;
    if (text.starts_with(kBom)) {
        profile.bom = kBom;
        text.remove_prefix(kBom.size());
    }
    while (!text.empty()) {
        const auto end = text.find('\n');
        Line line;
        if (end == std::string_view::npos) {
            line.text = text;
            text = {};
        } else {
            line.text = text.substr(0, end);
            line.ending = "\n";
            text.remove_prefix(end + 1);
        }
        if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.ending = "\r\n";
        }
        profile.lines.push_back(std::move(line));
    }
    return profile;
}

Location locate(const Profile& profile, std::string_view section, std::string_view key) {
    Location where;
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const std::string& text = profile.lines[i].text;
        if (auto name = section_name(text)) {
            if (where.section) break;  // the section ended before the key
            if (same_ascii_name(*name, section)) where.section = i;
            continue;
        }
        if (!where.section) continue;
        if (auto name = key_name(text); name && same_ascii_name(*name, key)) {
            where.key = i;
            break;
        }
    }
    return where;
}

std::string value_of(std::string_view line) {
    std::string_view value = trim_blanks(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string line_end_of(const Profile& profile) {
    for (const auto& line : profile.lines)
        if (!line.ending.empty()) return line.ending;
    return "\r\n";
}

std::string render(const Profile& profile) {
    std::string text = profile.bom;
    for (const auto& line : profile.lines) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

}  // namespace

std::optional<std::string> ini_read_string(const fs::path& file, std::string_view section, std::string_view key) {
    auto text = read_whole_file(file, kProfileMaxSize);
    if (!text) return std::nullopt;
    const Profile profile = parse(*text);
    const Location where = locate(profile, section, key);
    if (!where.key) return std::nullopt;
    return value_of(profile.lines[*where.key].text);
}

std::int32_t ini_read_int(const fs::path& file, std::string_view section, std::string_view key,
                          std::int32_t default_value) {
    auto value = ini_read_string(file, section, key);
    if (!value || value->empty()) return default_value;
    std::string_view text = *value;
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t magnitude = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        magnitude = std::min(magnitude * 10 + (c - '0'), limit);
    }
    const std::int64_t signed_value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(signed_value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::expected<void, std::string> ini_write_string(const fs::path& file, std::string_view section,
                                                  std::string_view key, std::string_view value) {
    std::string existing;
    if (auto text = read_whole_file(file, kProfileMaxSize)) {
        existing = std::move(*text);
    } else if (::access(file.c_str(), F_OK) == 0 || errno != ENOENT) {
        return std::unexpected(text.error());  // an unreadable file is never replaced by a fresh one
    }
    Profile profile = parse(existing);
    const std::string end = line_end_of(profile);
    const Location where = locate(profile, section, key);

    if (where.key) {
        Line& line = profile.lines[*where.key];
        std::string_view before = line.text;
        before = before.substr(0, before.find('='));
        while (!before.empty() && is_blank(before.back())) before.remove_suffix(1);
        line.text = std::string(before) + "=" + std::string(value);
    } else {
        Line added{std::string(key) + "=" + std::string(value), end};
        if (where.section) {
            std::size_t after = *where.section;
            for (std::size_t i = after + 1; i < profile.lines.size() && !section_name(profile.lines[i].text); ++i)
                if (!trim_blanks(profile.lines[i].text).empty()) after = i;
            // A last line without its end gets one before anything is added after it.
            if (profile.lines[after].ending.empty()) profile.lines[after].ending = end;
            profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(added));
        } else {
            if (!profile.lines.empty() && profile.lines.back().ending.empty()) profile.lines.back().ending = end;
            profile.lines.push_back(Line{"[" + std::string(section) + "]", end});
            profile.lines.push_back(std::move(added));
        }
    }
    return write_file_replacing(file, render(profile));
}

}  // namespace qo

#include "sealed/release_list.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "util/sha256.h"
#include "util/text.h"

namespace qo {
namespace {

constexpr const char* BAD_SIGNATURE = "a lista de atualização não tem uma assinatura válida.";
constexpr const char* INVALID_LIST = "lista de atualização inválida.";
constexpr const char* INVALID_ENTRY = "entrada inválida na lista de atualização.";
constexpr const char* INCOMPLETE_LIST = "lista de atualização incompleta.";

constexpr std::size_t MIN_LINE_PARTS = 18;  // magic, identifier, 15 entries, the empty part after the last LF
constexpr std::size_t RELEASE_ID_LENGTH = 32;
constexpr std::size_t SHA256_HEX_LENGTH = 64;

template <std::size_t N>
bool in_table_nocase(const std::array<std::string_view, N>& table, std::string_view path) {
    return std::any_of(table.begin(), table.end(), [&](std::string_view name) { return ascii_iequals(name, path); });
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

// Decimal digits only (no sign, no spaces), no overflow, at most the largest entry size.
std::optional<std::uint64_t> parse_entry_size(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (value > RELEASE_ENTRY_MAX_SIZE) return std::nullopt;
    return value;
}

bool is_list_path(std::string_view path) {
    return is_core_file_name(path) || is_user_file_path(path) || is_blob_path(path);
}

std::expected<ReleaseEntry, std::string> parse_entry_line(std::string_view line,
                                                           std::unordered_set<std::string>& seen) {
    std::vector<std::string_view> fields = split(line, ' ');
    if (fields.size() != 3) return std::unexpected(INVALID_ENTRY);
    std::optional<std::uint64_t> size = parse_entry_size(fields[0]);
    if (!size) return std::unexpected(INVALID_ENTRY);
    if (!is_lower_hex(fields[1], SHA256_HEX_LENGTH)) return std::unexpected(INVALID_ENTRY);
    if (!is_list_path(fields[2])) return std::unexpected(INVALID_ENTRY);
    if (!seen.insert(release_path_key(fields[2])).second) return std::unexpected(INVALID_ENTRY);
    return ReleaseEntry{*size, std::string(fields[2]), std::string(fields[1])};
}

bool names_every_required_file(const std::unordered_set<std::string>& seen) {
    auto present = [&](std::string_view name) { return seen.contains(release_path_key(name)); };
    return std::all_of(CORE_FILE_NAMES.begin(), CORE_FILE_NAMES.end(), present) &&
           std::all_of(USER_FILE_PATHS.begin(), USER_FILE_PATHS.end(), present);
}

}  // namespace

bool is_core_file_name(std::string_view path) { return in_table_nocase(CORE_FILE_NAMES, path); }

bool is_user_file_path(std::string_view path) { return in_table_nocase(USER_FILE_PATHS, path); }

bool is_blob_path(std::string_view path) {
    constexpr std::string_view prefix = "Assets/";
    constexpr std::string_view suffix = ".kxd";
    return path.size() == prefix.size() + SHA256_HEX_LENGTH + suffix.size() && path.starts_with(prefix) &&
           path.ends_with(suffix) && is_lower_hex(path.substr(prefix.size(), SHA256_HEX_LENGTH), SHA256_HEX_LENGTH);
}

bool has_blob_entry(std::span<const ReleaseEntry> entries) {
    return std::any_of(entries.begin(), entries.end(), [](const ReleaseEntry& e) { return is_blob_path(e.path); });
}

std::string release_path_key(std::string_view path) { return ascii_lowercase(path); }

std::expected<ReleaseList, std::string> parse_signed_release_list(std::string_view bytes, const ReleaseKey& key) {
    if (bytes.size() < RELEASE_LIST_MIN_SIZE || bytes.size() > RELEASE_LIST_MAX_SIZE)
        return std::unexpected(BAD_SIGNATURE);
    std::string_view body = bytes.substr(0, bytes.size() - SIGNATURE_SIZE);
    std::string_view signature = bytes.substr(body.size());
    if (!verify_rsa_sha256_signature(
            key, sha256_bytes(body),
            std::span(reinterpret_cast<const std::uint8_t*>(signature.data()), signature.size())))
        return std::unexpected(BAD_SIGNATURE);

    if (std::any_of(body.begin(), body.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return std::unexpected(INVALID_LIST);
    std::vector<std::string_view> lines = split(body, '\n');
    if (lines.size() < MIN_LINE_PARTS || lines[0] != RELEASE_LIST_MAGIC || !is_lower_hex(lines[1], RELEASE_ID_LENGTH) ||
        !lines.back().empty())
        return std::unexpected(INVALID_LIST);

    ReleaseList list;
    list.release_id = std::string(lines[1]);
    list.entries.reserve(lines.size() - 3);
    std::unordered_set<std::string> seen;
    seen.reserve(lines.size());
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        auto entry = parse_entry_line(lines[i], seen);
        if (!entry) return std::unexpected(std::move(entry.error()));
        list.entries.push_back(std::move(*entry));
    }

    if (list.entries.size() > RELEASE_MAX_ENTRIES || !names_every_required_file(seen) || !has_blob_entry(list.entries))
        return std::unexpected(INCOMPLETE_LIST);
    return list;
}

}  // namespace qo

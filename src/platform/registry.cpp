#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "platform/error_text.h"
#include "platform/ascii_name.h"
#include "platform/files.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "QoRegistryKey 1";
constexpr std::string_view kValuesFile = "@values";
constexpr std::string_view kSetAsideSuffix = ".damaged";  // no key folder name ends the values file like this
constexpr char kHex[] = "0123456789abcdef";

struct StoredValue {
    std::uint32_t type = registry_type::none;
    std::string name;
    std::vector<std::uint8_t> data;
};

using Values = std::vector<StoredValue>;

std::unexpected<std::string> failure(int code) { return std::unexpected(os_error_text(code)); }

using platform_detail::same_ascii_name;

void append_escaped(std::string& out, unsigned char c) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int high = hex_digit(text[i + 1]), low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string escape_value_name(std::string_view name) {
    std::string out;
    for (unsigned char c : name) {
        if (c <= ' ' || c == '%' || c == 0x7F)
            append_escaped(out, c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string key_folder_name(std::string_view component) {
    std::string out;
    for (unsigned char c : component) {
        if (c == '%' || c == '/' || c == '@' || c == 0)
            append_escaped(out, c);
        else
            out += platform_detail::ascii_name_lower(static_cast<char>(c));
    }
    if (out == "." || out == "..") {
        std::string dots;
        for (std::size_t i = 0; i < out.size(); ++i) append_escaped(dots, '.');
        return dots;
    }
    return out;
}

std::optional<StoredValue> parse_line(std::string_view line) {
    const auto first = line.find(' ');
    if (first == std::string_view::npos) return std::nullopt;
    const auto second = line.find(' ', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    StoredValue value;
    std::string_view type_text = line.substr(0, first);
    if (type_text.empty() || type_text.size() > 10) return std::nullopt;
    std::uint64_t type = 0;
    for (char c : type_text) {
        if (c < '0' || c > '9') return std::nullopt;
        type = type * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (type > 0xFFFFFFFFu) return std::nullopt;
    value.type = static_cast<std::uint32_t>(type);
    auto name = unescape(line.substr(first + 1, second - first - 1));
    if (!name) return std::nullopt;
    value.name = std::move(*name);
    std::string_view hex = line.substr(second + 1);
    if (hex.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int high = hex_digit(hex[i]), low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        value.data.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return value;
}

// A key file holds a few short values; anything much larger is not one of ours.
constexpr std::size_t kKeyFileMaxSize = 1 << 20;

// Why a key file cannot be used: the system refused to read it, or it is not a key file of this store at all.
struct KeyFileFault {
    std::string text;
    bool damaged = false;
};

// Reads a key file; a missing file is an empty key. A file in any other form than ours is damaged, and so is
// a FIFO, a device or a folder in its place, or a file over the size a key file can reach.
std::expected<Values, KeyFileFault> read_key_file(const fs::path& file) {
    if (::access(file.c_str(), F_OK) != 0 && errno == ENOENT) return Values{};
    auto text = read_whole_file(file, kKeyFileMaxSize);
    if (!text) {
        // Refused for what is there (not a plain file, or too large), not for who asks: that is damage.
        struct stat st {};
        const bool unusable = ::stat(file.c_str(), &st) == 0 &&
                              (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kKeyFileMaxSize);
        return std::unexpected(KeyFileFault{text.error(), unusable});
    }
    std::string_view rest = *text;
    auto next_line = [&rest]() -> std::optional<std::string_view> {
        if (rest.empty()) return std::nullopt;
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return line;
    };
    const KeyFileFault damaged{os_error_text(EBADMSG), true};
    if (next_line() != kHeader) return std::unexpected(damaged);
    Values values;
    while (auto line = next_line()) {
        if (line->empty()) continue;
        auto value = parse_line(*line);
        if (!value) return std::unexpected(damaged);
        values.push_back(std::move(*value));
    }
    return values;
}

std::expected<Values, std::string> read_values(const fs::path& file) {
    auto values = read_key_file(file);
    if (!values) return std::unexpected(std::move(values.error().text));
    return std::move(*values);
}

std::string render_values(const Values& values) {
    std::string text(kHeader);
    text += '\n';
    for (const auto& value : values) {
        text += std::to_string(value.type);
        text += ' ';
        text += escape_value_name(value.name);
        text += ' ';
        for (std::uint8_t byte : value.data) {
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
        text += '\n';
    }
    return text;
}

// Refuses writes into a folder whose owner may not write, even for a user the system would let through.
std::expected<void, std::string> check_writable_folder(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return failure(errno);
    if (!(st.st_mode & S_IWUSR)) return failure(EACCES);
    return {};
}

// Writes the whole key under a temporary name beside it, then renames it over the key file.
std::expected<void, std::string> write_values(const fs::path& file, const Values& values) {
    if (auto writable = check_writable_folder(file.parent_path()); !writable) return writable;
    return write_file_replacing(file, render_values(values), 0600);
}

// Creates the folder and its missing parents; a missing folder cannot be made inside a read-only one.
std::expected<void, std::string> create_folders(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? std::expected<void, std::string>{} : failure(ENOTDIR);
    if (errno != ENOENT) return failure(errno);
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (auto made = create_folders(parent); !made) return made;
        if (auto writable = check_writable_folder(parent); !writable) return writable;
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return failure(errno);
    return {};
}

std::optional<fs::path> home_folder() {
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home);
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return fs::path(found->pw_dir);
    return std::nullopt;
}

const StoredValue* find_value(const Values& values, std::string_view name) {
    for (const auto& value : values)
        if (same_ascii_name(value.name, name)) return &value;
    return nullptr;
}

}  // namespace

std::optional<RegistryValue> RegistryKey::query_value(std::string_view name) const {
    auto values = read_values(file_);
    if (!values) return std::nullopt;
    const StoredValue* value = find_value(*values, name);
    if (!value) return std::nullopt;
    return RegistryValue{value->type, value->data};
}

std::optional<RegistryValueInfo> RegistryKey::query_value_info(std::string_view name) const {
    auto value = query_value(name);
    if (!value) return std::nullopt;
    return RegistryValueInfo{value->type, value->data.size()};
}

std::optional<std::vector<std::uint8_t>> RegistryKey::query_value_data(std::string_view name) const {
    auto value = query_value(name);
    if (!value) return std::nullopt;
    return std::move(value->data);
}

std::expected<void, std::string> RegistryKey::set_value(std::string_view name, std::uint32_t type,
                                                        std::span<const std::uint8_t> data) {
    auto values = read_values(file_);
    if (!values) return std::unexpected(values.error());
    StoredValue* existing = nullptr;
    for (auto& value : *values)
        if (same_ascii_name(value.name, name)) existing = &value;
    if (!existing) {
        values->push_back(StoredValue{type, std::string(name), {}});
        existing = &values->back();
    }
    existing->type = type;
    existing->data.assign(data.begin(), data.end());
    return write_values(file_, *values);
}

std::expected<void, std::string> RegistryKey::set_dword(std::string_view name, std::uint32_t value) {
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                            static_cast<std::uint8_t>(value >> 16),
                                            static_cast<std::uint8_t>(value >> 24)};
    return set_value(name, registry_type::dword, bytes);
}

std::optional<fs::path> registry_store_root() {
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        config = xdg;
    } else {
        auto home = home_folder();
        if (!home) return std::nullopt;
        config = *home / ".config";
    }
    return config / "QoFenro" / "registry";
}

namespace {

// The folder of a key; nothing when no home folder is known.
std::optional<fs::path> key_folder_of(std::string_view key_path) {
    auto root = registry_store_root();
    if (!root) return std::nullopt;
    fs::path folder = *root;
    std::size_t start = 0;
    while (start <= key_path.size()) {
        std::size_t end = key_path.find('\\', start);
        if (end == std::string_view::npos) end = key_path.size();
        if (end > start) folder /= key_folder_name(key_path.substr(start, end - start));
        start = end + 1;
    }
    return folder;
}

}  // namespace

std::expected<RegistryKey, std::string> registry_open_key(std::string_view key_path) {
    auto folder = key_folder_of(key_path);
    if (!folder) return failure(ENOENT);
    if (auto created = create_folders(*folder); !created) return std::unexpected(created.error());
    RegistryKey key(*folder / kValuesFile);
    auto values = read_values(key.file());
    if (!values) return std::unexpected(values.error());
    if (::access(key.file().c_str(), F_OK) != 0) {
        if (auto created = write_values(key.file(), *values); !created) return std::unexpected(created.error());
    }
    return key;
}

bool registry_key_damaged(std::string_view key_path) {
    auto folder = key_folder_of(key_path);
    if (!folder) return false;
    auto values = read_key_file(*folder / kValuesFile);
    return !values && values.error().damaged;
}

std::expected<void, std::string> registry_set_aside_damaged_key(std::string_view key_path) {
    if (!registry_key_damaged(key_path)) return {};
    const fs::path file = *key_folder_of(key_path) / kValuesFile;
    fs::path aside = file;
    aside += kSetAsideSuffix;
    if (auto writable = check_writable_folder(file.parent_path()); !writable) return writable;
    return rename_replace(file, aside);
}

}  // namespace qo

#pragma once
// The per-user registry: keys holding named, typed values whose data are raw bytes, laid out exactly as the
// game expects to find them (a DWORD as 4 little-endian bytes, a string as UTF-16LE with its terminating NUL).
//
// Store layout. The store lives in $XDG_CONFIG_HOME/QoFenro/registry (~/.config/QoFenro/registry when the
// variable is unset or not an absolute path). A key path such as "SOFTWARE\Kalvet\Qo2\Config" names nested
// folders, one per component (empty components are skipped), ASCII-lower-cased (key names ignore letter case)
// with '%', '/' and '@' written as %XX and the names "." and ".." written as %2e; the key's values are the file
// "@values" in the key's own folder, a name no key folder can have. The file is UTF-8 text:
//
//     QoRegistryKey 1
//     <type> <name> <data>
//
// one line per value in creation order: the type as a decimal number, the value name with bytes up to the
// blank, '%' and DEL written as %XX, and the data as lowercase hexadecimal (possibly empty). Value names are
// compared without ASCII case. Every write rewrites the whole file under a temporary name and renames it into
// place, so a reader sees either the old or the new file. A damaged values file can be set aside as
// "@values.damaged". A key folder whose owner has no write permission refuses writes, whoever the calling user
// is (as a read-only key would).
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

// Value type numbers, as the game's registry numbers them.
namespace registry_type {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expand_sz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multi_sz = 7;
inline constexpr std::uint32_t qword = 11;
}  // namespace registry_type

struct RegistryValueInfo {
    std::uint32_t type = registry_type::none;
    std::size_t size = 0;  // bytes of data
};

// An open key. Every query reads the key's current contents, so changes made by another process are seen.
// A value's type and its data bytes.
struct RegistryValue {
    std::uint32_t type = registry_type::none;
    std::vector<std::uint8_t> data;
};

class RegistryKey {
public:
    // The value's type and data in one read of the key; nothing when absent or the key cannot be read.
    std::optional<RegistryValue> query_value(std::string_view name) const;
    // Type and data size of a value; nothing when the value is absent or the key cannot be read.
    std::optional<RegistryValueInfo> query_value_info(std::string_view name) const;
    // The value's data bytes; nothing when the value is absent or the key cannot be read.
    std::optional<std::vector<std::uint8_t>> query_value_data(std::string_view name) const;

    // Creates or replaces a value (a value of the same name in another letter case keeps its spelling).
    std::expected<void, std::string> set_value(std::string_view name, std::uint32_t type,
                                               std::span<const std::uint8_t> data);
    // A REG_DWORD value: 4 bytes, little-endian.
    std::expected<void, std::string> set_dword(std::string_view name, std::uint32_t value);

    // The file that holds the key's values.
    const std::filesystem::path& file() const { return file_; }

private:
    friend std::expected<RegistryKey, std::string> registry_open_key(std::string_view key_path);
    explicit RegistryKey(std::filesystem::path file) : file_(std::move(file)) {}
    std::filesystem::path file_;
};

// The folder of the store for the current user; nothing when no home folder is known.
std::optional<std::filesystem::path> registry_store_root();

// Opens a key of the current user by its path ('\'-separated), creating it and its parents when missing.
// Fails when the key cannot be created or its file is damaged.
std::expected<RegistryKey, std::string> registry_open_key(std::string_view key_path);

// True when the key's file exists but is no key file of this store: text in another form, a FIFO, a device or
// a folder in its place, or a size no key file reaches. Such a key cannot be opened until it is set aside.
bool registry_key_damaged(std::string_view key_path);

// Renames a damaged key's file to "@values.damaged" beside it (replacing an earlier one), so that the key opens
// empty again and the damaged bytes stay at hand. A key that is not damaged is left as it is.
std::expected<void, std::string> registry_set_aside_damaged_key(std::string_view key_path);

}  // namespace qo

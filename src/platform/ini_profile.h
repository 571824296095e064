#pragma once
// Reading and writing single values of INI profile files ("[section]" headers and "key=value" lines), such
// as the game's config.ini.
//
// Reading: section and key names are compared without ASCII case and with the blanks around them ignored; the
// first section of the name is the one used, and in it the first line of the key. The value is the text after
// the first '=' without surrounding blanks and without one pair of enclosing quotes ('"' or '\''). Lines outside
// any section belong to none. A UTF-8 byte-order mark at the start is skipped; CR LF and LF line ends are read
// alike.
//
// Writing replaces the value of that line in place, or adds the key at the end of its section (after its last
// non-empty line), or adds the section with the key at the end of the file. Every other byte of the file stays
// as it was; added lines take the file's line ends (CR LF for a new file). The file is created when missing
// (its folder is not) and is rewritten under a temporary name and renamed into place. Only a regular file of at
// most 1 MiB is read; anything else reads as missing and is never written over.
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qo {

// The value's text; nothing when the file, the section or the key is missing.
std::optional<std::string> ini_read_string(const std::filesystem::path& file, std::string_view section,
                                           std::string_view key);

// The value as an integer: optional blanks and sign, then the decimal digits up to the first other character
// (none at all reads as 0; beyond 32 bits the value saturates). A missing file, section or key, or an empty
// value, gives `default_value`.
std::int32_t ini_read_int(const std::filesystem::path& file, std::string_view section, std::string_view key,
                          std::int32_t default_value);

// Sets the key's value as described above.
std::expected<void, std::string> ini_write_string(const std::filesystem::path& file, std::string_view section,
                                                  std::string_view key, std::string_view value);

}  // namespace qo

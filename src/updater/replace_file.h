#pragma once
// Installing a verified download over the file it replaces.
#include <expected>
#include <filesystem>
#include <string>

namespace qo {

// Moves `part` into place at `target`:
// - no target yet: rename;
// - target is the running launcher (`exe_path`): the running file is kept as "<target>.old" first (an older
//   ".old" is removed; a second name of the same file, or a copy), then part takes its name in one rename, and
//   `launcher_replaced` is set;
// - any other target: its read-only mark is cleared and part replaces it.
// A target that existed keeps its permission bits (an executable stays executable). Errors carry the system's
// text; part stays on disk after a failure.
std::expected<void, std::string> replace_file(const std::filesystem::path& part, const std::filesystem::path& target,
                                              const std::filesystem::path& exe_path, bool& launcher_replaced);

}  // namespace qo

#pragma once
// The running program and the programs it starts.
#include <cstdio>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

namespace qo {

// Full path of the running executable as it was when the program started (renaming the file later, as a
// self-update does, does not change it); the relative name "QoTarmish.exe" when the system cannot tell.
std::filesystem::path current_exe_path();

// The folder that holds the running executable: the parent of current_exe_path(), "." when it has none.
std::filesystem::path launcher_dir();

// Number of processors this process may run on (at least 1).
unsigned processor_count();

// Starts `program` with `arguments` (not including the program itself) in its own session, without waiting for
// it; the child is reaped in the background when it ends. A program name without '/' is looked up in PATH. An
// empty `working_folder` keeps the current one. The child inherits standard input, output and error and no other
// descriptor of this process. Returns the child's process id.
std::expected<int, std::string> spawn_detached(const std::filesystem::path& program,
                                               const std::vector<std::string>& arguments,
                                               const std::filesystem::path& working_folder = {});

// Starts the executable behind an open file (read from its start, such as a file whose signature has just been
// checked) without waiting for it, like spawn_detached: exactly the bytes behind the handle run, even when the
// path has been renamed or replaced since the file was opened. `path` is the name the program sees as its own.
// Besides the standard three, the child holds the executable's descriptor as its descriptor 3. A Windows
// executable (its first bytes "MZ") is handed to `wine` by its path instead, when wine is installed, and wine
// gets only the standard three.
std::expected<int, std::string> spawn_detached_from_file(std::FILE* file, const std::filesystem::path& path,
                                                         const std::vector<std::string>& arguments,
                                                         const std::filesystem::path& working_folder);

// Opens a web address in the user's default browser; the outcome is not reported.
void open_url(const std::string& url);

}  // namespace qo

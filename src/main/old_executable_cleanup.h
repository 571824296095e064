#pragma once
// Removal, in the background, of the launcher executable that a self-update left behind as "<exe>.old".
#include <chrono>
#include <filesystem>

namespace qo {

// The running executable's path with ".old" appended.
std::filesystem::path old_executable_path();

// Starts a detached thread that removes the file with retries. Ends the process when no thread can be started.
void start_old_executable_cleanup(std::filesystem::path old_path);

// Gives removals still in progress up to `timeout` to finish, so that a launcher ending early does not leave the
// file to the next start. Returns at once when none runs.
void wait_for_old_executable_cleanup(std::chrono::milliseconds timeout);

}  // namespace qo

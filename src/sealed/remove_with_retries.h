#pragma once
// Removal of a file that may still be in use for a short while (the launcher executable a self-update left
// behind, while the old process is ending).
#include <chrono>
#include <filesystem>
#include <functional>

#include "sealed/sleeper.h"

namespace qo {

inline constexpr int REMOVE_ATTEMPTS = 30;
inline constexpr std::chrono::milliseconds REMOVE_RETRY_PAUSE{500};

// How a retry waits; the default sleeps.
using RetryPause = Sleeper;

// Deletes the file, trying up to REMOVE_ATTEMPTS times with REMOVE_RETRY_PAUSE between tries. Stops at the first
// success, or as soon as the file is gone. Nothing is reported. Returns the number of tries made.
int remove_file_with_retries(const std::filesystem::path& path, const RetryPause& pause = {});

}  // namespace qo

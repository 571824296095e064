#pragma once
// The release the game is started from: the folder of the active release, or the game folder itself when no
// valid release is recorded.
#include <filesystem>

namespace qo {

struct ActiveRelease {
    std::filesystem::path folder;

    friend bool operator==(const ActiveRelease&, const ActiveRelease&) = default;
};

}  // namespace qo

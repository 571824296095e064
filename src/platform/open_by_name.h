#pragma once
// The one way the platform layer opens a file by name to write, create or lock it: a final symbolic link is never
// followed (the open fails instead), so a link planted in the game folder cannot make the launcher write, create
// or lock a file somewhere else. Links in the folders above are the path guard's business, not this one's.
#include <filesystem>

namespace qo {

// open(2) with O_NOFOLLOW and O_CLOEXEC added to `flags`; -1 with errno set on failure.
int open_by_name(const std::filesystem::path& file, int flags, unsigned mode = 0);

}  // namespace qo

#pragma once
// Listing the game's folders.
#include <filesystem>
#include <string>
#include <vector>

namespace qo {

// Names of the entries of `folder` that are folders (links to folders included), in directory-listing order;
// empty when the folder cannot be listed.
std::vector<std::string> list_subfolders(const std::filesystem::path& folder);

}  // namespace qo

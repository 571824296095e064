#include "settings/folders.h"

namespace qo {
namespace fs = std::filesystem;

std::vector<std::string> list_subfolders(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind)) names.push_back(it->path().filename().string());
        if (ec) break;
    }
    if (ec) names.clear();  // a listing that broke off counts as unreadable
    return names;
}

}  // namespace qo

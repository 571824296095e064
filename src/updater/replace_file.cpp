#include "updater/replace_file.h"

#include <system_error>

#include "platform/files.h"
#include "updater/manifest_paths.h"

namespace qo {
namespace {

// Gives the new file the permission bits of the one it replaces; a failure leaves the download's own bits.
void carry_permissions(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    const auto status = std::filesystem::status(from, ec);
    if (ec || status.type() != std::filesystem::file_type::regular) return;
    std::filesystem::permissions(to, status.permissions() | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::replace, ec);
}

}  // namespace

std::expected<void, std::string> replace_file(const std::filesystem::path& part, const std::filesystem::path& target,
                                              const std::filesystem::path& exe_path, bool& launcher_replaced) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(target, ec);
    if (ec || !std::filesystem::exists(status)) return rename_replace(part, target);

    carry_permissions(target, part);
    if (same_normalized_path(target, exe_path)) {
        std::filesystem::path old = target;
        old += ".old";
        if (std::filesystem::symlink_status(old, ec).type() != std::filesystem::file_type::not_found) {
            if (auto removed = remove_file(old); !removed) return removed;
        }
        // The launcher keeps its name until the new file takes it in one rename: never a moment without one.
        if (auto kept = keep_as_backup(target, old); !kept) return kept;
        if (auto placed = rename_replace(part, target); !placed) return placed;
        launcher_replaced = true;
        return {};
    }

    (void)clear_read_only(target);  // a read-only target could not be replaced
    // One atomic rename: the old file stays in place until the new one takes its name.
    return rename_replace(part, target);
}

}  // namespace qo

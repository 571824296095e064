#include "sealed/release_store.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/error_text.h"
#include "sealed/release_list.h"
#include "util/sha256.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr const char* OUTSIDE_ROOT = "o arquivo está fora da pasta do QoFenro.";
constexpr const char* REDIRECTED = "a pasta do QoFenro não aceita redirecionamentos locais.";
constexpr const char* UPDATE_RUNNING = "outra atualização do QoFenro está em andamento.";
constexpr std::size_t RELEASE_ID_LENGTH = 32;
constexpr int CLEANUP_MAX_DEPTH = 4;

// Reads a whole file of at most `limit` bytes; nothing when it cannot be read or is longer.
std::optional<std::string> read_file_up_to(const fs::path& file, std::size_t limit) {
    auto bytes = read_file_head(file, limit + 1, FinalLink::refuse);
    if (!bytes || bytes->size() > limit) return std::nullopt;
    return bytes;
}

// The components of `relative` ('/'-separated) include "." or "..".
bool has_dot_component(std::string_view relative) {
    std::size_t start = 0;
    for (;;) {
        std::size_t end = relative.find('/', start);
        std::string_view part = relative.substr(start, end == std::string_view::npos ? end : end - start);
        if (part == "." || part == "..") return true;
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
}

bool is_strictly_below(std::string_view candidate, std::string_view root) {
    return candidate.size() > root.size() && candidate.starts_with(root) && candidate[root.size()] == '/';
}

std::string entry_name(const fs::directory_entry& entry) { return entry.path().filename().string(); }

// Removes a folder tree without ever following a symbolic link or entering a mount point: links are removed as
// links, mount points are left (and so is every folder above them). Errors are ignored.
void remove_tree_in_place(const fs::path& folder) {
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) children.push_back(it->path());
    for (const fs::path& child : children) {
        std::error_code child_ec;
        if (is_reparse_point(child)) {
            fs::remove(child, child_ec);  // a link goes; an occupied mount point refuses
        } else if (fs::symlink_status(child, child_ec).type() == fs::file_type::directory) {
            remove_tree_in_place(child);
        } else {
            fs::remove(child, child_ec);
        }
    }
    fs::remove(folder, ec);
}

}  // namespace

fs::path release_folder_path(const fs::path& root, std::string_view release_id) {
    return root / VERSIONS_FOLDER / release_id;
}

std::string normalize_path_for_compare(const fs::path& path) {
    const std::string& text = path.native();
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    while (!out.empty() && out.back() == '/') out.pop_back();
    return out;
}

std::expected<void, std::string> ensure_inside_root(const fs::path& root, const fs::path& path) {
    const std::string r = normalize_path_for_compare(root);
    std::string c = normalize_path_for_compare(path);
    if (is_strictly_below(c, r) && has_dot_component(std::string_view(c).substr(r.size() + 1)))
        return std::unexpected(OUTSIDE_ROOT);
    for (;;) {
        if (c == r) return {};
        if (!is_strictly_below(c, r)) return std::unexpected(OUTSIDE_ROOT);
        // A component that does not exist yet is not inspected; the walk goes on to its parent.
        if (is_reparse_point(fs::path(c))) return std::unexpected(REDIRECTED);
        std::size_t slash = c.rfind('/');
        if (slash == std::string::npos) return std::unexpected(OUTSIDE_ROOT);
        c.resize(slash);
    }
}

fs::path release_path_to_pathbuf(const fs::path& base, std::string_view list_path) {
    fs::path out = base;
    std::size_t start = 0;
    while (start <= list_path.size()) {
        std::size_t end = list_path.find('/', start);
        if (end == std::string_view::npos) end = list_path.size();
        if (end > start) out /= fs::path(std::string(list_path.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

ActiveRelease load_active_release(const fs::path& root, const ReleaseKey& key) {
    const ActiveRelease fallback{root};
    const fs::path record = root / ACTIVE_RELEASE_FILE;
    if (!ensure_inside_root(root, record)) return fallback;
    auto id = read_file_up_to(record, RELEASE_ID_LENGTH);
    if (!id || !is_lower_hex(*id, RELEASE_ID_LENGTH)) return fallback;

    const fs::path folder = release_folder_path(root, *id);
    auto list = read_stored_release_list(root, folder, key);
    if (!list || list->release_id != *id) return fallback;
    return ActiveRelease{folder};
}

std::optional<ReleaseList> read_stored_release_list(const fs::path& root, const fs::path& folder,
                                                    const ReleaseKey& key) {
    const fs::path list_file = folder / RELEASE_LIST_FILE;
    if (!ensure_inside_root(root, list_file)) return std::nullopt;
    auto bytes = read_file_up_to(list_file, RELEASE_LIST_MAX_SIZE);
    if (!bytes) return std::nullopt;
    auto list = parse_signed_release_list(*bytes, key);
    if (!list) return std::nullopt;
    return std::move(*list);
}

bool is_tmp_file_name(std::string_view name) {
    std::size_t at = name.rfind(TMP_MARKER);
    return at != std::string_view::npos &&
           is_lower_hex(name.substr(at + TMP_MARKER.size()), TMP_SUFFIX_HEX_LENGTH);
}

void cleanup_tmp_files(const fs::path& folder, int depth) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (is_reparse_point(path)) continue;
        std::error_code entry_ec;
        fs::file_status status = it->symlink_status(entry_ec);
        if (entry_ec) continue;
        const std::string name = entry_name(*it);
        if (status.type() == fs::file_type::directory) {
            bool enter = depth > 0 || name == "Data" || name == "Assets";
            if (depth < CLEANUP_MAX_DEPTH && enter) cleanup_tmp_files(path, depth + 1);
        } else if (is_tmp_file_name(name)) {
            (void)remove_file(path);
        }
    }
}

void prune_release_folders(const fs::path& root, std::string_view keep) {
    std::error_code ec;
    std::vector<fs::path> candidates;
    for (fs::directory_iterator it(root / VERSIONS_FOLDER, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = entry_name(*it);
        if (is_lower_hex(name, RELEASE_ID_LENGTH) && name != keep) candidates.push_back(it->path());
    }
    for (const fs::path& folder : candidates) {
        if (!ensure_inside_root(root, folder)) continue;
        // A game started from this release may still run from it (Linux lets a running executable be deleted,
        // so ask whether any process works inside the folder instead of relying on the delete failing).
        if (folder_is_busy(folder)) continue;
        const fs::path exe = folder / "Main.exe";
        std::error_code exe_ec;
        bool has_exe = fs::exists(fs::symlink_status(exe, exe_ec));
        if (has_exe && !remove_file(exe)) continue;
        remove_tree_in_place(folder);
    }
}

std::expected<FileLock, std::string> acquire_update_lock(const fs::path& root) {
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec) return std::unexpected(os_error_text(ec.value()));
    auto lock = try_lock_exclusive(root / UPDATE_LOCK_FILE);
    if (!lock) return std::unexpected(UPDATE_RUNNING);
    return std::move(*lock);
}

std::expected<void, std::string> replace_file_atomically(const fs::path& root, const fs::path& file,
                                                         std::string_view bytes) {
    fs::path next = file;
    next += NEXT_SUFFIX;
    if (auto inside = ensure_inside_root(root, file); !inside) return inside;
    if (auto inside = ensure_inside_root(root, next); !inside) return inside;
    if (auto written = write_whole_file(next, bytes); !written) {
        (void)remove_file(next);
        return written;
    }
    if (auto renamed = rename_replace(next, file); !renamed) {
        (void)remove_file(next);
        return renamed;
    }
    return {};
}

std::expected<void, std::string> write_release_list(const fs::path& root, const fs::path& folder,
                                                    std::string_view list_bytes) {
    return replace_file_atomically(root, folder / RELEASE_LIST_FILE, list_bytes);
}

std::expected<void, std::string> write_active_release(const fs::path& root, std::string_view release_id) {
    return replace_file_atomically(root, root / ACTIVE_RELEASE_FILE, release_id);
}

}  // namespace qo

#include "release/publisher.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "util/sha256.h"
#include "util/text.h"

namespace qo::release {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view LIST_MAGIC = "KXWEB001";
constexpr std::string_view INDEX_MAGIC = "KXIDX001";
constexpr std::size_t INDEX_HEADER_BYTES = 24;
constexpr std::string_view INDEX_PATH = "Assets/assets.idx";
constexpr std::string_view ASSETS_PREFIX = "Assets/";

bool is_blob_name(std::string_view path) {
    return path.size() == ASSETS_PREFIX.size() + 64 + 4 && path.starts_with(ASSETS_PREFIX) && path.ends_with(".kxd") &&
           is_lower_hex(path.substr(ASSETS_PREFIX.size(), 64), 64);
}

// Under "Assets/" but neither the index, its signature, the agents note nor an already named blob.
bool becomes_blob(std::string_view path) {
    return path.size() > ASSETS_PREFIX.size() && ascii_iequals(path.substr(0, ASSETS_PREFIX.size()), ASSETS_PREFIX) &&
           !ascii_iequals(path, INDEX_PATH) && !ascii_iequals(path, "Assets/assets.idx.sig") &&
           !ascii_iequals(path, "Assets/AGENTS.md") && !is_blob_name(path);
}

std::string blob_path_for(std::string_view bytes) {
    return std::string(ASSETS_PREFIX) + hex_lower(sha256_bytes(bytes)) + ".kxd";
}

// A stable identifier for a client: the first 16 bytes of a digest over its paths and contents.
std::string derived_release_id(const std::vector<ClientFile>& files) {
    std::vector<std::string> lines;
    for (const ClientFile& f : files) lines.push_back(f.path + '\0' + hex_lower(sha256_bytes(f.bytes)));
    std::sort(lines.begin(), lines.end());
    Sha256Hasher hasher;
    for (const std::string& line : lines) hasher.update(line + '\n');
    return hex_lower(hasher.finish()).substr(0, 32);
}

std::string index_rest(const ClientFile* index, const std::vector<ClientFile>& files) {
    if (index) {
        std::string_view bytes = index->bytes;
        if (bytes.size() >= INDEX_HEADER_BYTES && bytes.starts_with(INDEX_MAGIC)) bytes.remove_prefix(INDEX_HEADER_BYTES);
        return std::string(bytes);
    }
    std::string rest;
    for (const ClientFile& f : files)
        if (is_blob_name(f.path)) rest += f.path.substr(ASSETS_PREFIX.size()) + '\n';
    return rest;
}

std::expected<void, std::string> write_bytes(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) return std::unexpected("cannot create " + file.parent_path().string() + ": " + ec.message());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return std::unexpected("cannot write " + file.string());
    return {};
}

fs::path native_path(const fs::path& base, std::string_view list_path) {
    fs::path out = base;
    std::size_t start = 0;
    while (start <= list_path.size()) {
        std::size_t end = std::min(list_path.find('/', start), list_path.size());
        if (end > start) out /= std::string(list_path.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace

const ClientFile* PublishedRelease::find(std::string_view path) const {
    auto it = std::find_if(files.begin(), files.end(), [&](const ClientFile& f) { return f.path == path; });
    return it == files.end() ? nullptr : &*it;
}

std::string make_list_body(std::string_view release_id, const std::vector<ListEntry>& entries) {
    std::string body;
    body.reserve(64 + entries.size() * 100);
    body.append(LIST_MAGIC).append("\n").append(release_id).append("\n");
    for (const ListEntry& e : entries)
        body.append(std::to_string(e.size)).append(" ").append(e.sha256).append(" ").append(e.path).append("\n");
    return body;
}

std::string sign_list(std::string_view body, const SigningKey& key) { return std::string(body) + key.sign(body); }

ListEntry entry_for(const ClientFile& file) {
    return ListEntry{file.bytes.size(), hex_lower(sha256_bytes(file.bytes)), file.path};
}

std::string make_assets_index(std::string_view release_id, std::string_view rest) {
    std::string index(INDEX_MAGIC);
    auto nibble = [](char c) { return c <= '9' ? c - '0' : ascii_lower(c) - 'a' + 10; };
    for (std::size_t i = 0; i + 1 < release_id.size() && i < 32; i += 2)
        index.push_back(static_cast<char>(nibble(release_id[i]) << 4 | nibble(release_id[i + 1])));
    index.append(rest);
    return index;
}

std::expected<PublishedRelease, std::string> build_release(const std::vector<ClientFile>& client, const SigningKey& key,
                                                           const BuildOptions& options) {
    if (!options.release_id.empty() && !is_lower_hex(options.release_id, 32))
        return std::unexpected("a release identifier is 32 lowercase hex digits: " + options.release_id);

    // Plain files keep their paths; asset files become content-addressed blobs (one per distinct content).
    std::vector<ClientFile> plain;
    std::map<std::string, std::string> blobs;
    const ClientFile* index = nullptr;
    const ClientFile* main_exe = nullptr;
    for (const ClientFile& f : client) {
        if (ascii_iequals(f.path, "Main.exe.sig") || ascii_iequals(f.path, "Assets/assets.idx.sig")) continue;
        if (ascii_iequals(f.path, INDEX_PATH)) {
            index = &f;
        } else if (becomes_blob(f.path)) {
            blobs.emplace(blob_path_for(f.bytes), f.bytes);
        } else if (is_blob_name(f.path)) {
            blobs.emplace(f.path, f.bytes);
        } else {
            plain.push_back(f);
            if (ascii_iequals(f.path, "Main.exe")) main_exe = &f;
        }
    }
    std::vector<ClientFile> files = plain;
    for (auto& [path, bytes] : blobs) files.push_back({path, bytes});

    PublishedRelease release;
    release.release_id = options.release_id.empty() ? derived_release_id(files) : options.release_id;
    ClientFile index_file{std::string(INDEX_PATH), make_assets_index(release.release_id, index_rest(index, files))};
    files.push_back({std::string(INDEX_PATH) + ".sig", key.sign(index_file.bytes)});
    files.push_back(std::move(index_file));
    if (main_exe) files.push_back({"Main.exe.sig", key.sign(main_exe->bytes)});
    std::stable_sort(files.begin(), files.end(), [](const ClientFile& a, const ClientFile& b) {
        return std::make_pair(is_blob_name(a.path), a.path) < std::make_pair(is_blob_name(b.path), b.path);
    });

    std::vector<ListEntry> entries;
    entries.reserve(files.size());
    for (const ClientFile& f : files) entries.push_back(entry_for(f));
    release.list_bytes = sign_list(make_list_body(release.release_id, entries), key);
    release.files = std::move(files);
    return release;
}

std::expected<std::vector<ClientFile>, std::string> read_client_tree(const fs::path& folder) {
    std::error_code ec;
    std::vector<ClientFile> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        if (!in) return std::unexpected("cannot read " + it->path().string());
        files.push_back({fs::relative(it->path(), folder).generic_string(),
                         std::string(std::istreambuf_iterator<char>(in), {})});
    }
    if (ec) return std::unexpected("cannot list " + folder.string() + ": " + ec.message());
    std::sort(files.begin(), files.end(), [](const ClientFile& a, const ClientFile& b) { return a.path < b.path; });
    return files;
}

std::expected<void, std::string> write_published_tree(const PublishedRelease& release, const fs::path& server_folder) {
    const fs::path client = server_folder / "client";
    const fs::path files = client / "releases" / release.release_id;
    for (const ClientFile& f : release.files)
        if (auto ok = write_bytes(native_path(files, f.path), f.bytes); !ok) return ok;
    return write_bytes(client / "current.kxm", release.list_bytes);
}

std::expected<void, std::string> write_release_folder(const PublishedRelease& release, const fs::path& folder) {
    for (const ClientFile& f : release.files)
        if (auto ok = write_bytes(native_path(folder, f.path), f.bytes); !ok) return ok;
    return write_bytes(folder / "release.kxm", release.list_bytes);
}

}  // namespace qo::release

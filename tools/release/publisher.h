#pragma once
// Turns a game client (a set of files) into a published signed release: the asset index header with the release
// identifier, content-addressed asset blobs, detached ".sig" files and the signed release list; and lays it out
// as the update server serves it ("client/current.kxm", "client/releases/<id>/<path>") or as an installed
// release folder.
//
// Client file rules: "Main.exe.sig" and "Assets/assets.idx.sig" are always made anew; "Assets/assets.idx" keeps
// everything after its header (a missing index gets a listing of the blobs); every other file under "Assets/"
// except "AGENTS.md" and files already named "<sha256>.kxd" becomes the blob "Assets/<sha256>.kxd". Other paths
// are listed as they are: the list parser, not the builder, decides what a release may hold.
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "release/signing_key.h"

namespace qo::release {

struct ClientFile {
    std::string path;   // '/'-separated, relative to the release folder
    std::string bytes;
};

struct ListEntry {
    std::uint64_t size = 0;
    std::string sha256;
    std::string path;
};

struct PublishedRelease {
    std::string release_id;        // 32 lowercase hex digits
    std::string list_bytes;        // the signed list: body and signature
    std::vector<ClientFile> files; // every listed file under its list path, in list order

    const ClientFile* find(std::string_view path) const;
};

struct BuildOptions {
    std::string release_id;  // empty: derived from the client's contents
};

// The list text: magic, identifier and one "<size> <sha256> <path>" line per entry, each ended by LF.
std::string make_list_body(std::string_view release_id, const std::vector<ListEntry>& entries);
// The body followed by its signature.
std::string sign_list(std::string_view body, const SigningKey& key);
// The entry describing a file's bytes.
ListEntry entry_for(const ClientFile& file);
// "KXIDX001", the 16 identifier bytes, then `rest`.
std::string make_assets_index(std::string_view release_id, std::string_view rest);

std::expected<PublishedRelease, std::string> build_release(const std::vector<ClientFile>& client, const SigningKey& key,
                                                           const BuildOptions& options = {});

// Every file below `folder`, with '/'-separated relative paths, sorted by path.
std::expected<std::vector<ClientFile>, std::string> read_client_tree(const std::filesystem::path& folder);

// Writes `server_folder`/client/current.kxm and `server_folder`/client/releases/<id>/<path> for every file.
std::expected<void, std::string> write_published_tree(const PublishedRelease& release,
                                                      const std::filesystem::path& server_folder);

// Writes the release's files and its release.kxm into `folder`, as an installed release folder.
std::expected<void, std::string> write_release_folder(const PublishedRelease& release,
                                                      const std::filesystem::path& folder);

}  // namespace qo::release

#pragma once
// Builds signed releases for tests with the test-only key: a small complete client, the published server tree
// that the HTTPS test server serves ("client/current.kxm", "client/releases/<id>/<path>"), and installed
// release folders inside a game folder.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "release/publisher.h"

namespace qo::test {

using release::ClientFile;
using release::PublishedRelease;

// A small complete client: every core file (signatures and index made by the builder), the four user files and
// three asset files that become blobs. `flavour` goes into every content, so two flavours differ in every file.
std::vector<ClientFile> sample_client(std::string_view flavour = "a");

// Replaces the bytes of `path` in `files`, or adds the file.
void set_client_file(std::vector<ClientFile>& files, std::string_view path, std::string bytes);
// Removes `path` from `files` (exact path).
void remove_client_file(std::vector<ClientFile>& files, std::string_view path);

// Builds and signs with the test key; an empty identifier is derived from the contents.
PublishedRelease build_test_release(const std::vector<ClientFile>& files, std::string_view release_id = {});

// `body` followed by its signature under the test key: a list file with any body at all.
std::string sign_with_test_key(std::string_view body);

// Writes the server tree of `release` under `server_folder` (what the HTTPS test server serves).
void publish_test_release(const PublishedRelease& release, const std::filesystem::path& server_folder);

// Installs `release` as root/Versions/<id> (its files and release.kxm, Main.exe executable as the updater leaves
// it) and, when asked, records it in root/active-release. Returns the release folder.
std::filesystem::path install_test_release(const PublishedRelease& release, const std::filesystem::path& root,
                                           bool make_active = true);

}  // namespace qo::test

#include "support/release_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "support/test_keys.h"

namespace qo::test {

std::vector<ClientFile> sample_client(std::string_view flavour) {
    const std::string f(flavour);
    return {
        {"Main.exe", "MZ game executable " + f},
        {"FONT.ini", "[Font]\nName=Sans " + f + "\n"},
        {"glew32.dll", "glew " + f},
        {"icon.ico", "icon " + f},
        {"ogg.dll", "ogg " + f},
        {"vorbisfile.dll", "vorbisfile " + f},
        {"kvAudio.dll", "kvAudio " + f},
        {"Assets/AGENTS.md", "# Assets " + f + "\n"},
        {"Assets/assets.idx", "index body " + f + "\n"},
        {"Assets/textures/stone.png", "stone texture " + f},
        {"Assets/models/tree.mdl", "tree model " + f},
        {"Assets/sounds/wind.ogg", std::string(70'000, 'w') + f},  // larger than one network chunk
        {"Data/CameraSession.ini", "[Camera]\nZoom=1 " + f + "\n"},
        {"Data/Custom/config.ini", "[FPS]\nLimit=60\n; " + f + "\n"},
        {"Data/Macro.txt", "macro " + f + "\n"},
        {"Data/Resolutions.xml", "<Resolutions flavour=\"" + f + "\"/>\n"},
    };
}

void set_client_file(std::vector<ClientFile>& files, std::string_view path, std::string bytes) {
    auto it = std::find_if(files.begin(), files.end(), [&](const ClientFile& f) { return f.path == path; });
    if (it != files.end()) it->bytes = std::move(bytes);
    else files.push_back({std::string(path), std::move(bytes)});
}

void remove_client_file(std::vector<ClientFile>& files, std::string_view path) {
    std::erase_if(files, [&](const ClientFile& f) { return f.path == path; });
}

PublishedRelease build_test_release(const std::vector<ClientFile>& files, std::string_view release_id) {
    auto built = release::build_release(files, test_signing_key(), {.release_id = std::string(release_id)});
    if (!built) throw std::runtime_error(built.error());
    return *built;
}

std::string sign_with_test_key(std::string_view body) { return release::sign_list(body, test_signing_key()); }

void publish_test_release(const PublishedRelease& release, const std::filesystem::path& server_folder) {
    if (auto ok = release::write_published_tree(release, server_folder); !ok) throw std::runtime_error(ok.error());
}

std::filesystem::path install_test_release(const PublishedRelease& release, const std::filesystem::path& root,
                                           bool make_active) {
    const std::filesystem::path folder = root / "Versions" / release.release_id;
    if (auto ok = release::write_release_folder(release, folder); !ok) throw std::runtime_error(ok.error());
    // The game executable is left startable, as the updater leaves it.
    if (std::filesystem::exists(folder / "Main.exe"))
        std::filesystem::permissions(folder / "Main.exe", std::filesystem::perms::owner_exec |
                                                              std::filesystem::perms::group_exec |
                                                              std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    if (make_active) {
        std::ofstream out(root / "active-release", std::ios::binary | std::ios::trunc);
        out << release.release_id;
    }
    return folder;
}

}  // namespace qo::test

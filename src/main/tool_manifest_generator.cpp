#include "main/tool_manifest_generator.h"

#include <array>
#include <system_error>

#include <fmt/format.h>

#include "platform/error_text.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "updater/file_digest.h"
#include "util/text.h"

namespace qo {
namespace {

constexpr std::string_view MESSAGE_CAPTION = "QoFenro";

// Folders of the launcher, screenshots, crash dumps, caches and logs.
constexpr std::array<std::string_view, 6> EXCLUDED_PREFIXES = {
    "data\\launcher\\", "screenshots\\", "crash\\", "data\\cache\\", "logs\\", "log\\"};
// File names excluded wherever they lie: error log, uninstaller, manifests, tool leftovers.
constexpr std::array<std::string_view, 6> EXCLUDED_NAMES = {
    "qoerror.log", "unins000.exe", "unins000.dat", "manifest.json", "postprocess.log", "main.old.exe"};
constexpr std::array<std::string_view, 4> EXCLUDED_ENDINGS = {".part", ".old", ".log", ".dmp"};
// The player's own settings files.
constexpr std::array<std::string_view, 4> ONLY_IF_MISSING_PATHS = {
    "data\\macro.txt", "data\\resolutions.xml", "Data\\Custom\\config.ini", "Data\\CameraSession.ini"};

std::string_view file_name_of(std::string_view rel_backslash) {
    const auto slash = rel_backslash.rfind('\\');
    return slash == std::string_view::npos ? rel_backslash : rel_backslash.substr(slash + 1);
}

// The relative path of a listed file, its components joined with `separator`.
std::string relative_text(const std::filesystem::path& file, const std::filesystem::path& root, char separator) {
    std::string text;
    for (const auto& part : file.lexically_relative(root)) {
        if (!text.empty()) text += separator;
        text += part.string();
    }
    return text;
}

}  // namespace

bool manifest_excludes(std::string_view rel_backslash) {
    for (auto prefix : EXCLUDED_PREFIXES)
        if (ascii_istarts_with(rel_backslash, prefix)) return true;
    const std::string_view name = file_name_of(rel_backslash);
    for (auto excluded : EXCLUDED_NAMES)
        if (ascii_iequals(name, excluded)) return true;
    for (auto ending : EXCLUDED_ENDINGS)
        if (ascii_iends_with(name, ending)) return true;
    return false;
}

bool manifest_only_if_missing(std::string_view rel_backslash) {
    for (auto path : ONLY_IF_MISSING_PATHS)
        if (ascii_iequals(rel_backslash, path)) return true;
    return false;
}

std::string manifest_version_stamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{floor<minutes>(when - day)};
    return fmt::format("{:04}{:02}{:02}{:02}{:02}", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), time.hours().count(),
                       time.minutes().count());
}

std::expected<UpdateManifest, std::string> build_folder_manifest(const std::filesystem::path& folder) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(folder, ec);
    if (ec) return std::unexpected(fmt::format("{}: {}", folder.string(), os_error_text(ec)));
    const std::filesystem::path root = canonical;
    // The walk skips folders it cannot list; the scanned folder itself must be listable, or the manifest would
    // come out empty instead of failing.
    std::filesystem::directory_iterator probe(root, ec);
    if (ec) return std::unexpected(fmt::format("{}: {}", folder.string(), os_error_text(ec)));

    std::vector<std::filesystem::path> files;
    list_files_recursive(root, files);

    UpdateManifest manifest;
    manifest.version = manifest_version_stamp(std::chrono::system_clock::now());
    manifest.files.emplace();
    for (const auto& file : files) {
        const std::string rel = relative_text(file, root, '\\');
        if (manifest_excludes(rel)) continue;
        auto digest = sha256_file(file);
        if (!digest) return std::unexpected(fmt::format("{}: {}", file.string(), digest.error()));
        const auto size = std::filesystem::file_size(file, ec);
        if (ec) return std::unexpected(fmt::format("{}: {}", file.string(), os_error_text(ec)));
        manifest.files->push_back(ManifestFile{.path = relative_text(file, root, '/'),
                                               .size = size,
                                               .sha256 = std::move(*digest),
                                               .only_if_missing = manifest_only_if_missing(rel)});
    }
    return manifest;
}

std::expected<void, std::string> write_manifest_file(const UpdateManifest& manifest,
                                                     const std::filesystem::path& output) {
    // Written whole under a temporary name and renamed into place: a failure never leaves a partial manifest.
    if (auto written = write_file_replacing(output, write_manifest(manifest)); !written)
        return std::unexpected(fmt::format("{}: {}", output.string(), written.error()));
    return {};
}

int run_manifest_generator(const std::filesystem::path& folder, const std::filesystem::path& output) {
    auto manifest = build_folder_manifest(folder);
    std::expected<void, std::string> written =
        manifest ? write_manifest_file(*manifest, output) : std::unexpected(manifest.error());
    if (!written) {
        show_message_box(MESSAGE_CAPTION, fmt::format("Erro ao gerar o manifesto:\n{}", written.error()),
                         MessageBoxKind::Error);
        return 1;
    }
    show_message_box(MESSAGE_CAPTION,
                     fmt::format("{} arquivos no manifesto:\n{}", manifest->files->size(), output.string()),
                     MessageBoxKind::Information);
    return 0;
}

int manifest_generator_mode(const std::vector<std::string>& arguments) {
    const std::filesystem::path folder = arguments.at(1);
    const std::filesystem::path output =
        arguments.size() > 2 ? std::filesystem::path(arguments[2]) : folder / "manifest.json";
    return run_manifest_generator(folder, output);
}

}  // namespace qo

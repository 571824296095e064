#include "sealed/sealed_update.h"

#include <array>
#include <optional>

#include <fmt/format.h>

#include "platform/error_text.h"
#include "platform/files.h"
#include "sealed/asset_index.h"
#include "sealed/release_list.h"
#include "sealed/release_store.h"
#include "sealed/update_agent.h"
#include "util/byte_format.h"
#include "util/http_agent.h"
#include "util/text.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr const char* CANCELLED = "cancelado";
constexpr const char* LIST_TOO_LARGE = "lista de atualização excede o tamanho permitido.";
constexpr std::uint64_t LIST_READ_LIMIT = RELEASE_LIST_MAX_SIZE + 1;

// Files a same-release update always looks at again, besides the user files.
constexpr std::array<std::string_view, 4> ALWAYS_CHECKED = {"Main.exe", "Main.exe.sig", "Assets/assets.idx",
                                                            "Assets/assets.idx.sig"};

void report(const ProgressSink& sink, std::string text, double fraction = 0.0) {
    JobProgress progress;
    progress.text = std::move(text);
    progress.file_fraction = fraction;
    progress.total_fraction = fraction;
    sink(Progress{std::move(progress)});
}

// One fetch of the list: the body, or the attempt's error text.
std::expected<std::string, std::string> fetch_list_once(HttpAgent& agent, const std::string& url) {
    std::string body;
    bool too_large = false;
    auto on_head = [&](const HttpResponseHead& head) {
        if (head.content_length) {
            auto announced = parse_content_length(*head.content_length);
            if (announced && *announced >= LIST_READ_LIMIT) {
                too_large = true;
                return HttpFlow::stop;
            }
        }
        return HttpFlow::proceed;
    };
    auto on_chunk = [&](std::string_view chunk) {
        body.append(chunk.substr(0, LIST_READ_LIMIT - body.size()));
        if (body.size() >= LIST_READ_LIMIT) {
            too_large = true;
            return HttpFlow::stop;
        }
        return HttpFlow::proceed;
    };
    auto outcome = agent.get(url, on_head, on_chunk);
    if (too_large) return std::unexpected(LIST_TOO_LARGE);
    if (!outcome) return std::unexpected(outcome.error());
    if (outcome->is_error_status()) return std::unexpected(http_status_error_text(outcome->status));
    return body;
}

std::expected<std::string, std::string> fetch_list(HttpAgent& agent, const std::string& url,
                                                   const SealedUpdateSettings& settings) {
    std::expected<std::string, std::string> result;
    for (int attempt = 1; attempt <= LIST_FETCH_ATTEMPTS; ++attempt) {
        if (attempt > 1) pause_with(settings.sleep, std::chrono::seconds(attempt - 1));
        result = fetch_list_once(agent, url);
        if (result) break;
    }
    return result;
}

PreviousIndex index_entries(const std::optional<ReleaseList>& list) {
    PreviousIndex index;
    if (!list) return index;
    for (const ReleaseEntry& entry : list->entries) index[release_path_key(entry.path)] = entry;
    return index;
}

bool is_always_checked(std::string_view path) {
    for (std::string_view name : ALWAYS_CHECKED)
        if (ascii_iequals(name, path)) return true;
    return is_user_file_path(path);
}

// Every entry of a new release; for the same release only what may have changed on disk or in the list.
std::vector<ReleaseEntry> select_work(const ReleaseList& list, bool same_release, const PreviousIndex& previous) {
    if (!same_release) return list.entries;
    std::vector<ReleaseEntry> work;
    for (const ReleaseEntry& entry : list.entries) {
        auto found = previous.find(release_path_key(entry.path));
        bool changed = found == previous.end() || found->second.size != entry.size ||
                       found->second.sha256 != entry.sha256;
        if (changed || is_always_checked(entry.path)) work.push_back(entry);
    }
    return work;
}

bool metadata_readable(const fs::path& path) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    return !ec && fs::exists(status);
}

}  // namespace

std::expected<void, std::string> check_free_space(std::optional<std::uint64_t> free_bytes, std::uint64_t need) {
    if (free_bytes && *free_bytes < need + DISK_SPACE_MARGIN)
        return std::unexpected(fmt::format("espaço insuficiente no disco: o jogo precisa de {} livres.",
                                           format_size_mb_gb(need + DISK_SPACE_MARGIN)));
    return {};
}

std::expected<ActiveRelease, std::string> update_sealed_client(const fs::path& root, const fs::path& active_folder,
                                                               const ProgressSink& sink,
                                                               const std::atomic<bool>& cancel,
                                                               const SealedUpdateSettings& settings) {
    report(sink, "Buscando atualizações...");
    auto agent = HttpAgent::create(update_agent_options(settings.connect_timeout, settings.io_timeout,
                                                        settings.extra_ca_file, settings.speed_floor));
    if (!agent) return std::unexpected(agent.error());

    const std::string client_base = settings.update_base_url + "/client";
    auto list_bytes = fetch_list(*agent, client_base + "/current.kxm", settings);
    if (!list_bytes) return std::unexpected(list_bytes.error());
    auto list = parse_signed_release_list(*list_bytes, settings.key);
    if (!list) return std::unexpected(list.error());

    auto lock = acquire_update_lock(root);
    if (!lock) return std::unexpected(lock.error());

    std::optional<ReleaseList> previous_list = read_stored_release_list(root, active_folder, settings.key);
    const bool same_release = previous_list && previous_list->release_id == list->release_id;
    const fs::path target = same_release ? active_folder : release_folder_path(root, list->release_id);
    if (auto inside = ensure_inside_root(root, target); !inside) return std::unexpected(inside.error());
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) return std::unexpected(os_error_text(ec.value()));
    cleanup_tmp_files(target, 0);

    const PreviousIndex previous = index_entries(previous_list);
    const bool first_install = !previous_list && !metadata_readable(active_folder / "Main.exe");
    const std::vector<ReleaseEntry> work = select_work(*list, same_release, previous);

    std::string phase_text = first_install ? "Preparando o download..." : "Verificando arquivos...";
    report(sink, phase_text);
    auto downloads = run_place_phase(PlacePhase{work, root, target, active_folder, previous, phase_text, sink, cancel});
    if (cancel.load()) return std::unexpected(CANCELLED);
    if (!downloads) return std::unexpected(downloads.error());

    std::uint64_t need = 0;
    for (const ReleaseEntry& entry : *downloads) need += entry.size;
    if (!downloads->empty()) {
        if (auto space = check_free_space(free_disk_space(target), need); !space)
            return std::unexpected(space.error());
        report(sink, format_download_progress(first_install, 0, need));
        DownloadConnection connection{client_base, settings.extra_ca_file, settings.connect_timeout,
                                      settings.io_timeout, settings.speed_floor};
        auto downloaded = run_download_phase(DownloadPhase{*downloads, target, connection, list->release_id,
                                                           first_install, need, sink, cancel, settings.sleep});
        if (cancel.load()) return std::unexpected(CANCELLED);
        if (!downloaded) return std::unexpected(downloaded.error());
    }

    if (auto index = check_assets_index_release(target, list->release_id); !index)
        return std::unexpected(index.error());
    if (auto signature = verify_detached_signature(settings.key, target / "Main.exe"); !signature)
        return std::unexpected(signature.error());

    if (auto recorded = write_release_list(root, target, *list_bytes); !recorded)
        return std::unexpected(recorded.error());
    if (normalize_path_for_compare(target) != normalize_path_for_compare(root)) {
        if (auto switched = write_active_release(root, list->release_id); !switched)
            return std::unexpected(switched.error());
    }
    // A same-release run prunes too: a kill during an earlier pruning must not leave an old release for good.
    prune_release_folders(root, list->release_id);

    report(sink, "Cliente pronto para jogar.", 1.0);
    return ActiveRelease{target};
}

}  // namespace qo

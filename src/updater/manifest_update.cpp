#include "updater/manifest_update.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "platform/error_text.h"
#include "platform/files.h"
#include "platform/process.h"
#include "updater/file_digest.h"
#include "updater/hash_cache.h"
#include "updater/manifest_format.h"
#include "updater/manifest_paths.h"
#include "updater/replace_file.h"
#include "updater/verify_workers.h"
#include "util/date_time.h"
#include "util/http_agent.h"
#include "util/text.h"

namespace qo {
namespace {

constexpr const char* CANCELLED = "cancelado";
// About 400,000 entries; a longer manifest is refused before it is parsed, so memory stays bounded.
constexpr std::uint64_t MANIFEST_MAX_SIZE = std::uint64_t{64} << 20;
constexpr const char* MANIFEST_TOO_LARGE = "excede o tamanho permitido (64 MiB).";

void report(const ProgressSink& sink, double file, double total, double speed, std::string text,
            std::string detail = {}) {
    sink(Progress{JobProgress{.file_fraction = file,
                              .total_fraction = total,
                              .bytes_per_second = speed,
                              .text = std::move(text),
                              .detail = std::move(detail)}});
}

bool starts_with_https(const std::optional<std::string>& url) {
    return url && ascii_istarts_with(*url, "https://");
}

std::string corrupt_download_text(std::string_view rel) {
    return fmt::format("Arquivo corrompido no download: {}", rel);
}

// The manifest's bytes, refused as invalid once its announced length or its body passes MANIFEST_MAX_SIZE.
std::expected<std::string, std::string> fetch_manifest_text(HttpAgent& agent, const std::string& url) {
    std::string body;
    bool too_large = false;
    auto on_head = [&](const HttpResponseHead& head) {
        const auto announced = head.content_length ? parse_content_length(*head.content_length) : std::nullopt;
        too_large = announced && *announced > MANIFEST_MAX_SIZE;
        return too_large ? HttpFlow::stop : HttpFlow::proceed;
    };
    auto on_chunk = [&](std::string_view chunk) {
        too_large = chunk.size() > MANIFEST_MAX_SIZE - body.size();
        if (too_large) return HttpFlow::stop;
        body.append(chunk);
        return HttpFlow::proceed;
    };
    auto outcome = agent.get(url, on_head, on_chunk);
    if (too_large) return std::unexpected(format_invalid_manifest(MANIFEST_TOO_LARGE));
    if (!outcome) return std::unexpected(outcome.error());
    if (outcome->is_error_status()) return std::unexpected(http_status_error_text(outcome->status));
    return body;
}

// Everything the download phase needs besides the entry.
struct DownloadContext {
    HttpAgent& agent;
    const ProgressSink& sink;
    const std::atomic<bool>& cancel;
    std::uint64_t total_bytes = 1;
    std::uint64_t done_bytes = 0;
};

// Streams one file into `part`. On failure or cancel the part file is removed unless it never existed.
std::expected<void, std::string> download_to_part(DownloadContext& ctx, const std::string& url,
                                                  const std::filesystem::path& part, const ManifestFile& entry) {
    std::optional<OutputFile> out;
    std::string write_error;
    bool cancelled = false;
    bool too_long = false;
    std::uint64_t bytes = 0;
    const auto file_start = std::chrono::steady_clock::now();

    auto on_head = [&](const HttpResponseHead&) {
        auto created = OutputFile::create(part);
        if (!created) {
            write_error = created.error();
            return HttpFlow::stop;
        }
        out = std::move(*created);
        return HttpFlow::proceed;
    };
    auto on_chunk = [&](std::string_view chunk) {
        if (ctx.cancel.load()) {
            cancelled = true;
            return HttpFlow::stop;
        }
        // A body longer than the listed size is corrupt: stop at its first extra byte instead of filling the disk.
        too_long = chunk.size() > entry.size - bytes;
        if (too_long) return HttpFlow::stop;
        if (auto written = out->write(chunk); !written) {
            write_error = written.error();
            return HttpFlow::stop;
        }
        bytes += chunk.size();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - file_start).count();
        // A server that sends more than the listed size must not push the fractions past 1.
        const double file_fraction =
            entry.size == 0 ? 1.0 : std::min(1.0, static_cast<double>(bytes) / static_cast<double>(entry.size));
        const double total_fraction =
            std::min(1.0, static_cast<double>(ctx.done_bytes + bytes) / static_cast<double>(ctx.total_bytes));
        report(ctx.sink, file_fraction, total_fraction,
               seconds > 0.2 ? static_cast<double>(bytes) / seconds : 0.0, "Baixando atualização...",
               entry.path.value_or(""));
        return HttpFlow::proceed;
    };

    auto outcome = ctx.agent.get(url, on_head, on_chunk);
    const bool part_made = out.has_value();
    if (out) {
        auto closed = out->close();
        if (!closed && write_error.empty() && !cancelled) write_error = closed.error();
    }
    auto fail = [&](std::string text) -> std::expected<void, std::string> {
        if (part_made) (void)remove_file(part);
        return std::unexpected(std::move(text));
    };
    if (cancelled) return fail(CANCELLED);
    if (too_long) return fail(corrupt_download_text(entry.path.value_or("")));
    if (!write_error.empty()) return fail(write_error);
    if (!outcome) return fail(outcome.error());
    if (outcome->is_error_status()) return fail(http_status_error_text(outcome->status));
    // A body-less answer never opened the file: make the empty part file the download stands for.
    if (!part_made) return write_whole_file(part, {});
    return {};
}

std::expected<void, std::string> download_entry(DownloadContext& ctx, const UpdateJob& job,
                                                const std::string& base, const ManifestFile& entry,
                                                const std::filesystem::path& exe_path, bool& launcher_replaced,
                                                HashCache& cache) {
    const std::string rel = entry.path.value_or("");
    // Blanks around the digest are allowed in the manifest but would break the request's address.
    const std::string expected = ascii_lowercase(trim_white_space(entry.sha256.value_or("")));
    const std::string url = file_request_url(base, rel, expected);
    const auto target = join_relative_path(job.game_dir, rel);
    std::filesystem::path part = target;
    part += ".part";

    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) return std::unexpected(os_error_text(ec));

    if (auto fetched = download_to_part(ctx, url, part, entry); !fetched) return fetched;

    auto digest = sha256_file(part);
    if (!digest) return std::unexpected(digest.error());
    if (!eq_ignore_ascii_case_trimmed(*digest, expected)) {
        (void)remove_file(part);
        return std::unexpected(corrupt_download_text(rel));
    }
    if (auto placed = replace_file(part, target, exe_path, launcher_replaced); !placed) return placed;

    const auto size = std::filesystem::file_size(target, ec);
    const auto ticks = last_write_ticks_1601(target);
    if (!ec && ticks) cache.insert_or_assign(hash_cache_key(rel, size, *ticks), expected);
    return {};
}

}  // namespace

std::string format_invalid_manifest(std::string_view error) { return fmt::format("manifesto inválido: {}", error); }

std::string manifest_request_url(std::string_view manifest_url, std::uint64_t ticks) {
    const char joiner = manifest_url.find('?') != std::string_view::npos ? '&' : '?';
    return fmt::format("{}{}t={}", manifest_url, joiner, ticks);
}

std::string encode_url_path(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += '/';
        } else if (c <= 0x20 || c >= 0x7F || std::string_view("\"#%<>?`{}").find(ch) != std::string_view::npos) {
            out += fmt::format("%{:02X}", c);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string file_request_url(std::string_view files_base_url, std::string_view path, std::string_view digest) {
    while (!files_base_url.empty() && files_base_url.back() == '/') files_base_url.remove_suffix(1);
    return fmt::format("{}/{}?h={}", files_base_url, encode_url_path(path), digest);
}

std::expected<void, std::string> run_update(UpdateJob& job, const ProgressSink& sink,
                                            const std::atomic<bool>& cancel) {
    const UpdateConfig& update = job.update;
    if (!update.enabled || !update.manifest_url || is_blank(*update.manifest_url)) return {};
    if (!starts_with_https(update.manifest_url) || !starts_with_https(update.files_base_url))
        return std::unexpected("endereço de atualização inválido (precisa ser https).");

    report(sink, 0, 0, 0, "Buscando atualizações...");
    auto agent = HttpAgent::create(HttpAgentOptions{.connect_timeout = std::chrono::seconds(30),
                                                    .io_timeout = std::chrono::seconds(120),
                                                    .user_agent = UPDATER_USER_AGENT,
                                                    .extra_ca_file = job.extra_ca_file});
    if (!agent) return std::unexpected("não foi possível iniciar o TLS");

    auto body = fetch_manifest_text(*agent, manifest_request_url(*update.manifest_url, ticks_now()));
    if (!body) return std::unexpected(body.error());
    auto manifest = read_manifest_record(strip_utf8_bom(*body));
    if (!manifest) return std::unexpected(format_invalid_manifest(manifest.error()));

    const std::filesystem::path exe_path = job.launcher_exe.empty() ? current_exe_path() : job.launcher_exe;
    std::vector<ManifestFile> entries = sanitize_manifest_paths(manifest->files.value_or(std::vector<ManifestFile>{}));
    if (job.skip_launcher_exe) retain_entries_not_same_path(entries, job.game_dir, exe_path);

    HashCache cache = load_hash_cache(job.game_dir);
    report(sink, 0, 0, 0, "Verificando arquivos...");
    const std::vector<bool> needs =
        verify_entries(entries, job.game_dir, cache, verify_worker_count(processor_count()), sink, cancel);
    if (cancel.load()) return std::unexpected(CANCELLED);
    save_hash_cache(job.game_dir, cache);

    std::vector<const ManifestFile*> downloads;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (needs[i]) downloads.push_back(&entries[i]);
    if (downloads.empty()) {
        report(sink, 1.0, 1.0, 0, "Cliente atualizado.");
        return {};
    }

    std::uint64_t listed_bytes = 0;
    for (const ManifestFile* entry : downloads)  // saturating: sizes come from the server
        listed_bytes = entry->size > UINT64_MAX - listed_bytes ? UINT64_MAX : listed_bytes + entry->size;
    DownloadContext ctx{.agent = *agent, .sink = sink, .cancel = cancel,
                        .total_bytes = std::max<std::uint64_t>(listed_bytes, 1)};
    for (const ManifestFile* entry : downloads) {
        if (cancel.load()) return std::unexpected(CANCELLED);
        if (auto done = download_entry(ctx, job, *update.files_base_url, *entry, exe_path, job.launcher_replaced,
                                       cache);
            !done)
            return done;
        ctx.done_bytes += entry->size;
    }
    save_hash_cache(job.game_dir, cache);
    report(sink, 1.0, 1.0, 0, "Atualização concluída.");
    return {};
}

}  // namespace qo

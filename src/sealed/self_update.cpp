#include "sealed/self_update.h"


#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/files.h"
#include "sealed/update_agent.h"
#include "util/date_time.h"
#include "util/http_agent.h"
#include "util/sha256.h"
#include "util/text.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

std::optional<nlohmann::json> parse_json(std::string_view text) {
    // Strict: invalid UTF-8 and anything but white space after the value are errors.
    nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

// The body of a GET, at most `limit` bytes; nothing on any failure or a set cancel flag.
std::optional<std::string> download(HttpAgent& agent, const std::string& url, std::size_t limit,
                                    const std::atomic<bool>& cancel) {
    std::string body;
    bool cancelled = false;
    auto on_chunk = [&](std::string_view chunk) {
        if (cancel.load()) {
            cancelled = true;
            return HttpFlow::stop;
        }
        body.append(chunk.substr(0, limit - body.size()));
        return body.size() >= limit ? HttpFlow::stop : HttpFlow::proceed;
    };
    auto outcome = agent.get(url, [](const HttpResponseHead&) { return HttpFlow::proceed; }, on_chunk);
    if (!outcome || outcome->is_error_status() || cancelled) return std::nullopt;
    return body;
}

fs::path with_suffix(const fs::path& path, std::string_view suffix) {
    fs::path result = path;
    result += suffix;
    return result;
}

}  // namespace

std::optional<PublishedLauncher> parse_self_update_document(std::string_view bytes) {
    bytes = strip_utf8_bom(bytes);
    auto document = parse_json(bytes);
    if (!document || !document->is_object()) return std::nullopt;
    auto launcher = document->find("Launcher");
    if (launcher == document->end() || !launcher->is_object()) return std::nullopt;
    auto sha = launcher->find("Sha256");
    if (sha == launcher->end() || !sha->is_string()) return std::nullopt;
    std::string digest = ascii_lowercase(trim_white_space(sha->get_ref<const std::string&>()));
    auto size = launcher->find("Size");
    if (size == launcher->end() || !size->is_number_unsigned()) return std::nullopt;
    std::uint64_t value = size->get<std::uint64_t>();
    if (!is_lower_hex(digest, 64) || value < 1 || value > SELF_UPDATE_MAX_SIZE) return std::nullopt;
    return PublishedLauncher{value, digest};
}

bool self_update_launcher(const std::atomic<bool>& cancel, const SelfUpdateSettings& settings) {
    auto agent = HttpAgent::create(
        update_agent_options(settings.connect_timeout, settings.io_timeout, settings.extra_ca_file));
    if (!agent) return false;

    auto document = agent->get_body(fmt::format("{}/launcher.json?t={}", settings.update_base_url, ticks_now()),
                                    SELF_UPDATE_DOCUMENT_LIMIT);
    if (!document || document->is_error_status()) return false;
    auto published = parse_self_update_document(document->bytes);
    if (!published) return false;

    auto current = sha256_file_hex(settings.exe);
    if (!current || *current == published->sha256) return false;

    // Read one byte past the announced size, so a longer body is seen without reading all of it.
    auto body = download(*agent,
                         fmt::format("{}/files/QoTarmish.exe?h={}", settings.update_base_url, published->sha256),
                         published->size + 1, cancel);
    if (!body || body->size() != published->size || hex_lower(sha256_bytes(*body)) != published->sha256)
        return false;

    const fs::path part = with_suffix(settings.exe, ".part");
    const fs::path old = with_suffix(settings.exe, ".old");
    if (!write_whole_file(part, *body)) return false;
    // The new file must stay runnable under the executable's name: give it the running file's permissions.
    std::error_code ec;
    fs::permissions(part, fs::status(settings.exe, ec).permissions(), ec);
    (void)remove_file(old);
    // The running file keeps its name until the new one takes it in one rename: never a moment without a launcher.
    if (!keep_as_backup(settings.exe, old)) {
        (void)remove_file(part);
        return false;
    }
    if (!rename_replace(part, settings.exe)) {
        (void)remove_file(old);  // the executable is still the previous one
        return false;
    }
    return true;
}

}  // namespace qo

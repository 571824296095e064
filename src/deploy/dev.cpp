// Development values: each one may be overridden by a QO_DEV_* environment variable; the defaults point at the
// demo server on 127.0.0.1.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "deploy/deployment.h"

namespace qo {
namespace {

std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

std::vector<std::uint8_t> read_key_blob(const std::string& path) {
    if (path.empty()) return {};
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rbe"),  // "e": close-on-exec
                                                             &std::fclose);
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 4096> buffer;
    while (const std::size_t n = in ? std::fread(buffer.data(), 1, buffer.size(), in.get()) : 0)
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    return bytes;
}

}  // namespace

const Deployment& deployment() {
    static const Deployment values{
        .update_base_url = env_or("QO_DEV_UPDATE_URL", "https://127.0.0.1:47443"),
        .site_base_url = env_or("QO_DEV_SITE_URL", "https://127.0.0.1:47443"),
        .extra_ca_file = env_or("QO_DEV_CA_FILE", ""),
        .game_server = env_or("QO_DEV_GAME_SERVER", "127.0.0.1:44409"),
        .release_key_blob = read_key_blob(env_or("QO_DEV_RELEASE_KEY", "")),
    };
    return values;
}

}  // namespace qo

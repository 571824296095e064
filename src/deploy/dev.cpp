// Development values: each one may be overridden by a QO_DEV_* environment variable; the defaults point at the
// demo server on 127.0.0.1.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "deploy/deployment.h"

namespace qo {
namespace {

std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

std::vector<std::uint8_t> read_key_blob(const std::string& path) {
    if (path.empty()) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
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

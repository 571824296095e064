#pragma once
// Deployment values fixed at build time. Two executables are linked from the same objects: QoTarmish with the
// production values (no run-time override) and QoTarmish-dev, which reads QO_DEV_* variables and otherwise points
// at the demo server on 127.0.0.1. Code below src/main takes these values as arguments; only start-up reads them.
#include <cstdint>
#include <string>
#include <vector>

namespace qo {

struct Deployment {
    std::string update_base_url;  // https scheme and host (and port), no trailing slash
    std::string site_base_url;    // https scheme and host, no trailing slash
    std::string extra_ca_file;    // a PEM file trusted besides the system store; empty for none
    std::string game_server;      // "host:port" probed for the server status
    std::vector<std::uint8_t> release_key_blob;  // 276-byte RSA public-key blob that signs releases
};

// The values of the executable being run (chosen by which deploy library it links).
const Deployment& deployment();

}  // namespace qo

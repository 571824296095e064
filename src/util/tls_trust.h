#pragma once
// The certificates HTTPS connections trust: the system bundle and CA folder plus the deployment's extra CA file.
// Parsing a bundle of about 150 certificates costs milliseconds of CPU and contends on OpenSSL's decoder locks, so
// it must not happen per connection. Each distinct extra CA file gets one shared trust while anything holds it:
// an OpenSSL certificate store handed to every TLS connection of every agent that uses it, and a libcurl share
// through which those agents reuse each other's TLS sessions and DNS answers. Agents with different trust never
// share sessions (a resumed session skips certificate verification). Once the last holder lets go (the window's
// fetches and update jobs end) the trust is freed, about 1 MB in some 12,000 blocks; the next agent builds it
// again.
#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>

namespace qo {

struct TlsTrust;

// The trust for `extra_ca_file` (empty for none): the one that is held already, or one built now. Null when the
// extra file can't be read or holds no certificate (then nothing is kept, a later call tries again).
std::shared_ptr<TlsTrust> shared_tls_trust(const std::string& extra_ca_file);

// Makes `handle` verify peers against the shared store alone and join the trust's share; false when libcurl
// refuses an option. The handle must be cleaned up before the trust is let go.
bool attach_tls_trust(CURL* handle, TlsTrust& trust);

// Process-wide counts, for tests and diagnostics.
struct TlsTrustCounters {
    std::uint64_t stores_parsed = 0;  // certificate stores built (one per distinct extra CA file while held)
    std::uint64_t connections = 0;    // TLS connections given a shared store
};
TlsTrustCounters tls_trust_counters();

}  // namespace qo

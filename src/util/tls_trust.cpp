#include "util/tls_trust.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace qo {

struct TlsTrust {
    X509_STORE* store = nullptr;
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;  // one per kind of shared data

    TlsTrust() = default;
    TlsTrust(const TlsTrust&) = delete;
    TlsTrust& operator=(const TlsTrust&) = delete;
    // No transfer handle uses the share any more (each holder cleans its handle up first). A TLS context that
    // still holds the store keeps it alive through OpenSSL's own count.
    ~TlsTrust() {
        if (share != nullptr) curl_share_cleanup(share);
        if (store != nullptr) X509_STORE_free(store);
    }
};

namespace {

std::atomic<std::uint64_t> stores_parsed{0};
std::atomic<std::uint64_t> connections_given_store{0};

std::optional<std::string> read_whole_file(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rbe"),  // "e": close-on-exec
                                                             &std::fclose);
    if (!in) return std::nullopt;
    std::string bytes;
    std::array<char, 65536> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get())) bytes.append(buffer.data(), n);
    if (std::ferror(in.get())) return std::nullopt;
    return bytes;
}

// Where libcurl looks for the system's certificates when told nothing else: the bundle file and the hashed
// folder of the same certificates.
struct SystemLocations {
    std::string bundle;
    std::string folder;
};

const SystemLocations& system_locations() {
    static const SystemLocations locations = [] {
        SystemLocations found;
        if (CURL* probe = curl_easy_init()) {
            char* text = nullptr;
            if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &text) == CURLE_OK && text != nullptr) found.bundle = text;
            text = nullptr;
            if (curl_easy_getinfo(probe, CURLINFO_CAPATH, &text) == CURLE_OK && text != nullptr) found.folder = text;
            curl_easy_cleanup(probe);
        }
        return found;
    }();
    return locations;
}

// Adds every certificate (and revocation list) of a PEM text; the number of certificates added.
int add_pem_certificates(X509_STORE* store, const std::string& pem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                  &BIO_free);
    if (!bio) return 0;
    STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio.get(), nullptr, nullptr, nullptr);
    if (infos == nullptr) return 0;
    int added = 0;
    for (int i = 0; i < sk_X509_INFO_num(infos); ++i) {
        X509_INFO* info = sk_X509_INFO_value(infos, i);
        if (info->x509 != nullptr && X509_STORE_add_cert(store, info->x509) == 1) ++added;
        if (info->crl != nullptr) X509_STORE_add_crl(store, info->crl);
    }
    sk_X509_INFO_pop_free(infos, X509_INFO_free);
    return added;
}

// The trust libcurl itself would build for one connection: the system bundle, the system folder looked up by
// subject hash when a certificate is needed, and the extra certificates; intermediates in the store count as
// anchors and trusted issuers are tried first, as libcurl sets by default.
X509_STORE* build_store(const std::string& extra_ca_file) {
    std::optional<std::string> extra;
    if (!extra_ca_file.empty()) {
        extra = read_whole_file(extra_ca_file);
        if (!extra || extra->find("-----BEGIN CERTIFICATE-----") == std::string::npos) return nullptr;
    }
    X509_STORE* store = X509_STORE_new();
    if (store == nullptr) return nullptr;
    const SystemLocations& system = system_locations();
    if (!system.bundle.empty()) (void)X509_STORE_load_file(store, system.bundle.c_str());
    if (!system.folder.empty()) (void)X509_STORE_load_path(store, system.folder.c_str());
    if (extra && add_pem_certificates(store, *extra) == 0) {
        X509_STORE_free(store);
        return nullptr;
    }
    X509_STORE_set_flags(store, X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    stores_parsed.fetch_add(1);
    return store;
}

void lock_shared_data(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<TlsTrust*>(user)->locks[static_cast<std::size_t>(data)].lock();
}

void unlock_shared_data(CURL*, curl_lock_data data, void* user) {
    static_cast<TlsTrust*>(user)->locks[static_cast<std::size_t>(data)].unlock();
}

CURLSH* make_share(TlsTrust& trust) {
    CURLSH* share = curl_share_init();
    if (share == nullptr) return nullptr;
    const bool ok = curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &lock_shared_data) == CURLSHE_OK &&
                    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &unlock_shared_data) == CURLSHE_OK &&
                    curl_share_setopt(share, CURLSHOPT_USERDATA, &trust) == CURLSHE_OK &&
                    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK &&
                    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK;
    if (!ok) {
        curl_share_cleanup(share);
        return nullptr;
    }
    return share;
}

// Called by libcurl for every new TLS connection, before the handshake.
CURLcode give_shared_store(CURL*, void* ssl_ctx, void* user) {
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(ssl_ctx), static_cast<TlsTrust*>(user)->store);
    connections_given_store.fetch_add(1);
    return CURLE_OK;
}

}  // namespace

std::shared_ptr<TlsTrust> shared_tls_trust(const std::string& extra_ca_file) {
    // The map only remembers trusts that are held; it is never destroyed, so a holder may let go of one even while
    // static objects are torn down.
    static std::mutex mutex;
    static auto& trusts = *new std::map<std::string, std::weak_ptr<TlsTrust>>;
    std::lock_guard lock(mutex);
    if (auto found = trusts.find(extra_ca_file); found != trusts.end()) {
        if (std::shared_ptr<TlsTrust> held = found->second.lock()) return held;
        trusts.erase(found);
    }

    auto trust = std::make_shared<TlsTrust>();
    trust->store = build_store(extra_ca_file);
    if (trust->store == nullptr) return nullptr;
    trust->share = make_share(*trust);
    if (trust->share == nullptr) return nullptr;
    trusts.emplace(extra_ca_file, trust);
    return trust;
}

bool attach_tls_trust(CURL* handle, TlsTrust& trust) {
    // No file or folder of libcurl's own: the shared store is the whole trust.
    return curl_easy_setopt(handle, CURLOPT_CAINFO, nullptr) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &give_shared_store) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_SSL_CTX_DATA, &trust) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_SHARE, trust.share) == CURLE_OK;
}

TlsTrustCounters tls_trust_counters() { return {stores_parsed.load(), connections_given_store.load()}; }

}  // namespace qo

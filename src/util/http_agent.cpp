#include "util/http_agent.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <limits>
#include <mutex>

#include "util/text.h"
#include "util/tls_trust.h"
#include "util/transfer_error_text.h"

namespace qo {
namespace {

constexpr const char* TLS_SETUP_ERROR = "não foi possível iniciar o TLS";

void init_transport_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
#ifdef SIGPIPE
        // A peer that closes mid-transfer must give an error, not end the process.
        std::signal(SIGPIPE, SIG_IGN);
#endif
    });
}

std::string_view trim_header_space(std::string_view text) {
    constexpr std::string_view space = " \t\r\n";
    auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    auto last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

// "HTTP/1.1 200 OK" -> 200; 0 when the line holds no status.
int status_from_line(std::string_view line) {
    auto space = line.find(' ');
    if (space == std::string_view::npos) return 0;
    int status = 0;
    int digits = 0;
    for (std::size_t i = space + 1; i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 3; ++i) {
        status = status * 10 + (line[i] - '0');
        ++digits;
    }
    return digits == 3 ? status : 0;
}

// Watches the speed floor of one request: bytes received (head and body) sampled over time, compared with the
// floor over the last window.
class SpeedWatch {
public:
    using Clock = std::chrono::steady_clock;

    SpeedWatch(const SpeedFloor& floor, Clock::time_point start)
        : window_(floor.window),
          min_bytes_(floor.bytes_per_second * static_cast<std::uint64_t>(floor.window.count()) / 1000),
          enabled_(floor.bytes_per_second > 0 && floor.window.count() > 0) {
        samples_.push_back({start, 0});
    }

    // True when fewer than the floor's bytes arrived in the window that ends now. The window is measured from
    // the newest sample at least a window old, so it is never shorter than the floor's: a transfer that fails
    // here averaged below the floor over a whole window.
    bool too_slow(Clock::time_point now, std::uint64_t received) {
        if (!enabled_) return false;
        if (now - samples_.back().time >= window_ / SAMPLES_PER_WINDOW) samples_.push_back({now, received});
        while (samples_.size() > 1 && samples_[1].time <= now - window_) samples_.pop_front();
        const Sample& oldest = samples_.front();
        return oldest.time <= now - window_ && received - oldest.received < min_bytes_;
    }

private:
    static constexpr int SAMPLES_PER_WINDOW = 16;
    struct Sample {
        Clock::time_point time;
        std::uint64_t received;
    };
    std::chrono::milliseconds window_;
    std::uint64_t min_bytes_;
    bool enabled_;
    std::deque<Sample> samples_;
};

// State of one request, shared with the transport's callbacks.
struct Transfer {
    Transfer(const HttpHeadHandler& head_handler, const HttpChunkHandler& chunk_handler, const SpeedFloor& floor)
        : on_head(&head_handler), on_chunk(&chunk_handler), speed(floor, SpeedWatch::Clock::now()) {}

    const HttpHeadHandler* on_head = nullptr;
    const HttpChunkHandler* on_chunk = nullptr;
    HttpResponseHead head;
    bool head_delivered = false;
    bool stopped = false;
    bool error_status_seen = false;
    std::uint64_t received = 0;  // bytes of heads and bodies so far
    SpeedWatch speed;
    bool below_speed_floor = false;
};

std::size_t on_header_line(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    std::string_view line(data, size * count);
    transfer.received += line.size();
    if (line.starts_with("HTTP/")) {
        // A new answer begins (a redirect or an interim answer came before): forget the previous head.
        transfer.head = HttpResponseHead{status_from_line(line), std::nullopt};
    } else if (ascii_istarts_with(line, "content-length:")) {
        transfer.head.content_length = std::string(trim_header_space(line.substr(15)));
    }
    return size * count;
}

// Returns false when the caller stopped the transfer.
bool deliver_head(Transfer& transfer) {
    transfer.head_delivered = true;
    if (*transfer.on_head && (*transfer.on_head)(transfer.head) == HttpFlow::stop) {
        transfer.stopped = true;
        return false;
    }
    return true;
}

std::size_t on_body_bytes(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t total = size * count;
    transfer.received += total;
    if (transfer.head.status >= 400) {
        transfer.error_status_seen = true;
        return 0;  // an error answer's body is of no use: end the transfer
    }
    if (!transfer.head_delivered && !deliver_head(transfer)) return 0;
    for (std::size_t offset = 0; offset < total; offset += HTTP_CHUNK_MAX) {
        std::string_view chunk(data + offset, std::min(HTTP_CHUNK_MAX, total - offset));
        if (*transfer.on_chunk && (*transfer.on_chunk)(chunk) == HttpFlow::stop) {
            transfer.stopped = true;
            return 0;
        }
    }
    return total;
}

// Called by the transport at least once a second while a request runs; a non-zero answer aborts it.
int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (!transfer.speed.too_slow(SpeedWatch::Clock::now(), transfer.received)) return 0;
    transfer.below_speed_floor = true;
    return 1;
}

// Connections are opened close-on-exec, so that no program this process starts inherits one (the socket calls
// come with libcurl's own header).
curl_socket_t open_close_on_exec_socket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

template <typename T>
bool set(CURL* handle, CURLoption option, T value) {
    return curl_easy_setopt(handle, option, value) == CURLE_OK;
}

}  // namespace

struct HttpAgent::Impl {
    std::shared_ptr<TlsTrust> trust;  // let go of only after the handle is cleaned up (the destructor's body)
    CURL* handle = nullptr;
    char error_text[CURL_ERROR_SIZE] = {};
    SpeedFloor speed_floor;

    // A request cut by the speed floor ends as a time-out, worded like the transport's own.
    void report_below_speed_floor(CURLcode& code) {
        code = CURLE_OPERATION_TIMEDOUT;
        auto end = fmt::format_to_n(error_text, CURL_ERROR_SIZE - 1,
                                    "Operation too slow. Less than {} bytes/sec transferred the last {} seconds",
                                    speed_floor.bytes_per_second,
                                    std::chrono::duration<double>(speed_floor.window).count());
        *end.out = '\0';
    }

    ~Impl() {
        if (handle != nullptr) curl_easy_cleanup(handle);
    }
};

HttpAgent::HttpAgent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
HttpAgent::HttpAgent(HttpAgent&&) noexcept = default;
HttpAgent& HttpAgent::operator=(HttpAgent&&) noexcept = default;
HttpAgent::~HttpAgent() = default;

std::expected<HttpAgent, std::string> HttpAgent::create(const HttpAgentOptions& options) {
    init_transport_once();
    const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
    if (version == nullptr || (version->features & CURL_VERSION_SSL) == 0) return std::unexpected(TLS_SETUP_ERROR);

    std::shared_ptr<TlsTrust> trust = shared_tls_trust(options.extra_ca_file);
    if (trust == nullptr) return std::unexpected(TLS_SETUP_ERROR);

    auto impl = std::make_unique<Impl>();
    impl->trust = trust;
    impl->speed_floor = options.speed_floor;
    impl->handle = curl_easy_init();
    CURL* h = impl->handle;
    if (h == nullptr) return std::unexpected(TLS_SETUP_ERROR);

    const long io_seconds = std::max<long>(1, static_cast<long>(options.io_timeout.count()));
    bool ok = set(h, CURLOPT_NOSIGNAL, 1L) && set(h, CURLOPT_ERRORBUFFER, impl->error_text) &&
              set(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(options.connect_timeout.count())) &&
              set(h, CURLOPT_LOW_SPEED_LIMIT, 1L) && set(h, CURLOPT_LOW_SPEED_TIME, io_seconds) &&
              set(h, CURLOPT_FOLLOWLOCATION, 1L) && set(h, CURLOPT_MAXREDIRS, static_cast<long>(options.max_redirects)) &&
              set(h, CURLOPT_PROTOCOLS_STR, "http,https") && set(h, CURLOPT_REDIR_PROTOCOLS_STR, "https") &&
              set(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
              set(h, CURLOPT_SSL_VERIFYPEER, 1L) && set(h, CURLOPT_SSL_VERIFYHOST, 2L) &&
              set(h, CURLOPT_BUFFERSIZE, static_cast<long>(HTTP_CHUNK_MAX)) &&
              set(h, CURLOPT_HEADERFUNCTION, &on_header_line) && set(h, CURLOPT_WRITEFUNCTION, &on_body_bytes) &&
              set(h, CURLOPT_NOPROGRESS, 0L) && set(h, CURLOPT_XFERINFOFUNCTION, &on_progress) &&
              set(h, CURLOPT_OPENSOCKETFUNCTION, &open_close_on_exec_socket) && attach_tls_trust(h, *trust);
    if (ok && !options.user_agent.empty()) ok = set(h, CURLOPT_USERAGENT, options.user_agent.c_str());
    if (!ok) return std::unexpected(TLS_SETUP_ERROR);
    return HttpAgent(std::move(impl));
}

std::expected<HttpOutcome, std::string> HttpAgent::get(const std::string& url, const HttpHeadHandler& on_head,
                                                       const HttpChunkHandler& on_chunk) {
    CURL* h = impl_->handle;
    Transfer transfer(on_head, on_chunk, impl_->speed_floor);
    impl_->error_text[0] = '\0';
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    CURLcode code = curl_easy_perform(h);
    if (code == CURLE_ABORTED_BY_CALLBACK && transfer.below_speed_floor) impl_->report_below_speed_floor(code);

    if (code == CURLE_OK) {
        if (transfer.head.status < 400 && !transfer.head_delivered) deliver_head(transfer);
        return HttpOutcome{transfer.head.status, transfer.stopped};
    }
    if (code == CURLE_WRITE_ERROR && (transfer.stopped || transfer.error_status_seen)) {
        return HttpOutcome{transfer.head.status, transfer.stopped};
    }
    long socket_errno = 0;
    curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &socket_errno);
    const char* detail = impl_->error_text[0] != '\0' ? impl_->error_text : curl_easy_strerror(code);
    return std::unexpected(transfer_error_text(code, socket_errno, detail));
}

std::expected<HttpBody, std::string> HttpAgent::get_body(const std::string& url, std::size_t limit) {
    HttpBody body;
    auto outcome = get(url, {}, [&](std::string_view chunk) {
        const std::size_t room = limit - body.bytes.size();
        if (chunk.size() > room) {
            body.bytes.append(chunk.substr(0, room));
            body.cut = true;
            return HttpFlow::stop;
        }
        body.bytes.append(chunk);
        return HttpFlow::proceed;
    });
    if (!outcome) return std::unexpected(std::move(outcome.error()));
    body.status = outcome->status;
    if (outcome->is_error_status()) body.bytes.clear();
    return body;
}

std::string http_status_error_text(int status) { return fmt::format("o servidor respondeu {}", status); }

std::optional<std::uint64_t> parse_content_length(std::string_view value) {
    if (value.starts_with('+')) value.remove_prefix(1);
    if (value.empty()) return std::nullopt;
    std::uint64_t number = 0;
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (number > (max - digit) / 10) return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}

}  // namespace qo

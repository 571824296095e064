#pragma once
// A small blocking HTTPS client: one agent holds one transfer handle with its time-outs and User-Agent, and runs
// GET requests one after another, keeping its connection open between them where the server allows. The trusted
// certificates are parsed once and shared by all agents that live at the same time (util/tls_trust.h), and so are
// TLS sessions between agents of the same trust. An agent belongs to one thread at a time; never share one between
// threads (give every worker its own).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qo {

// The slowest transfer an agent puts up with: one that receives fewer than `bytes_per_second` on average over
// any `window` (counted from the start of the request) ends like a time-out. A trickling server must not hold a
// request open for days. Zero in either field turns the floor off.
struct SpeedFloor {
    std::uint64_t bytes_per_second = 1024;
    std::chrono::milliseconds window{120'000};
};

struct HttpAgentOptions {
    std::chrono::seconds connect_timeout{30};
    // A transfer that moves no byte for this long ends with a time-out (waiting for the answer included).
    std::chrono::seconds io_timeout{120};
    SpeedFloor speed_floor{};
    std::string user_agent;     // sent as the User-Agent header of every request
    std::string extra_ca_file;  // PEM certificates trusted besides the system store; empty for none
    int max_redirects = 5;      // redirects followed per request; one more fails the request
};

// The answer's status line and headers, seen before any byte of the body.
struct HttpResponseHead {
    int status = 0;
    // The Content-Length header exactly as sent (white space around it removed); absent when not sent.
    std::optional<std::string> content_length;
};

enum class HttpFlow { proceed, stop };

using HttpHeadHandler = std::function<HttpFlow(const HttpResponseHead&)>;
// Receives the body in order, in pieces of at most HTTP_CHUNK_MAX bytes.
using HttpChunkHandler = std::function<HttpFlow(std::string_view chunk)>;

inline constexpr std::size_t HTTP_CHUNK_MAX = 65536;

// How a request ended when the transport did not fail.
struct HttpOutcome {
    int status = 0;        // status of the final answer (after redirects)
    bool stopped = false;  // a handler answered HttpFlow::stop; the rest of the body was not read

    // Status 400 and above: the handlers were not called and no body was delivered.
    bool is_error_status() const { return status >= 400; }
};

// A body read into memory with a size limit.
struct HttpBody {
    int status = 0;
    std::string bytes;  // at most `limit` bytes; empty for an error status
    bool cut = false;   // the body went on past the limit; `bytes` holds its first `limit` bytes

    bool is_error_status() const { return status >= 400; }
};

class HttpAgent {
public:
    // Fails with "não foi possível iniciar o TLS" when the transfer handle or the trust store can't be set up
    // (an extra CA file that can't be read included).
    static std::expected<HttpAgent, std::string> create(const HttpAgentOptions& options);

    HttpAgent(HttpAgent&&) noexcept;
    HttpAgent& operator=(HttpAgent&&) noexcept;
    ~HttpAgent();

    // GET url, following redirects. on_head is called once with the final answer's head before any body byte;
    // on_chunk then receives the body. Either may answer stop, which ends the transfer at once
    // (outcome.stopped). For a status of 400 and above neither is called and the body is dropped.
    // Errors: the Portuguese text of the failure (connection, TLS, time-out, a transfer below the speed floor, too
    // many redirects, a body cut short of its Content-Length or a Content-Length the transport can't read, ...),
    // util/transfer_error_text.h.
    std::expected<HttpOutcome, std::string> get(const std::string& url, const HttpHeadHandler& on_head,
                                                const HttpChunkHandler& on_chunk);

    // GET url and keep at most `limit` bytes of the body; reading stops just past the limit.
    std::expected<HttpBody, std::string> get_body(const std::string& url, std::size_t limit);

private:
    struct Impl;
    explicit HttpAgent(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// "o servidor respondeu {}" with the numeric status.
std::string http_status_error_text(int status);

// A Content-Length value read strictly: an optional leading "+", then decimal digits only, no overflow.
// Anything else (empty, letters, a minus sign, spaces inside) gives no value.
std::optional<std::uint64_t> parse_content_length(std::string_view value);

}  // namespace qo

#pragma once
// An HTTPS server on 127.0.0.1 for tests, with the test-only certificate of data/tls. Answers are set per path
// (the query is ignored for routing but kept in the request log); faults are set per path too, so one test can
// break a single download of many: a lying or missing Content-Length, a body cut by a dropped connection, a slow
// or stalled body, another status. Every request is logged with its query and headers.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qo::test {

struct RecordedRequest {
    std::string method;
    std::string path;    // decoded path, without the query
    std::string query;   // raw text after '?', empty when none
    std::string target;  // the request target as sent: path and query
    std::vector<std::pair<std::string, std::string>> headers;

    // The first value of a header, its name compared without ASCII case; empty when absent.
    std::string header(std::string_view name) const;
};

struct HttpReply {
    int status = 200;
    std::string body{};
    std::vector<std::pair<std::string, std::string>> headers{};  // extra headers, e.g. Location
    std::string content_type = "application/octet-stream";
};

// Misbehaviour laid over whatever answers a path (a reply, a handler or a served file).
struct HttpFault {
    std::optional<int> status{};                // answer with this status, keeping the body
    std::optional<std::string> content_length{};  // announce this Content-Length text instead of the true length
    bool no_content_length = false;             // announce none; the body ends when the connection closes
    std::optional<std::size_t> close_after{};   // close the connection after this many body bytes
    std::chrono::milliseconds head_delay{0};    // wait before sending anything
    std::size_t chunk_size = 65536;             // the body goes out in pieces of this size...
    std::chrono::milliseconds chunk_delay{0};   // ...each sent after this pause
    // After this many body bytes nothing more is sent until stall_time has passed (or the server stops).
    std::optional<std::size_t> stall_after{};
    std::chrono::milliseconds stall_time{60000};
    // How many of the next requests to the path it spoils; negative for every request. Once used up it is gone.
    int times = -1;
};

using HttpHandler = std::function<HttpReply(const RecordedRequest&)>;

class HttpsServer {
public:
    // Listens on a free port of 127.0.0.1 at once; unknown paths answer 404 with an empty body.
    HttpsServer();
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    int port() const;
    // "https://127.0.0.1:<port>"
    const std::string& base_url() const;
    // base_url() + path_and_query (which starts with '/').
    std::string url(std::string_view path_and_query) const;
    // The test-only CA that signed the server's certificate: the extra CA file for clients.
    static std::filesystem::path ca_file();

    // What a path answers; a handler wins over a reply, a reply over a served folder.
    void set_reply(const std::string& path, HttpReply reply);
    void set_body(const std::string& path, std::string body);  // status 200
    void set_status(const std::string& path, int status);      // empty body
    void set_redirect(const std::string& path, const std::string& location, int status = 302);
    void set_handler(const std::string& path, HttpHandler handler);
    // Files of folder under url_prefix ("/client/releases" serves folder/x/y at "/client/releases/x/y").
    void serve_folder(const std::string& url_prefix, const std::filesystem::path& folder);

    void set_fault(const std::string& path, HttpFault fault);
    void clear_fault(const std::string& path);

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requests_to(std::string_view path) const;
    void clear_requests();

    // Stops listening, wakes stalled bodies and joins; the destructor does it too.
    void stop();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qo::test

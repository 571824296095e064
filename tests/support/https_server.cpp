#include "support/https_server.h"

#include <httplib.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

#include "util/text.h"

namespace qo::test {
namespace {

constexpr std::size_t SERVER_THREADS = 32;  // enough for a dozen parallel slow downloads and then some
constexpr std::size_t KEEP_ALIVE_REQUESTS = 1000;  // clients keep their connections as they would with a real server

std::filesystem::path tls_dir() { return std::filesystem::path(QO_TEST_DATA_DIR) / "tls"; }

std::optional<std::string> read_served_file(const std::filesystem::path& folder, std::string_view rel) {
    std::filesystem::path file = folder;
    std::size_t start = 0;
    while (start <= rel.size()) {
        std::size_t end = rel.find('/', start);
        if (end == std::string_view::npos) end = rel.size();
        std::string_view part = rel.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") file /= std::string(part);
        start = end + 1;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

RecordedRequest record_of(const httplib::Request& req) {
    RecordedRequest record;
    record.method = req.method;
    record.path = req.path;
    record.target = req.target;
    if (auto q = req.target.find('?'); q != std::string::npos) record.query = req.target.substr(q + 1);
    for (const auto& [name, value] : req.headers) record.headers.emplace_back(name, value);
    return record;
}

}  // namespace

std::string RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (ascii_iequals(key, name)) return value;
    }
    return {};
}

struct HttpsServer::State {
    httplib::SSLServer server{(tls_dir() / "test-only-server.pem").c_str(),
                              (tls_dir() / "test-only-server.key").c_str()};
    int port = 0;
    std::string base_url;
    std::thread listener;

    mutable std::mutex mutex;
    std::condition_variable wake;  // stalled bodies wait on it
    bool stopping = false;
    std::map<std::string, HttpReply> replies;
    std::map<std::string, HttpHandler> handlers;
    std::vector<std::pair<std::string, std::filesystem::path>> folders;
    std::map<std::string, HttpFault> faults;
    std::vector<RecordedRequest> log;

    // Sleeps for `time` unless the server stops first; false when it stopped.
    bool pause(std::chrono::milliseconds time) {
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, time, [&] { return stopping; });
    }

    std::optional<HttpFault> take_fault(const std::string& path) {
        std::lock_guard lock(mutex);
        auto it = faults.find(path);
        if (it == faults.end()) return std::nullopt;
        HttpFault fault = it->second;
        if (it->second.times > 0 && --it->second.times == 0) faults.erase(it);
        return fault;
    }

    HttpReply answer_for(const RecordedRequest& request) {
        HttpHandler handler;
        {
            std::lock_guard lock(mutex);
            if (auto it = handlers.find(request.path); it != handlers.end()) {
                handler = it->second;
            } else if (auto it = replies.find(request.path); it != replies.end()) {
                return it->second;
            } else {
                for (const auto& [prefix, folder] : folders) {
                    if (request.path.size() > prefix.size() + 1 && request.path.starts_with(prefix) &&
                        request.path[prefix.size()] == '/') {
                        if (auto bytes = read_served_file(folder, std::string_view(request.path).substr(prefix.size() + 1))) {
                            return HttpReply{200, std::move(*bytes), {}, "application/octet-stream"};
                        }
                    }
                }
                return HttpReply{404, {}, {}, "text/plain"};
            }
        }
        return handler(request);  // outside the lock: a handler may call back into the server
    }

    // Writes the body piece by piece with the fault's pacing; false when the connection is to be dropped.
    bool stream_body(const std::string& body, const HttpFault& fault, httplib::DataSink& sink) {
        const std::size_t piece = std::max<std::size_t>(1, fault.chunk_size);
        const std::size_t end = fault.close_after ? std::min(*fault.close_after, body.size()) : body.size();
        std::size_t sent = 0;
        bool stall_pending = fault.stall_after.has_value();
        while (true) {
            if (stall_pending && sent >= *fault.stall_after) {
                stall_pending = false;
                if (!pause(fault.stall_time)) return false;
            }
            if (sent >= end) break;
            std::size_t size = std::min(piece, end - sent);
            if (stall_pending) size = std::min(size, *fault.stall_after - sent);
            if (fault.chunk_delay.count() > 0 && !pause(fault.chunk_delay)) return false;
            if (!sink.write(body.data() + sent, size)) return false;
            sent += size;
        }
        return end == body.size();
    }

    void respond(const httplib::Request& req, httplib::Response& res) {
        RecordedRequest request = record_of(req);
        {
            std::lock_guard lock(mutex);
            log.push_back(request);
        }
        HttpReply reply = answer_for(request);
        HttpFault fault = take_fault(request.path).value_or(HttpFault{});
        if (fault.head_delay.count() > 0 && !pause(fault.head_delay)) {
            res.status = 503;
            return;
        }
        res.status = fault.status.value_or(reply.status);
        for (const auto& [name, value] : reply.headers) res.set_header(name, value);

        auto body = std::make_shared<std::string>(std::move(reply.body));
        const bool plain = !fault.content_length && !fault.no_content_length;
        if (plain && body->empty()) return;  // "Content-Length: 0"
        if (plain) {
            // True length, connection kept alive afterwards.
            res.set_content_provider(body->size(), reply.content_type,
                                     [this, body, fault](std::size_t, std::size_t, httplib::DataSink& sink) {
                                         return stream_body(*body, fault, sink);
                                     });
            return;
        }
        // Any other length (or none): closing the connection is what ends the body, so the provider always
        // reports failure, which makes the server close the connection right after the last byte.
        res.set_header("Connection", "close");
        if (fault.content_length) res.set_header("Content-Length", *fault.content_length);
        res.set_content_provider(reply.content_type, [this, body, fault](std::size_t, httplib::DataSink& sink) {
            stream_body(*body, fault, sink);
            return false;
        });
    }
};

HttpsServer::HttpsServer() : state_(std::make_unique<State>()) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a client that goes away mid-body must not end the test run
#endif
    State& s = *state_;
    if (!s.server.is_valid()) {
        std::fprintf(stderr, "https_server: the test certificate could not be loaded from %s\n", tls_dir().c_str());
        std::abort();
    }
    s.server.new_task_queue = [] { return new httplib::ThreadPool(SERVER_THREADS); };
    s.server.set_tcp_nodelay(true);  // head and body go out in separate writes: no waiting for delayed ACKs
    s.server.set_keep_alive_max_count(KEEP_ALIVE_REQUESTS);
    s.server.Get(".*", [&s](const httplib::Request& req, httplib::Response& res) { s.respond(req, res); });
    s.port = s.server.bind_to_any_port("127.0.0.1");
    if (s.port <= 0) {
        std::fprintf(stderr, "https_server: no free port on 127.0.0.1\n");
        std::abort();
    }
    s.base_url = "https://127.0.0.1:" + std::to_string(s.port);
    s.listener = std::thread([&s] { s.server.listen_after_bind(); });
    // stop() only reaches a server that already runs: wait for it, briefly.
    for (int i = 0; i < 5000 && !s.server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HttpsServer::~HttpsServer() { stop(); }

void HttpsServer::stop() {
    State& s = *state_;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    s.wake.notify_all();
    s.server.stop();
    if (s.listener.joinable()) s.listener.join();
}

int HttpsServer::port() const { return state_->port; }
const std::string& HttpsServer::base_url() const { return state_->base_url; }
std::string HttpsServer::url(std::string_view path_and_query) const {
    return state_->base_url + std::string(path_and_query);
}
std::filesystem::path HttpsServer::ca_file() { return tls_dir() / "test-only-ca.pem"; }

void HttpsServer::set_reply(const std::string& path, HttpReply reply) {
    std::lock_guard lock(state_->mutex);
    state_->replies[path] = std::move(reply);
}

void HttpsServer::set_body(const std::string& path, std::string body) {
    set_reply(path, HttpReply{200, std::move(body), {}, "application/octet-stream"});
}

void HttpsServer::set_status(const std::string& path, int status) { set_reply(path, HttpReply{status, {}, {}, "text/plain"}); }

void HttpsServer::set_redirect(const std::string& path, const std::string& location, int status) {
    set_reply(path, HttpReply{status, {}, {{"Location", location}}, "text/plain"});
}

void HttpsServer::set_handler(const std::string& path, HttpHandler handler) {
    std::lock_guard lock(state_->mutex);
    state_->handlers[path] = std::move(handler);
}

void HttpsServer::serve_folder(const std::string& url_prefix, const std::filesystem::path& folder) {
    std::lock_guard lock(state_->mutex);
    std::string prefix = url_prefix;
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    state_->folders.emplace_back(std::move(prefix), folder);
}

void HttpsServer::set_fault(const std::string& path, HttpFault fault) {
    std::lock_guard lock(state_->mutex);
    if (fault.times == 0) {
        state_->faults.erase(path);
    } else {
        state_->faults[path] = std::move(fault);
    }
}

void HttpsServer::clear_fault(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    state_->faults.erase(path);
}

std::vector<RecordedRequest> HttpsServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->log;
}

std::vector<RecordedRequest> HttpsServer::requests_to(std::string_view path) const {
    std::lock_guard lock(state_->mutex);
    std::vector<RecordedRequest> found;
    for (const auto& request : state_->log) {
        if (request.path == path) found.push_back(request);
    }
    return found;
}

void HttpsServer::clear_requests() {
    std::lock_guard lock(state_->mutex);
    state_->log.clear();
}

}  // namespace qo::test

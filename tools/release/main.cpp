// qo-release: the operator's side of sealed releases.
//
//   qo-release keygen <private.pem> <public.blob>
//       Makes a new RSA-2048 release key: the private key as PEM and the 276-byte public blob the launcher
//       verifies with.
//   qo-release build --key <private.pem> [--id <release id>] <client folder> <server folder>
//       Builds and signs a release from a client tree and writes it as the update server serves it:
//       <server folder>/client/current.kxm and <server folder>/client/releases/<id>/<path>.
//   qo-release sign --key <private.pem> <file>
//       Writes the detached signature <file>.sig.
//   qo-release serve --cert <cert.pem> --key <cert-key.pem> [--port <port>] <folder>
//       Serves a folder over HTTPS on 127.0.0.1 (port 0: any free port) until interrupted.
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "release/publisher.h"
#include "release/signing_key.h"
#include "sealed/release_list.h"
#include "sealed/signature.h"

namespace {

using qo::release::SigningKey;

constexpr std::size_t SERVE_THREADS = 16;
constexpr std::size_t SERVE_KEEP_ALIVE_REQUESTS = 1000;

int usage() {
    std::fputs(
        "usage:\n"
        "  qo-release keygen <private.pem> <public.blob>\n"
        "  qo-release build --key <private.pem> [--id <release id>] <client folder> <server folder>\n"
        "  qo-release sign --key <private.pem> <file>\n"
        "  qo-release serve --cert <cert.pem> --key <cert-key.pem> [--port <port>] <folder>\n",
        stderr);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qo-release: %s\n", message.c_str());
    return 1;
}

// Options ("--name value") and the remaining positional arguments.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
    bool ok = true;
};

Arguments parse_arguments(int argc, char** argv, int first) {
    Arguments args;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word.starts_with("--")) {
            if (i + 1 >= argc) args.ok = false;
            else args.options[word.substr(2)] = argv[++i];
        } else {
            args.positional.push_back(word);
        }
    }
    return args;
}

bool write_file(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int keygen(const Arguments& args) {
    if (args.positional.size() != 2) return usage();
    auto key = SigningKey::generate();
    if (!key) return fail(key.error());
    auto blob = key->public_blob();
    if (!write_file(args.positional[0], key->private_pem()) ||
        !write_file(args.positional[1], std::string_view(reinterpret_cast<const char*>(blob.data()), blob.size())))
        return fail("cannot write the key files");
    std::printf("private key: %s\npublic blob: %s\n", args.positional[0].c_str(), args.positional[1].c_str());
    return 0;
}

int build(const Arguments& args) {
    if (args.positional.size() != 2 || !args.options.contains("key")) return usage();
    auto key = SigningKey::load_pem_file(args.options.at("key"));
    if (!key) return fail(key.error());
    auto client = qo::release::read_client_tree(args.positional[0]);
    if (!client) return fail(client.error());
    qo::release::BuildOptions options;
    if (args.options.contains("id")) options.release_id = args.options.at("id");
    auto release = qo::release::build_release(*client, *key, options);
    if (!release) return fail(release.error());

    // The launcher's own parser has the last word on whether this client makes a valid release.
    auto blob = key->public_blob();
    auto public_key = qo::ReleaseKey::from_blob(blob);
    if (!public_key) return fail(public_key.error());
    if (auto parsed = qo::parse_signed_release_list(release->list_bytes, *public_key); !parsed)
        return fail("the release would be refused: " + parsed.error());

    if (auto written = qo::release::write_published_tree(*release, args.positional[1]); !written)
        return fail(written.error());
    std::printf("release %s: %zu files, list of %zu bytes\n", release->release_id.c_str(), release->files.size(),
                release->list_bytes.size());
    return 0;
}

int sign(const Arguments& args) {
    if (args.positional.size() != 1 || !args.options.contains("key")) return usage();
    auto key = SigningKey::load_pem_file(args.options.at("key"));
    if (!key) return fail(key.error());
    std::ifstream in(args.positional[0], std::ios::binary);
    if (!in) return fail("cannot read " + args.positional[0]);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (!write_file(args.positional[0] + ".sig", key->sign(bytes))) return fail("cannot write the signature");
    return 0;
}

int serve(const Arguments& args) {
    if (args.positional.size() != 1 || !args.options.contains("cert") || !args.options.contains("key")) return usage();
    int port = args.options.contains("port") ? std::atoi(args.options.at("port").c_str()) : 0;
    httplib::SSLServer server(args.options.at("cert").c_str(), args.options.at("key").c_str());
    if (!server.is_valid()) return fail("cannot load the certificate or its key");
    if (!server.set_mount_point("/", args.positional[0])) return fail("cannot serve " + args.positional[0]);
    // Serve a launcher's parallel downloads at full speed: a thread for each of its workers and then some,
    // connections kept for many requests, and small answers sent at once instead of waiting for delayed ACKs.
    server.new_task_queue = [] { return new httplib::ThreadPool(SERVE_THREADS); };
    server.set_keep_alive_max_count(SERVE_KEEP_ALIVE_REQUESTS);
    server.set_tcp_nodelay(true);
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        std::printf("%d %s %s\n", response.status, request.method.c_str(), request.path.c_str());
        std::fflush(stdout);
    });
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) return fail("cannot listen on 127.0.0.1");
    std::printf("serving %s at https://127.0.0.1:%d/\n", args.positional[0].c_str(), port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string command = argv[1];
    Arguments args = parse_arguments(argc, argv, 2);
    if (!args.ok) return usage();
    if (command == "keygen") return keygen(args);
    if (command == "build") return build(args);
    if (command == "sign") return sign(args);
    if (command == "serve") return serve(args);
    return usage();
}

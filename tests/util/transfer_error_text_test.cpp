#include "util/transfer_error_text.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "support/https_server.h"
#include "util/error_detail.h"
#include "util/http_agent.h"

namespace qo {
namespace {

using test::HttpFault;
using test::HttpsServer;

TEST(TransferErrorText, EveryFailureAPlayerCanMeetReadsInPortuguese) {
    struct Case {
        int code;
        long socket_errno;
        const char* shown;
    };
    for (auto [code, socket_errno, shown] : {
             Case{CURLE_COULDNT_RESOLVE_HOST, 0, "o endereço do servidor não foi encontrado"},
             Case{CURLE_COULDNT_CONNECT, ECONNREFUSED, "a conexão com o servidor foi recusada"},
             Case{CURLE_COULDNT_CONNECT, EHOSTUNREACH, "o servidor está inacessível pela rede"},
             Case{CURLE_COULDNT_CONNECT, ETIMEDOUT, "o tempo de espera pelo servidor se esgotou"},
             Case{CURLE_COULDNT_CONNECT, 0, "não foi possível conectar ao servidor"},
             Case{CURLE_OPERATION_TIMEDOUT, 0, "o tempo de espera pelo servidor se esgotou"},
             Case{CURLE_RECV_ERROR, ECONNRESET, "a conexão com o servidor foi interrompida"},
             Case{CURLE_SEND_ERROR, EPIPE, "a conexão com o servidor foi interrompida"},
             Case{CURLE_GOT_NOTHING, 0, "o servidor fechou a conexão sem responder"},
             Case{CURLE_PARTIAL_FILE, 0, "a transferência terminou antes do fim do arquivo"},
             Case{CURLE_PEER_FAILED_VERIFICATION, 0, "o certificado do servidor não é confiável"},
             Case{CURLE_SSL_CONNECT_ERROR, 0, "falha na conexão segura (TLS) com o servidor"},
             Case{CURLE_SSL_CACERT_BADFILE, 0, "falha na conexão segura (TLS) com o servidor"},
             Case{CURLE_TOO_MANY_REDIRECTS, 0, "o servidor redirecionou o pedido vezes demais"},
             Case{CURLE_UNSUPPORTED_PROTOCOL, 0, "endereço do servidor inválido"},
             Case{CURLE_WEIRD_SERVER_REPLY, 0, "o servidor enviou uma resposta inválida"},
             Case{CURLE_OUT_OF_MEMORY, 0, "memória insuficiente"},
             Case{CURLE_LOGIN_DENIED, 0, "falha na transferência (código 67)"},
         }) {
        const std::string text = transfer_error_text(code, socket_errno, "the transport's own words");
        EXPECT_EQ(shown_error_text(text), shown) << code;
        EXPECT_EQ(logged_error_text(text), std::string(shown) + " (the transport's own words)") << code;
    }
}

TEST(ErrorDetail, RidesAlongPrefixesAndIsShownOnlyInLogs) {
    const std::string text = "lista: " + with_error_detail("a conexão foi recusada", "Connection refused") + ".";
    EXPECT_EQ(shown_error_text(text), "lista: a conexão foi recusada.");
    EXPECT_EQ(logged_error_text(text), "lista: a conexão foi recusada (Connection refused).");
    EXPECT_EQ(with_error_detail("sem detalhe", ""), "sem detalhe");
    EXPECT_EQ(shown_error_text("o servidor respondeu 404"), "o servidor respondeu 404");
    EXPECT_EQ(logged_error_text("o servidor respondeu 404"), "o servidor respondeu 404");
    // Marker characters inside a detail cannot end it early.
    EXPECT_EQ(shown_error_text(with_error_detail("texto", "a\x1f" "b\x1e" "c")), "texto");
}

// Real failures of real transfers against the local server: the player's text, and the transport's wording in
// the log form.
class TransferFaults : public ::testing::Test {
protected:
    static HttpAgentOptions options(bool trust_test_ca = true, std::chrono::seconds io_timeout = std::chrono::seconds(5)) {
        HttpAgentOptions o;
        o.connect_timeout = std::chrono::seconds(5);
        o.io_timeout = io_timeout;
        if (trust_test_ca) o.extra_ca_file = HttpsServer::ca_file().string();
        return o;
    }
    std::string failure_of(const std::string& url, const HttpAgentOptions& o) {
        auto agent = HttpAgent::create(o);
        EXPECT_TRUE(agent.has_value());
        auto got = agent->get_body(url, 1 << 20);
        EXPECT_FALSE(got.has_value()) << url;
        return got ? std::string() : got.error();
    }

    HttpsServer server;
};

TEST_F(TransferFaults, ComeBackInPortugueseWithTheTransportsWordingForTheLog) {
    std::string refused_url;
    {
        HttpsServer gone;
        refused_url = gone.url("/x");
    }
    server.set_redirect("/loop", "/loop");
    server.set_body("/doc", "secret");
    server.set_body("/stall", std::string(10'000, 'x'));
    server.set_fault("/stall", HttpFault{.stall_after = 0, .stall_time = std::chrono::seconds(30)});
    server.set_body("/dropped", std::string(200'000, 'x'));
    server.set_fault("/dropped", HttpFault{.close_after = 70'000});

    struct Case {
        std::string url;
        HttpAgentOptions options;
        const char* shown;
        const char* logged_part;  // a piece of the transport's own wording
    };
    for (const auto& [url, o, shown, logged_part] : {
             Case{refused_url, options(), "a conexão com o servidor foi recusada", "127.0.0.1"},
             Case{server.url("/loop"), options(), "o servidor redirecionou o pedido vezes demais", "redirects"},
             Case{server.url("/doc"), options(false), "o certificado do servidor não é confiável", "certificate"},
             Case{server.url("/stall"), options(true, std::chrono::seconds(1)),
                  "o tempo de espera pelo servidor se esgotou", "slow"},
             Case{server.url("/dropped"), options(), "a transferência terminou antes do fim do arquivo", "bytes"},
         }) {
        const std::string error = failure_of(url, o);
        EXPECT_EQ(shown_error_text(error), shown) << logged_error_text(error);
        const std::string logged = logged_error_text(error);
        EXPECT_TRUE(logged.starts_with(std::string(shown) + " (")) << logged;
        EXPECT_NE(logged.find(logged_part), std::string::npos) << logged;
    }
}

}  // namespace
}  // namespace qo

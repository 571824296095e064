#include "util/transfer_error_text.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <cerrno>

#include "util/error_detail.h"

namespace qo {
namespace {

constexpr const char* TIMED_OUT = "o tempo de espera pelo servidor se esgotou";
constexpr const char* TLS_FAILED = "falha na conexão segura (TLS) com o servidor";

std::string connect_failure_text(long socket_errno) {
    switch (socket_errno) {
        case ECONNREFUSED: return "a conexão com o servidor foi recusada";
        case ETIMEDOUT: return TIMED_OUT;
        case ENETUNREACH:
        case EHOSTUNREACH: return "o servidor está inacessível pela rede";
        default: return "não foi possível conectar ao servidor";
    }
}

std::string player_text(int curl_code, long socket_errno) {
    switch (curl_code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return "o endereço do servidor não foi encontrado";
        case CURLE_COULDNT_CONNECT: return connect_failure_text(socket_errno);
        case CURLE_OPERATION_TIMEDOUT: return TIMED_OUT;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR: return "a conexão com o servidor foi interrompida";
        case CURLE_GOT_NOTHING: return "o servidor fechou a conexão sem responder";
        case CURLE_PARTIAL_FILE: return "a transferência terminou antes do fim do arquivo";
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS: return "o certificado do servidor não é confiável";
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_USE_SSL_FAILED: return TLS_FAILED;
        case CURLE_TOO_MANY_REDIRECTS: return "o servidor redirecionou o pedido vezes demais";
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT: return "endereço do servidor inválido";
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_BAD_CONTENT_ENCODING: return "o servidor enviou uma resposta inválida";
        case CURLE_FILESIZE_EXCEEDED: return "o arquivo excede o tamanho permitido";
        case CURLE_OUT_OF_MEMORY: return "memória insuficiente";
        case CURLE_WRITE_ERROR:
        case CURLE_ABORTED_BY_CALLBACK: return "a transferência foi interrompida";
        default: return fmt::format("falha na transferência (código {})", curl_code);
    }
}

}  // namespace

std::string transfer_error_text(int curl_code, long socket_errno, std::string_view detail) {
    return with_error_detail(player_text(curl_code, socket_errno), detail);
}

}  // namespace qo

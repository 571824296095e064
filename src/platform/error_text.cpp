#include "platform/error_text.h"

#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace qo {
namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr std::array OS_ERROR_TEXTS{
    CodeText{ENOSPC, "não há espaço livre no disco"},
    CodeText{EDQUOT, "a cota de disco do usuário se esgotou"},
    CodeText{EACCES, "acesso negado"},
    CodeText{EPERM, "operação não permitida"},
    CodeText{EROFS, "o disco ou a pasta é somente leitura"},
    CodeText{ENOENT, "arquivo ou pasta não encontrado"},
    CodeText{ENOTDIR, "uma parte do caminho não é uma pasta"},
    CodeText{EISDIR, "o caminho é uma pasta, não um arquivo"},
    CodeText{ENAMETOOLONG, "nome de arquivo ou caminho longo demais"},
    CodeText{EIO, "erro de leitura ou gravação no disco"},
    CodeText{EEXIST, "o arquivo já existe"},
    CodeText{ENOTEMPTY, "a pasta não está vazia"},
    CodeText{EBUSY, "o arquivo ou a pasta está em uso"},
    CodeText{ETXTBSY, "o arquivo está em uso por um programa"},
    CodeText{EMFILE, "arquivos abertos demais"},
    CodeText{ENFILE, "arquivos abertos demais no sistema"},
    CodeText{ENOMEM, "memória insuficiente"},
    CodeText{EFBIG, "arquivo grande demais"},
    CodeText{EXDEV, "não é possível mover um arquivo entre discos diferentes"},
    CodeText{ELOOP, "o caminho leva a um link simbólico não permitido"},
    CodeText{EINVAL, "argumento inválido"},
    CodeText{EBADF, "arquivo não aberto corretamente"},
    CodeText{ENOEXEC, "o arquivo não é um programa executável"},
    CodeText{EAGAIN, "recurso temporariamente indisponível"},
    CodeText{EINTR, "operação interrompida"},
    CodeText{ETIMEDOUT, "o tempo de espera se esgotou"},
    CodeText{ECONNREFUSED, "a conexão foi recusada"},
    CodeText{ECONNRESET, "a conexão foi interrompida pelo outro lado"},
    CodeText{EPIPE, "a conexão foi fechada pelo outro lado"},
    CodeText{ENETUNREACH, "a rede está inacessível"},
    CodeText{EHOSTUNREACH, "o servidor está inacessível"},
};

}  // namespace

std::string os_error_text(int code) {
    for (const CodeText& entry : OS_ERROR_TEXTS) {
        if (entry.code == code) return entry.text;
    }
    const char* symbol = code > 0 ? strerrorname_np(code) : nullptr;
    return symbol ? fmt::format("erro do sistema {} ({})", code, symbol) : fmt::format("erro do sistema {}", code);
}

std::string last_os_error_text() { return os_error_text(errno); }

std::string os_error_text(const std::error_code& error) {
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        return os_error_text(error.value());
    }
    return error.message();
}

}  // namespace qo

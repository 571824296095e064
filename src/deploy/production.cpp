// Production values. Until a real deployment exists they are names under .example, which reach no one.
#include "deploy/deployment.h"

namespace qo {

const Deployment& deployment() {
    static const Deployment values{
        .update_base_url = "https://atualizacao.qofenro.example",
        .site_base_url = "https://qofenro.example",
        .extra_ca_file = "",
        .game_server = "jogo.qofenro.example:44409",
        .release_key_blob = {},
    };
    return values;
}

}  // namespace qo

#pragma once
// The two built-in web addresses the default configuration is made from. They are deployment values: start-up
// fills them in from the executable's deployment, tests pass their own.
#include <string>

namespace qo {

struct Endpoints {
    std::string site_base_url;    // the game web site: https scheme and host, no trailing slash
    std::string update_base_url;  // the update server: https scheme and host (and port), no trailing slash
};

}  // namespace qo

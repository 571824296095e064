#pragma once
// The site and update server of the running executable's deployment, as the configuration code takes them.
#include "config/endpoints.h"
#include "deploy/deployment.h"

namespace qo {

inline Endpoints deployment_endpoints() {
    const Deployment& values = deployment();
    return Endpoints{.site_base_url = values.site_base_url, .update_base_url = values.update_base_url};
}

}  // namespace qo

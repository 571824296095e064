#pragma once
// The built-in launcher configuration, used on the first start and wherever launcher.json lacks a value.
#include <string_view>

#include "config/endpoints.h"
#include "config/launcher_config.h"

namespace qo {

// A news item with all five texts present.
LauncherNews make_news_item(std::string_view tag, std::string_view color, std::string_view date,
                            std::string_view text, std::string_view url);

// A fresh copy of the defaults: links, news and update addresses are made from the endpoints.
LauncherConfig default_launcher_config(const Endpoints& endpoints);

}  // namespace qo

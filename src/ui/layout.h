#pragma once
// The main screen's content lists, their measured layout and the clickable rectangles built from it.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/launcher_config.h"
#include "text/font.h"
#include "ui/layout_types.h"

namespace qo {

struct UiState;

inline constexpr std::string_view BRAND_TEXT = "QO FENRO";
inline constexpr std::string_view OPTIONS_ITEM_TEXT = "Opções";
inline constexpr std::string_view SEE_ALL_TEXT = "Ver todas";
inline constexpr size_t MAX_NEWS_ROWS = 3;
// Information rows stop where the footer begins: a row whose bottom would pass this line is left out.
inline constexpr float INFO_ROWS_BOTTOM_LIMIT = 530.0f;

// Replaces the links, news and information lists (copied as they are), sets the opening time when one is
// given, then lays the screen out again.
void set_launcher_content(UiState& ui, std::span<const LauncherLink> links, std::span<const LauncherNews> news,
                          std::span<const LauncherInfo> info, std::optional<std::string_view> opening);

// Measures the texts, rebuilds the layout, the main hit list and the three empty element layers, and marks
// everything for repainting.
void relayout_texts(UiState& ui);

// The pieces the layout is made of, exposed for the painters and tests.

// One of the HEADER_ICON_ kinds.
uint32_t header_icon_kind(std::string_view text);

// The news accent: purple values of the old palette become gold, blue ones green; "#rgb", "#rrggbb" and
// "#rrggbbaa" (any number of leading '#') parse; anything else is gold.
std::array<uint8_t, 3> news_accent_color(const std::optional<std::string>& color);

// The title when it fits `limit`; else its longest run of whole words that fits, cut further by characters
// until it fits with "…" appended ("…" alone when nothing does).
std::string shorten_news_title(const Font& font, std::string_view title, float limit);

// The value's pieces between "|" (one piece, possibly empty, without any).
std::vector<std::string> split_info_value(std::string_view value);

}  // namespace qo

#include "ui/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gfx/color.h"
#include "gfx/fatal.h"
#include "text/shaping.h"
#include "ui/layers.h"
#include "ui/status.h"
#include "ui/ui_state.h"
#include "ui/widgets.h"
#include "util/text.h"
#include "util/unicode_case.h"

namespace qo {
namespace {

constexpr std::string_view ELLIPSIS = "…";
constexpr float FIT_SLACK = 0.01f;
constexpr float NEWS_FIRST_ROW_Y = 123.0f;
constexpr float NEWS_TITLE_SPACE = 360.0f;
constexpr float HEADER_HIT_TOP = 12.5f;
constexpr float HEADER_HIT_BOTTOM = 44.5f;
constexpr float HEADER_ITEM_PADDING = 49.0f;  // icon and margins around an item's text
constexpr float HEADER_ITEM_GAP = 2.0f;

// The rows of both panels span x 695 to 1065.
constexpr float CONTENT_WIDTH = 370.0f;
constexpr float NEWS_DATE_MAX_WIDTH = CONTENT_WIDTH / 2.0f;
constexpr float NEWS_TAG_DATE_GAP = 8.0f;
constexpr float NEWS_TAG_PILL_PADDING = 18.0f;
constexpr float INFO_LABEL_VALUE_GAP = 12.0f;

// Logical areas of the three element layers (the right column's height comes from the layout).
constexpr float RIGHT_COLUMN_X = 678.0f;
constexpr float RIGHT_COLUMN_Y = 70.0f;
constexpr float RIGHT_COLUMN_WIDTH = 404.0f;

float measure(const Font& font, float size, float letter_spacing, std::string_view text) {
  return shape_line(font, size, letter_spacing, text, false).width;
}

std::string text_or_empty(const std::optional<std::string>& text) { return text.value_or(std::string()); }

std::string_view view_or_empty(const std::optional<std::string>& text) {
  return text ? std::string_view(*text) : std::string_view();
}

// Byte offsets where each Unicode scalar value of the text starts.
std::vector<size_t> scalar_starts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

// The first word, then each following word while the joined text still fits (the first is taken unmeasured).
std::string whole_words_that_fit(const Font& font, std::string_view title, float limit) {
  std::string joined;
  size_t pos = 0;
  bool first = true;
  while (pos <= title.size()) {
    const size_t space = title.find(' ', pos);
    const std::string_view word =
        title.substr(pos, space == std::string_view::npos ? std::string_view::npos : space - pos);
    if (first) {
      joined = word;
      first = false;
    } else {
      std::string candidate = joined + " " + std::string(word);
      if (measure(font, 12.5f, 0.0f, candidate) > limit) break;
      joined = std::move(candidate);
    }
    if (space == std::string_view::npos) break;
    pos = space + 1;
  }
  return joined;
}

void add_region(std::vector<HitRegion>& list, float x0, float x1, float y0, float y1, HitKind kind, uint32_t index) {
  if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1))
    gfx_fatal("hit region with a non-finite edge");
  if (x1 - x0 < 0.01f) x1 = x0 + 0.01f;
  list.push_back(HitRegion{x0, y0, x1, y1, kind, index});
}

void lay_out_status_and_brand(const UiState& ui, MainLayout& layout) {
  const FontSet& fonts = ui.fonts;
  layout.brand_width = measure(fonts.manrope_bold, 15.0f, 0.3f, BRAND_TEXT);
  layout.status_width = measure(fonts.manrope_semibold, 12.5f, 0.0f, ui.server_status_text) + 40.0f;
  layout.status_x = 1090.0f - (86.0f + layout.status_width);
  layout.right_strip_start = layout.status_x;
  layout.minimize_x = layout.status_x + layout.status_width + 12.0f;
  layout.close_x = layout.minimize_x + 40.0f;
  layout.links_start = layout.brand_width + 62.0f + 18.0f;
  layout.links_end = layout.status_x - 18.0f;
}

HeaderItem options_item(const Font& font) {
  HeaderItem options;
  options.text = OPTIONS_ITEM_TEXT;
  options.icon = HEADER_ICON_OPTIONS;
  options.clickable = true;
  options.opens_settings = true;
  options.width = measure(font, 13.5f, 0.0f, options.text) + HEADER_ITEM_PADDING;
  return options;
}

// The links that fit the strip beside "Opções", in order; the first that does not fit whole is cut with the
// ellipsis when at least one of its characters fits, and the rest are left out. Only what is laid out is
// measured, so the cost is bounded by the strip whatever the list holds.
void lay_out_header_items(const UiState& ui, MainLayout& layout) {
  const Font& font = ui.fonts.manrope_medium;
  HeaderItem options = options_item(font);
  float room = layout.links_end - layout.links_start - options.width;
  for (const LauncherLink& link : ui.links) {
    const float text_room = room - HEADER_ITEM_GAP - HEADER_ITEM_PADDING;
    if (text_room <= 0.0f) break;
    HeaderItem item;
    item.text = fit_text_ellipsis(font, 13.5f, text_room, view_or_empty(link.text));
    const bool whole = link.text ? item.text == *link.text : item.text.empty();
    if (!whole && item.text == ELLIPSIS) break;
    item.url = text_or_empty(link.url);
    item.icon = whole ? header_icon_kind(item.text) : HEADER_ICON_GLOBE;
    item.clickable = !item.url.empty();
    item.width = measure(font, 13.5f, 0.0f, item.text) + HEADER_ITEM_PADDING;
    room -= item.width + HEADER_ITEM_GAP;
    layout.header_items.push_back(std::move(item));
    if (!whole) break;
  }
  layout.header_items.push_back(std::move(options));

  float total = 0.0f;
  for (const HeaderItem& item : layout.header_items) total += item.width;
  const float gaps = HEADER_ITEM_GAP * static_cast<float>(layout.header_items.size() - 1);
  float x = layout.links_start + (layout.links_end - layout.links_start - (total + gaps)) * 0.5f;
  for (HeaderItem& item : layout.header_items) {
    item.x = x;
    x += item.width + HEADER_ITEM_GAP;
  }
}

// The top line of a news row holds the tag pill on the left and the date on the right; the date takes at most
// half of it, the tag what the date leaves. An empty tag has no pill (width 0).
void fit_news_tag_and_date(const FontSet& fonts, const LauncherNews& news, NewsRow& row) {
  row.date = fit_text_ellipsis(fonts.manrope_regular, 11.0f, NEWS_DATE_MAX_WIDTH, view_or_empty(news.date));
  row.date_width = row.date.empty() ? 0.0f : measure(fonts.manrope_regular, 11.0f, 0.0f, row.date);
  const float date_room = row.date.empty() ? 0.0f : row.date_width + NEWS_TAG_DATE_GAP;
  const float tag_room = CONTENT_WIDTH - date_room - NEWS_TAG_PILL_PADDING;
  row.tag = fit_text_ellipsis(fonts.manrope_bold, 10.0f, tag_room, view_or_empty(news.tag), 0.4f);
  row.tag_pill_width =
      row.tag.empty() ? 0.0f : measure(fonts.manrope_bold, 10.0f, 0.4f, row.tag) + NEWS_TAG_PILL_PADDING;
}

void lay_out_news_rows(const UiState& ui, MainLayout& layout) {
  const FontSet& fonts = ui.fonts;
  float y = NEWS_FIRST_ROW_Y;
  for (const LauncherNews& news : ui.news) {
    if (layout.news_rows.size() == MAX_NEWS_ROWS) break;
    NewsRow row;
    row.first = layout.news_rows.empty();
    row.url = text_or_empty(news.url);
    row.color = news_accent_color(news.color);
    fit_news_tag_and_date(fonts, news, row);
    row.title = shorten_news_title(fonts.manrope_semibold, view_or_empty(news.text), NEWS_TITLE_SPACE - row.date_width);
    row.y = y;
    row.height = row.first ? 48.875f : 54.875f;
    y += row.height;
    layout.news_rows.push_back(std::move(row));
  }
  layout.news_panel_height = y - NEWS_FIRST_ROW_Y + 64.0f;
}

// A width that counts as more than the whole line when the text is longer than the line could ever hold.
float bounded_width(const Font& font, float size, std::string_view text, float line) {
  const std::string_view bounded = first_scalars(text, fitting_scalar_bound(size, line));
  if (bounded.size() < text.size()) return std::numeric_limits<float>::infinity();
  return measure(font, size, 0.0f, bounded);
}

// The width of the value pieces with their bars, counting no further than the line.
float info_values_width(const FontSet& fonts, std::string_view value, float bar_gap) {
  float total = 0.0f;
  for (size_t pos = 0, k = 0;; ++k) {
    const size_t bar = value.find('|', pos);
    const std::string_view piece = value.substr(pos, bar == std::string_view::npos ? bar : bar - pos);
    total += (k > 0 ? bar_gap : 0.0f) + bounded_width(fonts.manrope_bold, 12.0f, piece, CONTENT_WIDTH);
    if (total > CONTENT_WIDTH) return std::numeric_limits<float>::infinity();
    if (bar == std::string_view::npos) return total;
    pos = bar + 1;
  }
}

// The pieces of the value that fit `room` with their bars, in order; the first that does not fit whole is cut
// with the ellipsis (or, when not even one character fits, stands as "…" when that fits) and ends the list.
std::vector<std::string> fit_info_values(const FontSet& fonts, std::string_view value, float room, float bar_gap) {
  const Font& bold = fonts.manrope_bold;
  std::vector<std::string> pieces;
  float x = 0.0f;
  for (size_t pos = 0;;) {
    const size_t bar = value.find('|', pos);
    const std::string_view piece = value.substr(pos, bar == std::string_view::npos ? bar : bar - pos);
    const float left = pieces.empty() ? 0.0f : x + bar_gap;
    const float space = room - left;
    std::string fitted = fit_text_ellipsis(bold, 12.0f, std::max(space, 0.0f), piece);
    const float width = measure(bold, 12.0f, 0.0f, fitted);
    const bool fits = width <= space + FIT_SLACK;
    if (fits || pieces.empty()) pieces.push_back(std::move(fitted));
    if (!fits || pieces.back() != piece || bar == std::string_view::npos) return pieces;
    x = left + width;
    pos = bar + 1;
  }
}

// The label on the left and the values on the right share the row: when both do not fit whole, the shorter keeps
// its width if it needs at most half the row, and the other gets the rest; otherwise each gets half.
InfoRow fit_info_row(const FontSet& fonts, const LauncherInfo& info, float y, bool first) {
  const std::string_view label = view_or_empty(info.label);
  const std::string_view value = view_or_empty(info.value);
  const float bar_gap = measure(fonts.manrope_regular, 12.0f, 0.0f, "|") + 14.0f;
  const float label_width = bounded_width(fonts.manrope_regular, 12.0f, label, CONTENT_WIDTH);
  const float values_width = info_values_width(fonts, value, bar_gap);
  float label_room = CONTENT_WIDTH;
  float values_room = CONTENT_WIDTH;
  if (label_width + INFO_LABEL_VALUE_GAP + values_width > CONTENT_WIDTH) {
    const float half = (CONTENT_WIDTH - INFO_LABEL_VALUE_GAP) * 0.5f;
    label_room = values_room = half;
    if (label_width <= half)
      values_room = CONTENT_WIDTH - INFO_LABEL_VALUE_GAP - label_width;
    else if (values_width <= half)
      label_room = CONTENT_WIDTH - INFO_LABEL_VALUE_GAP - values_width;
  }
  return InfoRow{fit_text_ellipsis(fonts.manrope_regular, 12.0f, label_room, label),
                 fit_info_values(fonts, value, values_room, bar_gap), y, first};
}

void lay_out_info_rows(const UiState& ui, MainLayout& layout) {
  layout.server_panel_y = RIGHT_COLUMN_Y + layout.news_panel_height + 10.0f;
  const float first_y = layout.server_panel_y + 53.0f;
  float y = first_y;
  for (const LauncherInfo& info : ui.info) {
    const bool first = layout.info_rows.empty();
    const float height = first ? 24.0f : 28.0f;
    if (y + height > INFO_ROWS_BOTTOM_LIMIT) break;
    layout.info_rows.push_back(fit_info_row(ui.fonts, info, y, first));
    y += height;
  }
  layout.server_panel_height = y - first_y + 64.0f;
  layout.right_column_height = layout.news_panel_height + 10.0f + layout.server_panel_height;
}

std::vector<HitRegion> main_hit_regions(const MainLayout& layout) {
  std::vector<HitRegion> list;
  for (size_t i = 0; i < layout.header_items.size(); ++i) {
    const HeaderItem& item = layout.header_items[i];
    add_region(list, item.x, item.x + item.width, HEADER_HIT_TOP, HEADER_HIT_BOTTOM, HitKind::HIT_HEADER_LINK,
               static_cast<uint32_t>(i));
  }
  add_region(list, layout.minimize_x, layout.minimize_x + 34.0f, HEADER_HIT_TOP, HEADER_HIT_BOTTOM,
             HitKind::HIT_MINIMIZE, 0);
  add_region(list, layout.close_x, layout.close_x + 34.0f, HEADER_HIT_TOP, HEADER_HIT_BOTTOM, HitKind::HIT_CLOSE, 0);
  add_region(list, layout.see_all_x, 1065.0f, 102.0f, 119.0f, HitKind::HIT_SEE_ALL_NEWS, 0);
  for (size_t i = 0; i < layout.news_rows.size(); ++i) {
    const NewsRow& row = layout.news_rows[i];
    add_region(list, 695.0f, 1065.0f, row.y, row.y + row.height, HitKind::HIT_NEWS_ROW, static_cast<uint32_t>(i));
  }
  add_region(list, 633.0f, 803.0f, 559.5f, 580.5f, HitKind::HIT_WINDOWED_TOGGLE, 0);
  add_region(list, 633.0f, 803.0f, 590.5f, 624.5f, HitKind::HIT_SETTINGS_BUTTON, 0);
  add_region(list, 825.0f, 1065.0f, 556.0f, 628.0f, HitKind::HIT_PLAY, 0);
  return list;
}

}  // namespace

uint32_t header_icon_kind(std::string_view text) {
  const std::string lower = unicode_lowercase(text);
  if (lower == "discord") return HEADER_ICON_DISCORD;
  if (lower == "ranking") return HEADER_ICON_RANKING;
  if (lower == "loja") return HEADER_ICON_SHOP;
  return HEADER_ICON_GLOBE;
}

std::array<uint8_t, 3> news_accent_color(const std::optional<std::string>& color) {
  constexpr std::array<uint8_t, 3> gold{217, 168, 69};
  if (!color) return gold;
  std::string text = *color;
  const std::string upper = ascii_uppercase(text);
  for (std::string_view purple : {"#8B5CF6", "#A78BFA", "#7C3AED"})
    if (upper == purple) text = "#D9A845";
  for (std::string_view blue : {"#3B82F6", "#60A5FA", "#2563EB"})
    if (upper == blue) text = "#12B880";
  // The toolkit's parser also skips surrounding blanks; a news colour with blanks is not one of its forms.
  if (trim_white_space(text).size() != text.size()) return gold;
  const std::optional<Color> parsed = parse_hex_color(text);
  if (!parsed) return gold;
  const auto byte = [](float c) { return static_cast<uint8_t>(std::lround(c * 255.0f)); };
  return {byte(parsed->r), byte(parsed->g), byte(parsed->b)};
}

std::string shorten_news_title(const Font& font, std::string_view whole_title, float limit) {
  const float fit = limit + FIT_SLACK;
  // A title longer than the line could ever hold is cut before it is shaped; it does not fit.
  const std::string_view title = first_scalars(whole_title, fitting_scalar_bound(12.5f, limit));
  if (title.size() == whole_title.size() && measure(font, 12.5f, 0.0f, title) <= fit) return std::string(title);
  const std::string words = whole_words_that_fit(font, title, fit);
  // The longest character prefix that fits with the ellipsis; widths grow with the prefix, so a binary search
  // finds the same prefix as removing one character at a time.
  const std::vector<size_t> starts = scalar_starts(words);
  const auto prefix = [&](size_t chars) {
    return std::string_view(words).substr(0, chars < starts.size() ? starts[chars] : words.size());
  };
  size_t lo = 0;
  size_t hi = starts.size();
  while (lo < hi) {
    const size_t mid = (lo + hi + 1) / 2;
    if (measure(font, 12.5f, 0.0f, std::string(prefix(mid)) + std::string(ELLIPSIS)) <= fit)
      lo = mid;
    else
      hi = mid - 1;
  }
  return std::string(prefix(lo)) + std::string(ELLIPSIS);
}

std::vector<std::string> split_info_value(std::string_view value) {
  std::vector<std::string> pieces;
  size_t pos = 0;
  while (true) {
    const size_t bar = value.find('|', pos);
    pieces.emplace_back(value.substr(pos, bar == std::string_view::npos ? std::string_view::npos : bar - pos));
    if (bar == std::string_view::npos) return pieces;
    pos = bar + 1;
  }
}

void set_launcher_content(UiState& ui, std::span<const LauncherLink> links, std::span<const LauncherNews> news,
                          std::span<const LauncherInfo> info, std::optional<std::string_view> opening) {
  ui.links.assign(links.begin(), links.end());
  ui.news.assign(news.begin(), news.end());
  ui.info.assign(info.begin(), info.end());
  if (opening) set_opening_time(ui, *opening);
  relayout_texts(ui);
}

void relayout_texts(UiState& ui) {
  MainLayout layout;
  lay_out_status_and_brand(ui, layout);
  lay_out_header_items(ui, layout);
  layout.subtitle_pill_width = measure(ui.fonts.manrope_semibold, 11.5f, 0.0f, SUBTITLE_TEXT) + 42.0f;
  lay_out_news_rows(ui, layout);
  layout.see_all_x = 1047.0f - measure(ui.fonts.manrope_regular, 12.0f, 0.0f, SEE_ALL_TEXT);
  lay_out_info_rows(ui, layout);

  ui.hit_regions = main_hit_regions(layout);
  ui.layout = std::move(layout);
  const float s = ui.scale;
  ElementLayers& layers = ui.element_layers;
  remake_aligned_layer(layers.header, 0.0f, 0.0f, 1100.0f, 58.0f, s);
  remake_aligned_layer(layers.right_column, RIGHT_COLUMN_X, RIGHT_COLUMN_Y, RIGHT_COLUMN_WIDTH,
                       ui.layout.right_column_height, s);
  remake_aligned_layer(layers.footer, 18.0f, 540.0f, 1064.0f, 104.0f, s);
  layers.stamp = -100.0;
  layers.header_stale = true;
  layers.right_column_stale = true;
  ui.redraw_needed = true;
  ui.force_full_redraw = true;
}

}  // namespace qo

// The main screen's layout: header items, news rows, information rows, panel heights, layers and hit list.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "text/shaping.h"
#include "ui/pointer.h"
#include "ui/status.h"
#include "ui/test_ui.h"
#include "ui/window_proc.h"

namespace qo {
namespace {

// Fonts and fixed clocks only: the layout measures texts and sizes the layers, nothing more.
UiState bare_ui_state(float scale = 1.0f) {
  UiState ui = test::make_bare_test_ui();
  ui.scale = scale;
  return ui;
}

std::optional<std::string> text(const char* s) { return s ? std::optional<std::string>(s) : std::nullopt; }

LauncherNews news_item(const char* tag, const char* title, const char* date = nullptr, const char* url = nullptr,
                       const char* color = nullptr) {
  return LauncherNews{text(tag), text(color), text(title), text(url), text(date)};
}

std::vector<LauncherNews> five_news() {
  std::vector<LauncherNews> news;
  for (int i = 0; i < 5; ++i) news.push_back(news_item("EVENTO", ("Notícia " + std::to_string(i)).c_str(), "08/10"));
  return news;
}

float title_width(const UiState& ui, std::string_view s) {
  return shape_line(ui.fonts.manrope_semibold, 12.5f, 0.0f, s, false).width;
}

// The shortening done the slow, literal way: whole words while they fit, then one character at a time.
std::string shorten_literally(const UiState& ui, const std::string& title, float limit) {
  const float fit = limit + 0.01f;
  if (title_width(ui, title) <= fit) return title;
  std::vector<std::string> words;
  size_t pos = 0;
  for (size_t space; (space = title.find(' ', pos)) != std::string::npos; pos = space + 1)
    words.push_back(title.substr(pos, space - pos));
  words.push_back(title.substr(pos));
  std::string joined = words[0];
  for (size_t i = 1; i < words.size() && title_width(ui, joined + " " + words[i]) <= fit; ++i) joined += " " + words[i];
  std::string prefix = joined;
  while (!prefix.empty() && title_width(ui, prefix + "…") > fit) {
    unsigned char last;  // drop one whole character: its continuation bytes, then its first byte
    do {
      last = static_cast<unsigned char>(prefix.back());
      prefix.pop_back();
    } while (!prefix.empty() && (last & 0xC0) == 0x80);
  }
  return prefix + "…";
}

TEST(LayoutHeader, WithoutLinksOnlyTheOptionsItemCentredInTheStrip) {
  UiState ui = bare_ui_state();
  set_launcher_content(ui, {}, {}, {}, std::nullopt);
  const MainLayout& l = ui.layout;
  ASSERT_EQ(l.header_items.size(), 1u);
  const HeaderItem& options = l.header_items[0];
  EXPECT_EQ(options.text, "Opções");
  EXPECT_EQ(options.icon, HEADER_ICON_OPTIONS);
  EXPECT_TRUE(options.clickable);
  EXPECT_TRUE(options.opens_settings);
  EXPECT_NEAR(options.x - l.links_start, l.links_end - (options.x + options.width), 1e-3);
  EXPECT_FLOAT_EQ(l.links_start, l.brand_width + 80.0f);
  EXPECT_FLOAT_EQ(l.minimize_x, 1016.0f);
  EXPECT_FLOAT_EQ(l.close_x, 1056.0f);
  EXPECT_TRUE(l.news_rows.empty());
  EXPECT_TRUE(l.info_rows.empty());
  EXPECT_FLOAT_EQ(l.news_panel_height, 64.0f);
  EXPECT_FLOAT_EQ(l.server_panel_y, 144.0f);
  EXPECT_FLOAT_EQ(l.server_panel_height, 64.0f);
}

TEST(LayoutHeader, IconKindsFromTheWholeLowerCasedText) {
  const struct {
    const char* text;
    uint32_t kind;
  } rows[] = {{"Discord", HEADER_ICON_DISCORD}, {"DISCORD", HEADER_ICON_DISCORD}, {"dIsCoRd", HEADER_ICON_DISCORD},
              {"Ranking", HEADER_ICON_RANKING}, {"LOJA", HEADER_ICON_SHOP},       {"Loja oficial", HEADER_ICON_GLOBE},
              {"Site", HEADER_ICON_GLOBE},      {"", HEADER_ICON_GLOBE},          {" discord", HEADER_ICON_GLOBE}};
  for (const auto& row : rows) EXPECT_EQ(header_icon_kind(row.text), row.kind) << row.text;
}

TEST(LayoutHeader, LinksInOrderWithTwoPixelGapsAndALinkWithoutUrlNotClickable) {
  UiState ui = bare_ui_state();
  const std::vector<LauncherLink> links{{text("Site"), text("https://a.example/")},
                                        {text("Discord"), std::nullopt},
                                        {std::nullopt, text("https://b.example/")}};
  set_launcher_content(ui, links, {}, {}, std::nullopt);
  const auto& items = ui.layout.header_items;
  ASSERT_EQ(items.size(), 4u);
  EXPECT_TRUE(items[0].clickable);
  EXPECT_FALSE(items[1].clickable);
  EXPECT_EQ(items[1].url, "");
  EXPECT_EQ(items[1].icon, HEADER_ICON_DISCORD);
  EXPECT_EQ(items[2].text, "");
  EXPECT_FLOAT_EQ(items[2].width, 49.0f);
  EXPECT_TRUE(items[2].clickable);
  for (size_t i = 1; i < items.size(); ++i) EXPECT_FLOAT_EQ(items[i].x, items[i - 1].x + items[i - 1].width + 2.0f);
  const float row_width = items.back().x + items.back().width - items.front().x;
  EXPECT_NEAR(items.front().x - ui.layout.links_start, ui.layout.links_end - (items.front().x + row_width), 1e-3);
}

TEST(LayoutHeader, StatusTextChangeMovesTheStripAndRecentresTheLinks) {
  UiState ui = bare_ui_state();
  const std::vector<LauncherLink> links{{text("Site"), text("https://a.example/")}};
  ui.server_status_text = "OFFLINE";
  set_launcher_content(ui, links, {}, {}, std::nullopt);
  const MainLayout offline = ui.layout;
  ui.server_status_text = "ONLINE";
  relayout_texts(ui);
  const MainLayout& online = ui.layout;
  const float shift = online.links_end - offline.links_end;
  EXPECT_GT(shift, 1.0f);  // "ONLINE" is narrower: the pill and the strip's end move right
  EXPECT_FLOAT_EQ(online.status_x - offline.status_x, shift);
  EXPECT_FLOAT_EQ(online.minimize_x, 1016.0f);
  EXPECT_FLOAT_EQ(online.right_strip_start, online.status_x);
  EXPECT_NEAR(online.header_items[0].x - offline.header_items[0].x, shift / 2.0f, 1e-3);
  EXPECT_NEAR(online.header_items[1].x - offline.header_items[1].x, shift / 2.0f, 1e-3);
}

TEST(LayoutNews, FiveRecordsGiveThreeRows) {
  UiState ui = bare_ui_state();
  set_launcher_content(ui, {}, five_news(), {}, std::nullopt);
  const MainLayout& l = ui.layout;
  ASSERT_EQ(l.news_rows.size(), 3u);
  EXPECT_FLOAT_EQ(l.news_panel_height, 222.625f);
  const float ys[] = {123.0f, 171.875f, 226.75f};
  const float heights[] = {48.875f, 54.875f, 54.875f};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(l.news_rows[i].y, ys[i]);
    EXPECT_FLOAT_EQ(l.news_rows[i].height, heights[i]);
    EXPECT_EQ(l.news_rows[i].first, i == 0);
    EXPECT_EQ(l.news_rows[i].title, "Notícia " + std::to_string(i));
  }
  EXPECT_FLOAT_EQ(l.server_panel_y, 302.625f);
  EXPECT_GT(l.news_rows[0].tag_pill_width, 18.0f);
  EXPECT_GT(l.news_rows[0].date_width, 0.0f);
}

TEST(LayoutNews, AccentColourForms) {
  const struct {
    const char* color;
    std::array<uint8_t, 3> rgb;
  } rows[] = {
      {nullptr, {217, 168, 69}},     {"#7c3aed", {217, 168, 69}},  {"#8B5CF6", {217, 168, 69}},
      {"#a78bfa", {217, 168, 69}},   {"#3b82f6", {18, 184, 128}},  {"#60A5FA", {18, 184, 128}},
      {"#2563eb", {18, 184, 128}},   {"#ABC", {170, 187, 204}},    {"abc", {170, 187, 204}},
      {"12B880", {18, 184, 128}},    {"##12b880", {18, 184, 128}}, {"#12B880FF", {18, 184, 128}},
      {"#12B880", {18, 184, 128}},   {"#12B88", {217, 168, 69}},   {"#12B880F", {217, 168, 69}},
      {"#12B880GG", {217, 168, 69}}, {"#12G880", {217, 168, 69}},  {"", {217, 168, 69}},
      {" #ABC", {217, 168, 69}},     {"#", {217, 168, 69}},        {"#FF0000", {255, 0, 0}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(news_accent_color(text(row.color)), row.rgb) << (row.color ? row.color : "(absent)");
  }
}

TEST(LayoutNews, TitleShorteningMatchesTheLiteralRule) {
  UiState ui = bare_ui_state();
  const std::string long_title = "Grande atualização de inverno traz novas masmorras, chefes e recompensas lendárias";
  const std::string one_word = "Supercalifragilisticexpialidociousmente-longa-palavra-sem-espaços-nenhuns";
  const struct {
    std::string title;
    float limit;
  } rows[] = {
      {long_title, 360.0f},
      {long_title, 200.0f},
      {long_title, 37.0f},
      {one_word, 360.0f},
      {one_word, 120.0f},
      {"Curto", 360.0f},
      {"Dois  espaços no   meio de um título comprido demais para caber", 150.0f},
      {"Título", 3.0f},
      {"Ação ação ação ação ação ação ação ação", 90.0f},
  };
  const Font& font = ui.fonts.manrope_semibold;
  for (const auto& row : rows) {
    const std::string shortened = shorten_news_title(font, row.title, row.limit);
    EXPECT_EQ(shortened, shorten_literally(ui, row.title, row.limit)) << row.title << " @" << row.limit;
    if (shortened != "…") {
      EXPECT_LE(title_width(ui, shortened), row.limit + 0.01f) << shortened;
    }
  }
  EXPECT_EQ(shorten_news_title(font, "Curto", 360.0f), "Curto");
  EXPECT_EQ(shorten_news_title(font, "Título", 3.0f), "…");
  // Whole words first: the cut never runs past the last word that fit.
  const std::string cut = shorten_news_title(font, long_title, 200.0f);
  EXPECT_TRUE(cut.ends_with("…"));
  EXPECT_EQ(long_title.rfind(cut.substr(0, cut.size() - 3), 0), 0u);
}

TEST(LayoutNews, ADateShortensTheTitlesLimit) {
  UiState ui = bare_ui_state();
  const std::string title = "Grande atualização de inverno traz novas masmorras";
  ASSERT_LE(title_width(ui, title), 360.0f);
  const std::vector<LauncherNews> news{news_item("NOVO", title.c_str()),
                                       news_item("NOVO", title.c_str(), "12 de outubro de 2026")};
  set_launcher_content(ui, {}, news, {}, std::nullopt);
  const auto& rows = ui.layout.news_rows;
  EXPECT_EQ(rows[0].title, title);
  EXPECT_FLOAT_EQ(rows[0].date_width, 0.0f);
  EXPECT_TRUE(rows[1].title.ends_with("…"));
  EXPECT_EQ(rows[1].title, shorten_news_title(ui.fonts.manrope_semibold, title, 360.0f - rows[1].date_width));
}

TEST(LayoutInfo, ValuesSplitOnBars) {
  const struct {
    const char* value;
    std::vector<std::string> pieces;
  } rows[] = {{"x5|x10|x20", {"x5", "x10", "x20"}},
              {"Season 6", {"Season 6"}},
              {"", {""}},
              {"a||", {"a", "", ""}},
              {"|", {"", ""}}};
  for (const auto& row : rows) EXPECT_EQ(split_info_value(row.value), row.pieces) << row.value;

  UiState ui = bare_ui_state();
  const std::vector<LauncherInfo> info{{text("Taxas"), text("x5|x10|x20")}, {text("Versão"), std::nullopt}};
  set_launcher_content(ui, {}, {}, info, std::nullopt);
  const auto& laid = ui.layout.info_rows;
  ASSERT_EQ(laid.size(), 2u);
  EXPECT_EQ(laid[0].values.size(), 3u);
  EXPECT_EQ(laid[1].values, std::vector<std::string>{""});
  EXPECT_FLOAT_EQ(laid[0].y, 144.0f + 53.0f);
  EXPECT_FLOAT_EQ(laid[1].y, 144.0f + 53.0f + 24.0f);
  EXPECT_FLOAT_EQ(ui.layout.server_panel_height, 24.0f + 28.0f + 64.0f);
  EXPECT_FLOAT_EQ(ui.layout.right_column_height, 64.0f + 10.0f + 116.0f);
}

TEST(LayoutInfo, RowsStopBeforeTheFooter) {
  UiState ui = bare_ui_state();
  std::vector<LauncherInfo> info(5000, LauncherInfo{text("Linha"), text("valor")});
  set_launcher_content(ui, {}, five_news(), info, std::nullopt);
  const MainLayout& l = ui.layout;
  ASSERT_FALSE(l.info_rows.empty());
  const InfoRow& last = l.info_rows.back();
  EXPECT_LE(last.y + 28.0f, INFO_ROWS_BOTTOM_LIMIT);
  EXPECT_GT(last.y + 28.0f + 28.0f, INFO_ROWS_BOTTOM_LIMIT);
  EXPECT_EQ(l.info_rows.size(), 6u);
  EXPECT_LE(70.0f + l.right_column_height, 540.0f + 64.0f);
  EXPECT_LE(ui.element_layers.right_column.pixmap.height(), 600u);
}

TEST(LayoutHits, MainRegionsInDrawingOrder) {
  UiState ui = bare_ui_state();
  const std::vector<LauncherLink> links{{text("Site"), text("https://a.example/")}, {text("Loja"), std::nullopt}};
  set_launcher_content(ui, links, five_news(), {}, std::nullopt);
  const MainLayout& l = ui.layout;
  const auto& hits = ui.hit_regions;
  const std::vector<HitKind> kinds{HIT_HEADER_LINK, HIT_HEADER_LINK,     HIT_HEADER_LINK,     HIT_MINIMIZE,
                                   HIT_CLOSE,       HIT_SEE_ALL_NEWS,    HIT_NEWS_ROW,        HIT_NEWS_ROW,
                                   HIT_NEWS_ROW,    HIT_WINDOWED_TOGGLE, HIT_SETTINGS_BUTTON, HIT_PLAY};
  ASSERT_EQ(hits.size(), kinds.size());
  for (size_t i = 0; i < hits.size(); ++i) EXPECT_EQ(hits[i].kind, kinds[i]) << i;
  const struct {
    size_t at;
    float x0, y0, x1, y1;
    uint32_t index;
  } rects[] = {
      {1, l.header_items[1].x, 12.5f, l.header_items[1].x + l.header_items[1].width, 44.5f, 1},
      {3, 1016.0f, 12.5f, 1050.0f, 44.5f, 0},
      {4, 1056.0f, 12.5f, 1090.0f, 44.5f, 0},
      {5, l.see_all_x, 102.0f, 1065.0f, 119.0f, 0},
      {8, 695.0f, 226.75f, 1065.0f, 281.625f, 2},
      {9, 633.0f, 559.5f, 803.0f, 580.5f, 0},
      {10, 633.0f, 590.5f, 803.0f, 624.5f, 0},
      {11, 825.0f, 556.0f, 1065.0f, 628.0f, 0},
  };
  for (const auto& r : rects) {
    const HitRegion& h = hits[r.at];
    EXPECT_FLOAT_EQ(h.x0, r.x0) << r.at;
    EXPECT_FLOAT_EQ(h.y0, r.y0) << r.at;
    EXPECT_FLOAT_EQ(h.x1, r.x1) << r.at;
    EXPECT_FLOAT_EQ(h.y1, r.y1) << r.at;
    EXPECT_EQ(h.index, r.index) << r.at;
  }
  EXPECT_FLOAT_EQ(l.see_all_x, 1047.0f - shape_line(ui.fonts.manrope_regular, 12.0f, 0.0f, "Ver todas", false).width);
}

TEST(LayoutLayers, SizedAndAlignedToDevicePixelsAndMarkedStale) {
  const struct {
    float scale;
    uint32_t header_w, header_h, footer_w, footer_h;
    float footer_origin_x;
  } rows[] = {
      {1.0f, 1100, 58, 1064, 104, 18.0f}, {1.25f, 1375, 73, 1331, 130, 17.6f}, {1.5f, 1650, 87, 1596, 156, 18.0f}};
  for (const auto& row : rows) {
    UiState ui = bare_ui_state(row.scale);
    ui.element_layers.header_stale = false;
    ui.element_layers.right_column_stale = false;
    set_launcher_content(ui, {}, five_news(), {}, std::nullopt);
    const ElementLayers& layers = ui.element_layers;
    EXPECT_EQ(layers.header.pixmap.width(), row.header_w) << row.scale;
    EXPECT_EQ(layers.header.pixmap.height(), row.header_h) << row.scale;
    EXPECT_EQ(layers.footer.pixmap.width(), row.footer_w) << row.scale;
    EXPECT_EQ(layers.footer.pixmap.height(), row.footer_h) << row.scale;
    EXPECT_NEAR(layers.footer.origin_x, row.footer_origin_x, 1e-4) << row.scale;
    EXPECT_NEAR(layers.right_column.origin_x * row.scale, std::floor(678.0f * row.scale), 1e-3);
    EXPECT_EQ(layers.right_column.pixmap.height(),
              static_cast<uint32_t>(std::ceil((70.0f + ui.layout.right_column_height) * row.scale) -
                                    std::floor(70.0f * row.scale)));
    EXPECT_EQ(layers.header.scale, row.scale);
    EXPECT_DOUBLE_EQ(layers.stamp, -100.0);
    EXPECT_TRUE(layers.header_stale && layers.right_column_stale && ui.redraw_needed && ui.force_full_redraw);
  }
}

TEST(LayoutContent, ReplacesTheListsAndTakesTheOpeningTimeOnlyWhenGiven) {
  UiState ui = bare_ui_state();
  set_opening_time(ui, "2026-12-05T20:00:00-03:00");
  const std::vector<LauncherLink> links{{text("Site"), std::nullopt}};
  const std::vector<LauncherInfo> info{{std::nullopt, text("")}};
  set_launcher_content(ui, links, five_news(), info, std::nullopt);
  EXPECT_EQ(ui.links, links);
  EXPECT_EQ(ui.news.size(), 5u);
  EXPECT_EQ(ui.info, info);
  EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h");

  set_launcher_content(ui, {}, {}, {}, std::string_view("2026-12-05T23:30:00Z"));
  EXPECT_TRUE(ui.links.empty() && ui.news.empty() && ui.info.empty());
  EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h30");
  EXPECT_EQ(ui.layout.header_items.size(), 1u);

  set_launcher_content(ui, {}, {}, {}, std::string_view(""));  // unparsable: the caption stays
  EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h30");
}

// Remote content an operator can get wrong, each checked against the room its strip or panel gives.
struct HostileContent {
  const char* name;
  std::vector<LauncherLink> links;
  std::vector<LauncherNews> news;
  std::vector<LauncherInfo> info;
};

std::vector<LauncherLink> eight_ordinary_links() {
  std::vector<LauncherLink> links;
  for (const char* name : {"Site oficial", "Discord oficial", "Ranking geral", "Loja de itens", "Fórum da guilda",
                           "Guia do jogador", "Suporte técnico", "Eventos semanais"})
    links.push_back({text(name), text("https://site.example/")});
  return links;
}

std::vector<HostileContent> hostile_contents() {
  const std::string huge(3'000'000, 'W');
  std::vector<LauncherLink> many_links;
  for (int i = 0; i < 10'000; ++i) many_links.push_back({"Link " + std::to_string(i), text("https://site.example/")});
  std::string many_pieces;
  for (int i = 0; i < 100'000; ++i) many_pieces += "x10|";
  const auto info = [](std::optional<std::string> label, std::optional<std::string> value) {
    return LauncherInfo{std::move(label), std::move(value)};
  };
  return {
      {"eight ordinary links", eight_ordinary_links(), {}, {}},
      {"ten thousand links", many_links, {}, {}},
      {"a long link", {{std::string(2'000'000, 'a'), text("https://site.example/")}}, {}, {}},
      {"long tag, long date, no tag",
       {},
       {{huge, std::nullopt, text("Título"), std::nullopt, text("08/10")},
        {text("EVENTO"), std::nullopt, text("Título"), std::nullopt, huge},
        {std::nullopt, std::nullopt, text("Sem etiqueta"), std::nullopt, text("08/10")}},
       {}},
      {"long tag and long date together", {}, {{huge, std::nullopt, huge, std::nullopt, huge}}, {}},
      {"long labels and values",
       {},
       {},
       {info(huge, huge), info(text("Taxas"), huge), info(huge, text("x5|x10|x20")), info(text("Taxas"), many_pieces),
        info(huge, many_pieces), info(std::string(100'000, '|'), std::string(100'000, '|'))}},
  };
}

float width_of(const Font& font, float size, float spacing, std::string_view s) {
  return shape_line(font, size, spacing, s, false).width;
}

// The values' span as the painter places them: right-aligned to 1065 with a bar between two pieces.
float values_span(const UiState& ui, const std::vector<std::string>& values) {
  const float gap = width_of(ui.fonts.manrope_regular, 12.0f, 0.0f, "|") + 14.0f;
  float total = 0.0f;
  for (const std::string& v : values) total += width_of(ui.fonts.manrope_bold, 12.0f, 0.0f, v);
  return total + static_cast<float>(values.size() - 1) * gap;
}

TEST(LayoutHostileContent, NothingLeavesItsStripOrPanelAndTheWindowControlsStillAnswer) {
  constexpr float eps = 1e-3f;
  for (const HostileContent& c : hostile_contents()) {
    SCOPED_TRACE(c.name);
    UiState ui = bare_ui_state();
    ui.server_status_text = "ONLINE";
    set_launcher_content(ui, c.links, c.news, c.info, std::nullopt);
    const MainLayout& l = ui.layout;

    // Header: "Opções" last, every item inside the strip, only what fits laid out.
    ASSERT_FALSE(l.header_items.empty());
    EXPECT_TRUE(l.header_items.back().opens_settings);
    EXPECT_LE(l.header_items.size(), 12u);
    EXPECT_LE(l.header_items.size(), c.links.size() + 1);
    for (const HeaderItem& item : l.header_items) {
      EXPECT_GE(item.x, l.links_start - eps) << item.text.substr(0, 40);
      EXPECT_LE(item.x + item.width, l.links_end + eps) << item.text.substr(0, 40);
      EXPECT_LT(item.text.size(), 1000u);
    }
    if (c.links.size() > 1) {
      EXPECT_GE(l.header_items.size(), 4u) << "the strip holds several ordinary links";
    }
    const auto hit = [&](float x) { return hit_test_main(ui.hit_regions, x, 28.5f).kind; };
    EXPECT_EQ(hit(l.close_x + 17.0f), HIT_CLOSE);
    EXPECT_EQ(hit(l.minimize_x + 17.0f), HIT_MINIMIZE);
    EXPECT_EQ(hit(l.status_x + 10.0f), HIT_NONE);
    EXPECT_FALSE(is_caption_at(ui, l.status_x + 10.0f, 28.5f)) << "the status pill does not drag";
    EXPECT_EQ(hit(70.0f), HIT_NONE);
    EXPECT_TRUE(is_caption_at(ui, 70.0f, 28.5f)) << "the brand drags the window";

    // News: the tag pill ends before the date; no pill without a tag; the title keeps to its limit.
    for (const NewsRow& row : l.news_rows) {
      if (row.tag.empty()) {
        EXPECT_EQ(row.tag_pill_width, 0.0f);
      } else {
        EXPECT_NEAR(row.tag_pill_width, width_of(ui.fonts.manrope_bold, 10.0f, 0.4f, row.tag) + 18.0f, eps);
      }
      const float date_left = 1065.0f - row.date_width;
      EXPECT_LE(695.0f + row.tag_pill_width, date_left + eps);
      EXPECT_LE(row.date_width, 185.0f + eps);
      EXPECT_NEAR(row.date_width, row.date.empty() ? 0.0f : width_of(ui.fonts.manrope_regular, 11.0f, 0.0f, row.date),
                  eps);
      EXPECT_LE(title_width(ui, row.title), 360.0f - row.date_width + 0.01f);
    }
    // Information: the label ends before the values begin, and the values start inside the panel.
    for (const InfoRow& row : l.info_rows) {
      const float label_right = 695.0f + width_of(ui.fonts.manrope_regular, 12.0f, 0.0f, row.label);
      const float values_left = 1065.0f - values_span(ui, row.values);
      EXPECT_LE(label_right, values_left + eps) << row.label.substr(0, 40);
      EXPECT_GE(values_left, 695.0f - eps);
      EXPECT_LT(row.values.size(), 100u);
    }
  }
}

TEST(LayoutHostileContent, OrdinaryContentIsNotCutAndTheLastLinkThatFitsIsCutWithTheEllipsis) {
  UiState ui = bare_ui_state();
  ui.server_status_text = "ONLINE";
  const std::vector<LauncherNews> news{{text("EVENTO"), std::nullopt, text("Título"), std::nullopt, text("08/10")}};
  const std::vector<LauncherInfo> info{{text("Taxas"), text("x5|x10|x20")}};
  const std::vector<LauncherLink> links = eight_ordinary_links();
  set_launcher_content(ui, links, news, info, std::nullopt);
  const MainLayout& l = ui.layout;
  EXPECT_EQ(l.news_rows[0].tag, "EVENTO");
  EXPECT_EQ(l.news_rows[0].date, "08/10");
  EXPECT_EQ(l.info_rows[0].label, "Taxas");
  EXPECT_EQ(l.info_rows[0].values, (std::vector<std::string>{"x5", "x10", "x20"}));
  // Whole links in order, then one cut, then "Opções"; the row fills the strip to within one link.
  const size_t shown = l.header_items.size() - 1;
  ASSERT_LT(shown, links.size());
  for (size_t i = 0; i + 1 < shown; ++i) EXPECT_EQ(l.header_items[i].text, *links[i].text);
  const std::string& cut = l.header_items[shown - 1].text;
  EXPECT_TRUE(cut.ends_with("…") && cut != "…" && links[shown - 1].text->starts_with(cut.substr(0, cut.size() - 3)))
      << cut;
  EXPECT_EQ(l.header_items[shown - 1].url, *links[shown - 1].url);
  const float row_right = l.header_items.back().x + l.header_items.back().width;
  EXPECT_NEAR(l.header_items.front().x - l.links_start, l.links_end - row_right, 1e-3);
}

}  // namespace
}  // namespace qo

// The main-screen painter's rules that a picture comparison would hide: which layers a call repaints, the server
// dot's colours, and the play button that ignores hover while not armed.
#include "ui/main_painter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/layout.h"
#include "ui/paint_style.h"
#include "ui/test_ui.h"

namespace qo {
namespace {

bool same_pixels(const Pixmap& a, const Pixmap& b) { return std::ranges::equal(a.pixels(), b.pixels()); }

TEST(MainPainter, RepaintsOnlyTheFlaggedLayersAndClearsTheirFlags) {
  UiState ui = test::make_test_ui();
  draw_main_screen(ui);
  ElementLayers& layers = ui.element_layers;
  EXPECT_FALSE(layers.header_stale || layers.right_column_stale || ui.redraw_needed);
  EXPECT_NE(pixel_alpha(layers.header.pixmap.pixel(5, 5)), 0u);

  constexpr uint32_t marker = 0xFF123456;
  const struct {
    bool header, right, footer;
  } rows[] = {{true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}};
  for (const auto& row : rows) {
    for (Canvas* layer : {&layers.header, &layers.right_column, &layers.footer}) layer->pixmap.fill_word(marker);
    layers.header_stale = row.header;
    layers.right_column_stale = row.right;
    ui.redraw_needed = row.footer;
    draw_main_screen(ui);
    EXPECT_EQ(layers.header.pixmap.pixel(0, 0) == marker, !row.header);
    EXPECT_EQ(layers.right_column.pixmap.pixel(0, 0) == marker, !row.right);
    EXPECT_EQ(layers.footer.pixmap.pixel(0, 0) == marker, !row.footer);
    EXPECT_FALSE(layers.header_stale || layers.right_column_stale || ui.redraw_needed);
  }
}

TEST(MainPainter, ServerDotColourFollowsTheProbe) {
  const struct {
    const char* text;
    bool online;
    Color dot;
  } rows[] = {{"", false, COLOR_DIM}, {"ONLINE", true, COLOR_ONLINE}, {"OFFLINE", false, COLOR_DANGER}};
  for (const auto& row : rows) {
    UiState ui = test::make_test_ui();
    ui.server_status_text = row.text;
    ui.server_online = row.online;
    relayout_texts(ui);
    paint_header_layer(ui);
    const uint32_t centre =
        ui.element_layers.header.pixmap.pixel(static_cast<uint32_t>(ui.layout.status_x + 16.5f), 28);
    EXPECT_EQ(centre, row.dot.premultiplied_word()) << row.text;
  }
}

TEST(MainPainter, PlayButtonIgnoresHoverUntilArmed) {
  UiState ui = test::make_test_ui();
  ui.play_caption = "verificando...";
  paint_footer_layer(ui);
  const Pixmap resting = ui.element_layers.footer.pixmap;
  ui.hover_fades[Hover{HIT_PLAY, 0}] = 1.0f;
  paint_footer_layer(ui);
  EXPECT_TRUE(same_pixels(resting, ui.element_layers.footer.pixmap));

  ui.play_armed = true;
  paint_footer_layer(ui);
  const Pixmap armed_hovered = ui.element_layers.footer.pixmap;
  ui.hover_fades.clear();
  paint_footer_layer(ui);
  EXPECT_FALSE(same_pixels(armed_hovered, ui.element_layers.footer.pixmap));
}

// The header between the link strip and the status pill, and around the brand, looks as it does with no links at
// all, whatever the links; a news row without a tag shows the bare panel where the pill would be.
TEST(MainPainter, HostileContentPaintsNothingOutsideItsRoom) {
  const auto paint = [](std::vector<LauncherLink> links, std::vector<LauncherNews> news) {
    UiState ui = test::make_test_ui();
    ui.server_status_text = "ONLINE";
    set_launcher_content(ui, links, news, {}, std::nullopt);
    draw_main_screen(ui);
    return ui;
  };
  const UiState plain = paint({}, {});
  std::vector<LauncherLink> many;
  for (const char* name : {"Site oficial", "Discord oficial", "Ranking geral", "Loja de itens", "Fórum da guilda",
                           "Guia do jogador", "Suporte técnico", "Eventos semanais"})
    many.push_back({std::string(name), std::string("https://site.example/")});
  const std::vector<std::vector<LauncherLink>> link_cases{many, {{std::string(2'000'000, 'a'), std::string("u")}}};
  for (const auto& links : link_cases) {
    const UiState ui = paint(links, {});
    const MainLayout& l = ui.layout;
    const Pixmap& header = ui.element_layers.header.pixmap;
    const Pixmap& bare = plain.element_layers.header.pixmap;
    for (uint32_t y = 12; y < 45; ++y) {
      for (uint32_t x = 0; x < header.width(); ++x) {
        const float lx = static_cast<float>(x) + 0.5f;
        if (lx > l.links_start - 1.0f && lx < l.links_end + 1.0f) continue;
        ASSERT_EQ(header.pixel(x, y), bare.pixel(x, y)) << "at " << x << "," << y;
      }
    }
  }

  const UiState untagged =
      paint({}, {{std::nullopt, std::nullopt, std::string("Sem etiqueta"), std::nullopt, std::nullopt}});
  const Pixmap& column = untagged.element_layers.right_column.pixmap;  // origin (678, 70)
  const uint32_t pill_y = 125 + 10 - 70;
  EXPECT_EQ(column.pixel(700 - 678, pill_y), column.pixel(900 - 678, pill_y));
  EXPECT_EQ(column.pixel(696 - 678, 125 + 1 - 70), column.pixel(900 - 678, 125 + 1 - 70));
}

}  // namespace
}  // namespace qo

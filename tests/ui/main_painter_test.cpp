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

}  // namespace
}  // namespace qo

// The small painters: what each draws at its edge values, checked against the same picture drawn another way.
#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gfx/shapes.h"
#include "icons/builtin_icons.h"
#include "ui/paint_style.h"
#include "ui/test_ui.h"

namespace qo {
namespace {

UiState bare_ui_state() { return test::make_bare_test_ui(); }

Canvas footer_canvas() { return Canvas::make_logical(18.0f, 540.0f, 1064.0f, 104.0f, 1.0f); }

bool all_transparent(const Pixmap& p) {
  for (uint32_t w : p.pixels())
    if (w != 0) return false;
  return true;
}

TEST(ProgressBar, FillFollowsTheClampedFraction) {
  Canvas track_only = footer_canvas();
  fill_round_rect(track_only, solid_paint(rgb8(255, 255, 255, 18 / 255.0f)), 39.0f, 583.0f, 572.0f, 9.0f, 4.5f);
  const struct {
    float fraction;
    float same_as;  // the fraction that must draw the same pixels; NaN: the bare track
  } rows[] = {
      {0.0f, std::nanf("")}, {-0.5f, std::nanf("")}, {std::nanf(""), std::nanf("")}, {1.2f, 1.0f}, {40.0f, 1.0f}};
  for (bool glow : {true, false}) {
    for (const auto& row : rows) {
      Canvas drawn = footer_canvas();
      draw_progress_bar(drawn, glow, 583.0f, 9.0f, row.fraction);
      Canvas expected = footer_canvas();
      if (std::isnan(row.same_as))
        expected = track_only;
      else
        draw_progress_bar(expected, glow, 583.0f, 9.0f, row.same_as);
      EXPECT_TRUE(
          drawn.pixmap.pixels().size() == expected.pixmap.pixels().size() &&
          std::equal(drawn.pixmap.pixels().begin(), drawn.pixmap.pixels().end(), expected.pixmap.pixels().begin()))
          << row.fraction << " glow " << glow;
    }
  }
}

TEST(ProgressBar, AFourPixelFillIsRoundedByHalfItsWidth) {
  Canvas drawn = footer_canvas();
  draw_progress_bar(drawn, false, 583.0f, 9.0f, 4.0f / 572.0f);
  Canvas expected = footer_canvas();
  fill_round_rect(expected, solid_paint(rgb8(255, 255, 255, 18 / 255.0f)), 39.0f, 583.0f, 572.0f, 9.0f, 4.5f);
  fill_round_rect(expected, shader_paint(gold_gradient(39.0f, 583.0f, 4.0f, 9.0f)), 39.0f, 583.0f, 4.0f, 9.0f, 2.0f);
  EXPECT_TRUE(std::equal(drawn.pixmap.pixels().begin(), drawn.pixmap.pixels().end(), expected.pixmap.pixels().begin()));
  // The glow stays inside the track: nothing above or below it.
  Canvas glowing = footer_canvas();
  draw_progress_bar(glowing, true, 583.0f, 9.0f, 0.5f);
  for (uint32_t x = 0; x < glowing.pixmap.width(); ++x) {
    EXPECT_EQ(glowing.pixmap.pixel(x, 583 - 540 - 2), 0u) << x;
    EXPECT_EQ(glowing.pixmap.pixel(x, 583 - 540 + 9 + 1), 0u) << x;
  }
}

TEST(Widgets, ZeroOpacityDrawsNothing) {
  UiState ui = bare_ui_state();
  ui.opening_caption = "05 de dezembro · 20h";
  Canvas canvas = Canvas::make(1100, 660, 0, 0, 1);
  draw_countdown(ui, canvas, 150.0f, 300.0f, 0.0f, {70.0f, 70.0f, 78.0f, 86.0f});
  draw_subtitle_pill(ui, canvas, 200.0f, 200.0f, 260.0f, 0.0f);
  draw_countdown(ui, canvas, 150.0f, 300.0f, 0.001f, {70.0f, 70.0f, 78.0f, 86.0f});
  EXPECT_TRUE(all_transparent(canvas.pixmap));
}

TEST(Widgets, SectionLabelIsDrawnInUpperCase) {
  UiState ui = bare_ui_state();
  const struct {
    const char* lower;
    const char* upper;
  } rows[] = {{"novidades", "NOVIDADES"}, {"configuração", "CONFIGURAÇÃO"}, {"áudio e ç", "ÁUDIO E Ç"}};
  for (const auto& row : rows) {
    Canvas a = Canvas::make(200, 30, 0, 0, 1.5f);
    Canvas b = Canvas::make(200, 30, 0, 0, 1.5f);
    draw_section_label(a, ui, 4.0f, 4.0f, 10.0f, row.lower);
    draw_section_label(b, ui, 4.0f, 4.0f, 10.0f, row.upper);
    EXPECT_TRUE(std::equal(a.pixmap.pixels().begin(), a.pixmap.pixels().end(), b.pixmap.pixels().begin())) << row.lower;
    EXPECT_FALSE(all_transparent(a.pixmap));
  }
}

TEST(Widgets, ButtonBoxWithoutHoverIsOnlyTheMutedIcon) {
  const BuiltinIcons icons = build_builtin_icons();
  for (bool danger : {true, false}) {
    Canvas drawn = Canvas::make(60, 50, 0, 0, 1);
    draw_rounded_button_box(drawn, icons.icon_close, 10.0f, 8.0f, 0.0f, danger);
    Canvas expected = Canvas::make(60, 50, 0, 0, 1);
    draw_icon(expected, icons.icon_close, 21.5f, 18.5f, 11.0f, CLOSE_ICON_VIEW_SIZE, COLOR_MUTED, 1.6f);
    EXPECT_TRUE(
        std::equal(drawn.pixmap.pixels().begin(), drawn.pixmap.pixels().end(), expected.pixmap.pixels().begin()));
    // Hovered, the box shows: its corner area (outside the icon) is painted.
    Canvas hovered = Canvas::make(60, 50, 0, 0, 1);
    draw_rounded_button_box(hovered, icons.icon_close, 10.0f, 8.0f, 1.0f, danger);
    EXPECT_NE(pixel_alpha(hovered.pixmap.pixel(27, 10)), 0u);
  }
}

}  // namespace
}  // namespace qo

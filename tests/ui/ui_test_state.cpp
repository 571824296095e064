#include "ui/ui_test_state.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "icons/builtin_icons.h"
#include "ui/layout.h"
#include "util/embedded_assets.h"

namespace qo::test {
namespace {

Font embedded_font(std::string_view name) {
  std::optional<Font> font = load_font(embedded_asset(name));
  if (!font) {
    std::fprintf(stderr, "embedded font %s does not load\n", std::string(name).c_str());
    std::abort();
  }
  return std::move(*font);
}

}  // namespace

FontSet embedded_font_set(bool with_arial_slot) {
  FontSet fonts{embedded_font("fonts/Manrope-Regular.ttf"), embedded_font("fonts/Manrope-Medium.ttf"),
                embedded_font("fonts/Manrope-SemiBold.ttf"), embedded_font("fonts/Manrope-Bold.ttf"),
                embedded_font("fonts/Urbanist-Bold.ttf"),    embedded_font("fonts/Urbanist-ExtraBold.ttf"),
                std::nullopt};
  if (with_arial_slot) fonts.arial = embedded_font("fonts/Urbanist-Bold.ttf");
  return fonts;
}

UiState bare_ui_state(float scale) {
  UiState ui(embedded_font_set(false), UiClockSource::fixed(0, TEST_WALL_NS));
  const BuiltinIcons icons = build_builtin_icons();
  ui.icon_globe = icons.icon_globe;
  ui.icon_chat = icons.icon_chat;
  ui.icon_trophy = icons.icon_trophy;
  ui.icon_gem = icons.icon_gem;
  ui.icon_sun_large = icons.icon_sun_large;
  ui.icon_sun_small = icons.icon_sun_small;
  ui.icon_arrow = icons.icon_arrow;
  ui.icon_clock = icons.icon_clock;
  ui.icon_play = icons.icon_play;
  ui.icon_close = icons.icon_close;
  ui.icon_chevron = icons.icon_chevron;
  ui.scale = scale;
  return ui;
}

UiState painter_ui_state(float scale) {
  UiState ui = bare_ui_state(scale);
  relayout_texts(ui);
  return ui;
}

}  // namespace qo::test

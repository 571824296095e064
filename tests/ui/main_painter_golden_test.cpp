// The main screen's three element layers and the small widgets, drawn with fixed clocks and content and compared
// with reference pictures. Each layer is shown over an opaque backdrop so its translucent panels can be judged.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "config/default_launcher_config.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/shapes.h"
#include "golden/golden_image.h"
#include "ui/layout.h"
#include "ui/main_painter.h"
#include "ui/paint_style.h"
#include "ui/status.h"
#include "ui/test_ui.h"
#include "ui/widgets.h"
#include "util/embedded_assets.h"

namespace qo {
namespace {

using test::matches_golden;

constexpr double TEST_UI_CLOCK = 10.0;

// A dark green-black wash like the darkened picture the layers sit on.
Pixmap on_backdrop(const Canvas& layer) {
  Canvas backdrop =
      Canvas::make(layer.pixmap.width(), layer.pixmap.height(), layer.origin_x, layer.origin_y, layer.scale);
  const std::array<ColorStop, 2> stops{{{0.0f, rgb8(0x2A, 0x3A, 0x33)}, {1.0f, rgb8(0x06, 0x0A, 0x09)}}};
  const float w = static_cast<float>(layer.pixmap.width()) / layer.scale;
  const float h = static_cast<float>(layer.pixmap.height()) / layer.scale;
  fill_round_rect(backdrop, shader_paint(build_linear_gradient(stops, layer.origin_x, layer.origin_y, w, h, 160.0f)),
                  layer.origin_x, layer.origin_y, w, h, 0.0f);
  blend_pixmap_opacity(backdrop.pixmap, layer.pixmap, 1.0f, 0, 0);
  return backdrop.pixmap;
}

std::optional<std::string> text(std::string_view s) { return std::string(s); }

// The built-in launcher.json content, a finished update and an armed play button.
void apply_default_scene(UiState& ui) {
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  set_status(ui, "Cliente pronto para jogar.", "-", 100.0f, 100.0f, "");
  ui.play_armed = true;
  ui.play_caption = "cliente pronto";
}

// Long titles, a three-piece value, a link without address, a download in progress, hover on a news row.
void apply_prepared_scene(UiState& ui) {
  const std::vector<LauncherLink> links{{text("Site"), text("https://site.example")},
                                        {text("Discord"), std::nullopt},
                                        {text("Ranking"), text("https://site.example/rankings")}};
  std::vector<LauncherNews> news;
  const char* titles[] = {
      "Grande atualização de inverno: novas masmorras, chefes lendários e recompensas para todos os jogadores",
      "Evento de fim de semana com experiência em dobro e drops especiais em todos os mapas do continente",
      "Manutenção programada dos servidores na madrugada de quarta-feira para melhorias de estabilidade",
      "Quarta notícia que não aparece", "Quinta notícia que não aparece"};
  const char* colors[] = {"#7C3AED", "#3b82f6", "#EF4444", "#ABC", "zz"};
  const char* dates[] = {"12/10", "", "novo", "01/10", "02/10"};
  for (int i = 0; i < 5; ++i)
    news.push_back(LauncherNews{text(i == 2 ? "MANUTENÇÃO" : "EVENTO"), text(colors[i]), text(titles[i]),
                                text("https://site.example/media"), text(dates[i])});
  const std::vector<LauncherInfo> info{{text("Experiência"), text("10x|VIP 11,5x|Premium 12x")},
                                       {text("Versão"), text("Season 6")},
                                       {text("Jogadores"), text("1.234")}};
  ui.server_status_text = "OFFLINE";
  ui.server_online = false;
  set_launcher_content(ui, links, news, info, std::nullopt);
  set_status(ui, "Baixando arquivos do jogo: 12 de 48",
             "Data/Texturas/Personagens/guerreiro_armadura_lendaria_brilhante_vermelha_e_dourada_v2.ozj", 62.0f, 37.0f,
             "1,5 MB/s");
  ui.play_armed = false;
  ui.play_caption = "verificando...";
  ui.windowed = false;
  ui.windowed_knob = Tween{0.0f, 0.0f, -100.0, 0.2f};
  ui.hover_fades[Hover{HIT_NEWS_ROW, 1}] = 1.0f;
  ui.hover_fades[Hover{HIT_HEADER_LINK, 0}] = 1.0f;
  ui.hover_fades[Hover{HIT_HEADER_LINK, 1}] = 1.0f;
  ui.hover_fades[Hover{HIT_CLOSE, 0}] = 0.6f;
  ui.hover_fades[Hover{HIT_SETTINGS_BUTTON, 0}] = 1.0f;
}

UiState scene_state(float scale, void (*apply)(UiState&)) {
  UiState ui = test::make_test_ui(scale);
  ui.ui_clock = TEST_UI_CLOCK;
  apply(ui);
  ui.ui_clock = TEST_UI_CLOCK + 1.0;  // every tween has finished
  draw_main_screen(ui);
  return ui;
}

struct LayerScene {
  const char* name;
  float scale;
  void (*apply)(UiState&);
};

void PrintTo(const LayerScene& scene, std::ostream* out) { *out << scene.name << " at " << scene.scale; }

class MainScreenLayers : public ::testing::TestWithParam<LayerScene> {};

TEST_P(MainScreenLayers, MatchReferencePictures) {
  const LayerScene& scene = GetParam();
  const UiState ui = scene_state(scene.scale, scene.apply);
  const std::string suffix = std::string(scene.name) + (scene.scale == 1.0f ? "" : "_x1_5");
  EXPECT_TRUE(matches_golden("ui_header_" + suffix, on_backdrop(ui.element_layers.header)));
  EXPECT_TRUE(matches_golden("ui_right_column_" + suffix, on_backdrop(ui.element_layers.right_column)));
  EXPECT_TRUE(matches_golden("ui_footer_" + suffix, on_backdrop(ui.element_layers.footer)));
}

INSTANTIATE_TEST_SUITE_P(Scenes, MainScreenLayers,
                         ::testing::Values(LayerScene{"default", 1.0f, apply_default_scene},
                                           LayerScene{"default", 1.5f, apply_default_scene},
                                           LayerScene{"prepared", 1.0f, apply_prepared_scene},
                                           LayerScene{"prepared", 1.5f, apply_prepared_scene}),
                         [](const auto& info) {
                           return std::string(info.param.name) + (info.param.scale == 1.0f ? "_1" : "_1_5");
                         });

TEST(MainScreenLayers, ArmedPlayButtonLiftedByHover) {
  UiState ui = scene_state(1.0f, apply_prepared_scene);
  ui.play_armed = true;
  ui.play_caption = "abrir outra conta";
  ui.hover_fades[Hover{HIT_PLAY, 0}] = 1.0f;
  paint_footer_layer(ui);
  EXPECT_TRUE(matches_golden("ui_footer_prepared_armed_hover", on_backdrop(ui.element_layers.footer)));
}

// Countdown frame, pill, eyebrows, bars, switches and button boxes on one sheet.
TEST(WidgetSheet, MatchesReferencePicture) {
  for (float scale : {1.0f, 1.5f}) {
    UiState ui = test::make_test_ui(scale);
    Canvas sheet = Canvas::make_logical(0.0f, 0.0f, 660.0f, 330.0f, scale);
    const std::array<ColorStop, 2> stops{{{0.0f, rgb8(0x2A, 0x3A, 0x33)}, {1.0f, rgb8(0x06, 0x0A, 0x09)}}};
    fill_round_rect(sheet, shader_paint(build_linear_gradient(stops, 0, 0, 660, 330, 160.0f)), 0, 0, 660, 330, 0);

    draw_subtitle_pill(ui, sheet, 330.0f - ui.layout.subtitle_pill_width / 2.0f, 14.0f, ui.layout.subtitle_pill_width,
                       1.0f);
    draw_countdown(ui, sheet, 330.0f - (70.0f + 70.0f + 78.0f + 86.0f + 27.0f) / 2.0f, 56.0f, 1.0f,
                   {70.0f, 70.0f, 78.0f, 86.0f});
    draw_section_label(sheet, ui, 39.0f, 168.0f, 10.0f, "novidades");
    draw_section_label(sheet, ui, 200.0f, 168.0f, 10.0f, "configuração");
    draw_section_label(sheet, ui, 400.0f, 166.0f, 14.0f, "áudio e ç");
    draw_progress_bar(sheet, true, 192.0f, 9.0f, 0.0f);
    draw_progress_bar(sheet, true, 208.0f, 9.0f, 0.42f);
    draw_progress_bar(sheet, true, 224.0f, 9.0f, 1.2f);
    draw_progress_bar(sheet, false, 240.0f, 9.0f, 4.0f / 572.0f);
    draw_progress_bar(sheet, false, 256.0f, 5.0f, 0.7f);
    draw_toggle_switch(sheet, true, 39.0f, 280.0f, 1.0f);
    draw_toggle_switch(sheet, false, 89.0f, 280.0f, 0.0f);
    draw_toggle_switch(sheet, true, 139.0f, 280.0f, 0.5f);
    draw_rounded_button_box(sheet, ui.icons.icon_close, 200.0f, 276.0f, 0.0f, true);
    draw_rounded_button_box(sheet, ui.icons.icon_close, 244.0f, 276.0f, 1.0f, true);
    draw_rounded_button_box(sheet, ui.icons.icon_close, 288.0f, 276.0f, 0.5f, false);
    EXPECT_TRUE(matches_golden(scale == 1.0f ? "ui_widgets" : "ui_widgets_x1_5", sheet.pixmap)) << scale;
  }
}

TEST(PlayCaption, UsesTheArialSlotWhenPresentAndManropeRegularOtherwise) {
  UiState without = scene_state(1.0f, apply_default_scene);
  UiState manrope_in_slot = scene_state(1.0f, apply_default_scene);
  manrope_in_slot.fonts.arial = load_font(embedded_asset("fonts/Manrope-Regular.ttf"));
  paint_footer_layer(manrope_in_slot);
  EXPECT_TRUE(std::ranges::equal(without.element_layers.footer.pixmap.pixels(),
                                 manrope_in_slot.element_layers.footer.pixmap.pixels()));

  UiState other_face = scene_state(1.0f, apply_default_scene);
  // A stand-in for the system face, unmistakable beside Manrope, so the test does not depend on the machine.
  other_face.fonts = load_font_set(std::filesystem::path(QO_SOURCE_DIR) / "assets" / "fonts" / "Urbanist-Bold.ttf");
  other_face.sprites = SpriteCache{};
  paint_footer_layer(other_face);
  // Only the caption's band (below the label, above the button's bottom) changes.
  const Pixmap& a = without.element_layers.footer.pixmap;
  const Pixmap& b = other_face.element_layers.footer.pixmap;
  bool caption_changed = false;
  for (uint32_t y = 0; y < a.height(); ++y) {
    for (uint32_t x = 0; x < a.width(); ++x) {
      const bool in_caption = x >= 825 - 18 && x < 1065 - 18 && y >= 596 - 540 && y < 616 - 540;
      if (a.pixel(x, y) != b.pixel(x, y)) {
        EXPECT_TRUE(in_caption) << x << "," << y;
        caption_changed = true;
      }
    }
  }
  EXPECT_TRUE(caption_changed);
}

}  // namespace
}  // namespace qo

// The settings dialog at rest over the main screen, drawn with fixed clocks and compared with reference pictures.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "config/default_launcher_config.h"
#include "gfx/image_blit.h"
#include "golden/golden_image.h"
#include "ui/layout.h"
#include "ui/main_painter.h"
#include "ui/settings_dialog.h"
#include "ui/status.h"
#include "ui/test_ui.h"

namespace qo {
namespace {

constexpr double TEST_UI_CLOCK = 10.0;

// The main screen as the window holds it when the dialog opens: the hero picture, its overlay and the three
// element layers with the built-in content.
void paint_main_screen_picture(UiState& ui) {
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  set_status(ui, "Verificando arquivos...", "Data/Local/Por/Text_Por.bmd", 51.0f, 92.0f, "");
  ui.play_armed = true;
  ui.play_caption = "tudo pronto";
  ui.ui_clock = TEST_UI_CLOCK + 1.0;  // every tween has finished
  draw_main_screen(ui);

  Pixmap& canvas = ui.canvas.pixmap;
  const float s = ui.scale;
  draw_image_scaled(*ui.layers.hero, canvas, ui.layers.hero_x * s, ui.layers.hero_y * s, 1.0f, 1.0f, 1.0f, false,
                    full_clip(canvas));
  blend_pixmap_opacity(canvas, *ui.layers.overlay, 1.0f, 0, 0);
  const ElementLayers& layers = ui.element_layers;
  for (const Canvas* layer : {&layers.header, &layers.right_column, &layers.footer})
    blend_pixmap_opacity(canvas, layer->pixmap, 1.0f, round_to_i32(layer->origin_x * s),
                         round_to_i32(layer->origin_y * s));
}

// The window once the dialog has faded in: the snapshot, the darkened backdrop over it, the dialog over both.
Pixmap dialog_at_rest(const UiState& ui) {
  const SettingsDialogState& dialog = *ui.dialog;
  Pixmap window = dialog.snapshot;
  blend_pixmap_opacity(window, dialog.backdrop, 1.0f, 0, 0);
  Canvas layer = Canvas::make(ui.canvas_width, ui.canvas_height, 0.0f, 0.0f, ui.scale);
  draw_settings_dialog(ui, layer, dialog);
  blend_pixmap_opacity(window, layer.pixmap, 1.0f, 0, 0);
  return window;
}

// The capture's model as it opens.
void capture_scene(UiState& ui) { open_settings_dialog(ui, capture_settings_model()); }

// The default options with the resolution list shown, scrolled by two, the pointer on its sixth item.
void list_scene(UiState& ui) {
  open_settings_dialog(ui, settings_dialog_model(GameOptions{}, {}));
  SettingsDialogState& dialog = *ui.dialog;
  dialog.list_open = true;
  dialog.open_row = 1;
  dialog.scroll = 2;
  dialog.hit_regions = settings_dialog_hit_regions(dialog);
  ui.hover = Hover{HIT_DIALOG_OPTION, 5};
  dialog.hovered_option = 5;
}

// A failed save: the notice above the buttons, the language list shown above its row, the pointer on "Cancelar".
void notice_scene(UiState& ui) {
  SettingsDialogModel model = capture_settings_model();
  model.volume = 7;
  model.sound = true;
  open_settings_dialog(ui, std::move(model));
  SettingsDialogState& dialog = *ui.dialog;
  dialog.notice = "Não foi possível salvar as configurações: o Windows recusou a gravação no registro";
  ui.hover = Hover{HIT_DIALOG_CANCEL, 0};
}

void language_list_scene(UiState& ui) {
  notice_scene(ui);
  SettingsDialogState& dialog = *ui.dialog;
  dialog.list_open = true;
  dialog.open_row = 4;
  dialog.hovered_option = 1;
  ui.hover = Hover{HIT_DIALOG_OPTION, 1};
}

struct DialogScene {
  const char* name;
  float scale;
  void (*apply)(UiState&);
};

void PrintTo(const DialogScene& scene, std::ostream* out) { *out << scene.name << " at " << scene.scale; }

class SettingsDialogPictures : public ::testing::TestWithParam<DialogScene> {};

TEST_P(SettingsDialogPictures, MatchReferencePictures) {
  const DialogScene& scene = GetParam();
  UiState ui = test::make_test_ui(scene.scale);
  paint_main_screen_picture(ui);
  ui.ui_clock = TEST_UI_CLOCK + 2.0;
  scene.apply(ui);
  const std::string suffix = scene.scale == 1.0f ? "" : "_x1_5";
  EXPECT_TRUE(test::matches_golden(std::string("ui_dialog_") + scene.name + suffix, dialog_at_rest(ui)));
}

INSTANTIATE_TEST_SUITE_P(Scenes, SettingsDialogPictures,
                         ::testing::Values(DialogScene{"capture", 1.0f, capture_scene},
                                           DialogScene{"capture", 1.5f, capture_scene},
                                           DialogScene{"list", 1.0f, list_scene},
                                           DialogScene{"list", 1.5f, list_scene},
                                           DialogScene{"notice", 1.0f, notice_scene},
                                           DialogScene{"language_list", 1.0f, language_list_scene}),
                         [](const auto& info) {
                           return std::string(info.param.name) + (info.param.scale == 1.0f ? "_1" : "_1_5");
                         });

}  // namespace
}  // namespace qo

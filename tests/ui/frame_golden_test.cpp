// Whole frames of the window drawn by render_frame with fixed clocks and spark seed, against reference pictures:
// the main screen settled, in the middle of its intro, and with the settings dialog open (at rest, and with a
// row's value list shown).
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#include "config/default_launcher_config.h"
#include "golden/golden_image.h"
#include "ui/fast_forward.h"
#include "ui/frame.h"
#include "ui/layout.h"
#include "ui/settings_dialog.h"
#include "ui/status.h"
#include "ui/test_ui.h"
#include "ui/tween.h"

namespace qo {
namespace {

// The capture's sample window: built-in content, the server online, a check of the files under way, Play armed.
UiState sample_window(float scale) {
  UiState ui = test::make_test_ui(scale);
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  ui.server_online = true;
  ui.server_status_text = "ONLINE";
  relayout_texts(ui);
  tween_retarget(ui.windowed_knob, 1.0f, ui.ui_clock);
  set_status(ui, "Verificando arquivos...", "Data/Local/Por/Text_Por.bmd", 51.0f, 92.0f, "");
  ui.play_armed = true;
  ui.play_caption = "tudo pronto";
  ui.redraw_needed = true;
  return ui;
}

void settled(UiState& ui) { fast_forward_and_render(ui, 3.0f); }

void mid_intro(UiState& ui) { fast_forward_and_render(ui, 0.4f); }

void dialog_open(UiState& ui) {
  settled(ui);
  open_settings_dialog(ui, capture_settings_model());
  fast_forward_and_render(ui, 1.0f);
}

void dialog_with_list(UiState& ui) {
  dialog_open(ui);
  ui.dialog->list_open = true;
  ui.dialog->open_row = 1;  // "Resolução"
  ui.dialog->hovered_option = 2;
  ui.dialog->dirty = true;
  render_frame(ui);
}

struct FrameScene {
  const char* name;
  float scale;
  void (*play)(UiState&);
};

void PrintTo(const FrameScene& scene, std::ostream* out) { *out << scene.name << " at " << scene.scale; }

class WholeFrames : public ::testing::TestWithParam<FrameScene> {};

TEST_P(WholeFrames, MatchReferencePictures) {
  const FrameScene& scene = GetParam();
  UiState ui = sample_window(scene.scale);
  scene.play(ui);
  const std::string name = std::string("frame_") + scene.name + (scene.scale == 1.0f ? "" : "_x1_5");
  EXPECT_TRUE(test::matches_golden(name, ui.canvas.pixmap));
}

INSTANTIATE_TEST_SUITE_P(Scenes, WholeFrames,
                         ::testing::Values(FrameScene{"settled", 1.0f, settled}, FrameScene{"settled", 1.5f, settled},
                                           FrameScene{"intro", 1.0f, mid_intro}, FrameScene{"intro", 1.5f, mid_intro},
                                           FrameScene{"dialog", 1.0f, dialog_open},
                                           FrameScene{"dialog", 1.5f, dialog_open},
                                           FrameScene{"dialog_list", 1.0f, dialog_with_list},
                                           FrameScene{"dialog_list", 1.5f, dialog_with_list}),
                         [](const auto& info) {
                           return std::string(info.param.name) + (info.param.scale == 1.0f ? "_1" : "_1_5");
                         });

// The worker's picture and this thread's are the same arithmetic: a settled frame is the same whichever drew it.
TEST(FrameWorkerPicture, SameAsThePaintOnTheWindowThread) {
  UiState ui = sample_window(1.0f);
  settled(ui);  // painted here, and the worker asked for the same instant
  const Pixmap painted_here = ui.canvas.pixmap;
  ASSERT_TRUE(ui.backdrop.has_value());
  ui.backdrop->last_asked.reset();  // the next frame asks again: a reply may have been taken while settling
  bool taken = false;  // a reply taken puts its frame in place of the background
  for (int i = 0; i < 2000 && !taken; ++i) {
    const uint32_t* shown = ui.frame.background.pixels().data();
    render_frame(ui);
    taken = ui.frame.background.pixels().data() != shown;
    if (!taken) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(taken);
  EXPECT_EQ(ui.last_background_time, 3.0);
  EXPECT_EQ(test::compare_pixels(ui.canvas.pixmap, painted_here, 0).differing_pixels, 0u);
}

}  // namespace
}  // namespace qo

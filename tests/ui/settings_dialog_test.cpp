#include "ui/settings_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/image_blit.h"
#include "text/shaping.h"
#include "test_ui.h"

namespace qo {
namespace {

// A state whose canvas holds one opaque colour, with a dialog opened over it.
UiState opened(const SettingsDialogModel& model, float scale = 1.0f) {
  UiState ui = test::make_test_ui(scale);
  ui.canvas.pixmap.fill_word(0xFF'40'80'C0);
  ui.ui_clock = 10.0;
  open_settings_dialog(ui, model);
  return ui;
}

std::vector<DialogOption> options_of(std::initializer_list<const char*> ids) {
  std::vector<DialogOption> options;
  for (const char* id : ids) options.push_back({id, std::string("label ") + id});
  return options;
}

TEST(SettingsDialogModel, BuiltFromTheGameOptions) {
  GameOptions options;
  options.window_mode = 2;
  options.resolution = 14;
  options.fps_index = 3;
  options.render_state = true;
  options.lang = "Spn";
  options.volume = 7;
  options.sound = false;
  options.music = true;
  const SettingsDialogModel model = settings_dialog_model(options, {});

  const std::array<const char*, DIALOG_ROW_COUNT> current = {"2", "14", "3", "1", "Spn"};
  const std::array<size_t, DIALOG_ROW_COUNT> counts = {3, 20, 7, 2, 3};
  for (size_t row = 0; row < DIALOG_ROW_COUNT; ++row) {
    EXPECT_EQ(model.rows[row].current_id, current[row]) << row;
    EXPECT_EQ(model.rows[row].options.size(), counts[row]) << row;
  }
  EXPECT_EQ(model.rows[0].options[0], (DialogOption{"1", "Janela"}));
  EXPECT_EQ(model.rows[1].options[13], (DialogOption{"13", "1910x970"}));
  EXPECT_EQ(model.rows[2].options[5], (DialogOption{"5", "300 FPS (padrão)"}));
  EXPECT_EQ(model.rows[2].options[6], (DialogOption{"6", "360 FPS"}));
  EXPECT_EQ(model.rows[3].options[0], (DialogOption{"0", "OpenGL 2 (clássico)"}));
  EXPECT_EQ(model.rows[4].options[1], (DialogOption{"Eng", "English"}));
  EXPECT_EQ(model.volume, 7u);
  EXPECT_FALSE(model.sound);
  EXPECT_TRUE(model.music);

  // The game keeps a language code's spelling; the row still finds it, so a save keeps the language.
  const struct {
    const char* stored;
    const char* id;
  } languages[] = {{"ENG", "Eng"}, {"spn", "Spn"}, {"Por", "Por"}, {"xx", "xx"}};
  for (const auto& l : languages) {
    options.lang = l.stored;
    EXPECT_EQ(settings_dialog_model(options, {}).rows[4].current_id, l.id) << l.stored;
  }

  // A resolution list read from the game's folder replaces the built-in one.
  const SettingsDialogModel read = settings_dialog_model(options, options_of({"1", "3"}));
  EXPECT_EQ(read.rows[1].options, options_of({"1", "3"}));
}

TEST(OpenSettingsDialog, SelectionsVolumeAndSwitches) {
  SettingsDialogModel model;
  model.rows[0] = {options_of({"1", "0", "2"}), "2"};
  model.rows[1] = {options_of({"0", "1"}), "9"};      // not in its list: the first option
  model.rows[2] = {options_of({"a", "a"}), "a"};      // the first of equal ids
  model.rows[3] = {{}, "0"};                          // an empty list
  model.rows[4] = {options_of({"Por", "Eng"}), "eng"};  // ids compare byte for byte
  model.volume = 14;
  model.sound = true;
  model.music = false;
  const UiState ui = opened(model);

  const SettingsDialogState& dialog = *ui.dialog;
  EXPECT_EQ(dialog.selected, (std::array<uint32_t, DIALOG_ROW_COUNT>{2, 0, 0, 0, 0}));
  EXPECT_EQ(dialog.options[0].size(), 3u);
  EXPECT_EQ(dialog.volume, 10u);
  EXPECT_TRUE(dialog.sound);
  EXPECT_EQ(dialog.sound_knob.value, 1.0f);
  EXPECT_EQ(dialog.sound_knob.target, 1.0f);
  EXPECT_EQ(dialog.music_knob.value, 0.0f);
  EXPECT_EQ(dialog.music_knob.start, -100.0);
  EXPECT_EQ(dialog.sound_knob.duration, 0.2f);
  EXPECT_EQ(dialog.opened_at, 10.0);
  EXPECT_FALSE(dialog.list_open || dialog.saving || dialog.slider_dragging || dialog.notice);
  EXPECT_TRUE(dialog.dirty);
  EXPECT_TRUE(ui.force_full_redraw);
}

TEST(OpenSettingsDialog, MegabyteOptionLabelsAreBoundedBeforeTheyAreShapedAndStillEndInTheEllipsis) {
  // Labels come from the game's own files (Resolutions.xml): a damaged file can make one megabytes long.
  const std::vector<std::string> huge_labels{std::string(1'000'000, 'W'), std::string(3'000'000, 'i'),
                                             std::string(1'500'000, ' ') + "1920x1080"};
  SettingsDialogModel model;
  for (size_t i = 0; i < huge_labels.size(); ++i)
    model.rows[1].options.push_back({std::to_string(i), huge_labels[i]});
  model.rows[1].options.push_back({"3", "1024x768"});
  model.rows[1].current_id = "2";
  UiState ui = opened(model);
  SettingsDialogState& dialog = *ui.dialog;
  ASSERT_EQ(dialog.options[1].size(), 4u);
  EXPECT_EQ(dialog.options[1][3].label, "1024x768");
  const Font& font = ui.fonts.manrope_medium;
  for (size_t i = 0; i < huge_labels.size(); ++i) {
    const DialogOption& option = dialog.options[1][i];
    EXPECT_EQ(option.id, std::to_string(i));
    EXPECT_LT(option.label.size(), 1024u) << i;
    // What the box shows is what fitting the whole label would show.
    EXPECT_EQ(fit_text_ellipsis(font, 13.0f, 244.0f, option.label),
              fit_text_ellipsis(font, 13.0f, 244.0f, huge_labels[i]))
        << i;
  }
  dialog.list_open = true;
  dialog.open_row = 1;
  Canvas canvas{Pixmap::make(ui.canvas_width, ui.canvas_height), 0.0f, 0.0f, ui.scale};
  EXPECT_FALSE(draw_settings_dialog(ui, canvas, dialog).empty());
}

TEST(OpenSettingsDialog, SnapshotAndDarkenedBlurredBackdrop) {
  for (const float scale : {1.0f, 1.5f}) {
    UiState ui = test::make_test_ui(scale);
    // Left half white, right half black: the blur softens the edge between them.
    Pixmap& canvas = ui.canvas.pixmap;
    const uint32_t w = canvas.width();
    for (uint32_t y = 0; y < canvas.height(); ++y)
      for (uint32_t x = 0; x < w; ++x) canvas.set_pixel(x, y, x < w / 2 ? 0xFFFFFFFF : 0xFF000000);
    open_settings_dialog(ui, capture_settings_model());
    const SettingsDialogState& dialog = *ui.dialog;
    ASSERT_EQ(dialog.snapshot.pixels().size(), canvas.pixels().size());
    EXPECT_TRUE(std::equal(canvas.pixels().begin(), canvas.pixels().end(), dialog.snapshot.pixels().begin()));
    ASSERT_EQ(dialog.backdrop.width(), w);
    ASSERT_EQ(dialog.backdrop.height(), canvas.height());

    // #030605 at 179/255 over white and over black, far from the edge.
    const uint32_t mid_y = canvas.height() / 2;
    const uint32_t over_white = dialog.backdrop.pixel(10, mid_y);
    const uint32_t over_black = dialog.backdrop.pixel(w - 10, mid_y);
    EXPECT_NEAR(pixel_red(over_white), 78, 1);
    EXPECT_NEAR(pixel_green(over_white), 80, 1);
    EXPECT_NEAR(pixel_red(over_black), 2, 1);
    EXPECT_EQ(pixel_alpha(over_white), 255u);
    // Beside the edge the two sides mix.
    const uint32_t near_edge = pixel_red(dialog.backdrop.pixel(w / 2 - 2, mid_y));
    EXPECT_GT(near_edge, 10u);
    EXPECT_LT(near_edge, 70u);
  }
}

TEST(OpenSettingsDialog, PointerAlreadyOverAControlHoversIt) {
  UiState ui = test::make_test_ui();
  ui.pointer_x = 700.0f;  // over "Salvar" (buttons at 68 + 469)
  ui.pointer_y = 550.0f;
  open_settings_dialog(ui, capture_settings_model());
  EXPECT_EQ(ui.hover, (Hover{HIT_DIALOG_SAVE, 0}));

  ui.pointer_x = ui.pointer_y = -1.0f;  // outside the window: nothing hovered
  open_settings_dialog(ui, capture_settings_model());
  EXPECT_EQ(ui.hover, (Hover{HIT_NONE, 0}));
}

TEST(SettingsDialogGeometry, NoticeGrowsThePanelAndLowersTheButtons) {
  const struct {
    bool notice;
    float top, height, buttons;
  } cases[] = {{false, 68.0f, 524.0f, 537.0f}, {true, 46.0f, 569.0f, 560.0f}};
  for (const auto& c : cases) {
    EXPECT_EQ(dialog_panel_top(c.notice), c.top);
    EXPECT_EQ(dialog_panel_height(c.notice), c.height);
    EXPECT_EQ(dialog_buttons_top(c.notice), c.buttons);
    SettingsDialogState state;
    if (c.notice) state.notice = "Não foi possível salvar as configurações: erro";
    const std::vector<HitRegion> regions = settings_dialog_hit_regions(state);
    EXPECT_EQ(regions.front().y0, c.top);
    EXPECT_EQ(regions.front().y1, c.top + c.height);
    EXPECT_EQ(regions[10].y0, c.buttons);  // "Cancelar"
    EXPECT_EQ(regions[11].y1, c.buttons + 34.0f);  // "Salvar"
  }
  // Within the panel the buttons go 45 lower.
  EXPECT_EQ((dialog_buttons_top(true) - dialog_panel_top(true)) - (dialog_buttons_top(false) - dialog_panel_top(false)),
            45.0f);
}

TEST(SettingsDialogGeometry, HitRegionsInOrder) {
  SettingsDialogState state;
  const std::vector<HitRegion> expected = {
      {310, 68, 790, 592, HIT_DIALOG_PANEL, 0},  {731, 87, 765, 119, HIT_DIALOG_CLOSE, 0},
      {475, 170, 765, 204, HIT_DIALOG_ROW, 0},   {475, 212, 765, 246, HIT_DIALOG_ROW, 1},
      {475, 284, 765, 318, HIT_DIALOG_ROW, 2},   {475, 326, 765, 360, HIT_DIALOG_ROW, 3},
      {475, 483, 765, 517, HIT_DIALOG_ROW, 4},   {335, 398, 535, 419, HIT_SOUND_SWITCH, 0},
      {565, 398, 765, 419, HIT_MUSIC_SWITCH, 0}, {470, 425, 722, 447, HIT_VOLUME_SLIDER, 0},
      {535, 537, 645, 571, HIT_DIALOG_CANCEL, 0}, {655, 537, 765, 571, HIT_DIALOG_SAVE, 0}};
  const std::vector<HitRegion> regions = settings_dialog_hit_regions(state);
  ASSERT_EQ(regions.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const HitRegion& r = regions[i];
    const HitRegion& e = expected[i];
    EXPECT_TRUE(r.x0 == e.x0 && r.y0 == e.y0 && r.x1 == e.x1 && r.y1 == e.y1 && r.kind == e.kind &&
                r.index == e.index)
        << "region " << i << ": kind " << r.kind << " (" << r.x0 << ", " << r.y0 << ")-(" << r.x1 << ", " << r.y1
        << ")";
  }
}

// The shown list: below the box when there is as much room there as above, else above; the options follow
// "Salvar" in the list, so they win the hit test over everything under them.
TEST(SettingsDialogGeometry, ValueListPlacementAndRegions) {
  const struct {
    uint32_t row;
    size_t count;
    uint32_t scroll;
    bool notice;
    float first_y;
    uint32_t visible, shown_scroll;
  } cases[] = {
      {0, 3, 0, false, 205.0f, 3, 0},           // below row 0 (box 170..204)
      {1, 40, 9, false, 247.0f, 16, 9},         // 654 - 246 = 408 of room: 16 items
      {1, 40, 39, false, 247.0f, 16, 24},       // scroll kept within the list
      {4, 3, 0, false, 483.0f - 7.0f - 72.0f, 3, 0},  // above the last row (room above 477, below 137)
      {4, 40, 0, false, 483.0f - 7.0f - 456.0f, 19, 0},  // (477 - 2) / 24 fit
      {4, 3, 0, true, 461.0f - 7.0f - 72.0f, 3, 0},
      {2, 0, 0, false, 319.0f, 0, 0},           // an empty row shows nothing
  };
  for (const auto& c : cases) {
    SettingsDialogState state;
    for (size_t i = 0; i < c.count; ++i) state.options[c.row].push_back({std::to_string(i), "x"});
    state.scroll = c.scroll;
    state.list_open = true;
    state.open_row = c.row;
    if (c.notice) state.notice = "n";
    const DialogListPlacement list = dialog_list_placement(state, c.row);
    EXPECT_EQ(list.first_item_y, c.first_y) << c.row << "/" << c.count;
    EXPECT_EQ(list.visible, c.visible) << c.row << "/" << c.count;
    EXPECT_EQ(list.scroll, c.shown_scroll) << c.row << "/" << c.count;

    const std::vector<HitRegion> regions = settings_dialog_hit_regions(state);
    ASSERT_EQ(regions.size(), 12u + c.visible);
    EXPECT_EQ(regions[11].kind, HIT_DIALOG_SAVE);
    for (uint32_t k = 0; k < c.visible; ++k) {
      const HitRegion& r = regions[12 + k];
      EXPECT_EQ(r.kind, HIT_DIALOG_OPTION);
      EXPECT_EQ(r.index, c.shown_scroll + k);
      EXPECT_EQ(r.y0, c.first_y + 24.0f * static_cast<float>(k));
      EXPECT_EQ(r.y1 - r.y0, 24.0f);
      EXPECT_TRUE(r.x0 == 475.0f && r.x1 == 765.0f);
      EXPECT_GE(r.y0, 0.0f);
      EXPECT_LE(r.y1, 654.0f);
    }
  }
}

// Paints the dialog into a fresh window-sized layer.
Pixmap paint(const UiState& ui, const SettingsDialogState& state) {
  Canvas layer = Canvas::make(ui.canvas_width, ui.canvas_height, 0.0f, 0.0f, ui.scale);
  const std::vector<HitRegion> regions = draw_settings_dialog(ui, layer, state);
  EXPECT_EQ(regions.size(), settings_dialog_hit_regions(state).size());
  return layer.pixmap;
}

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin(), b.pixels().end());
}

TEST(DrawSettingsDialog, CloseControlIsFullyHoveredOrNotAtAll) {
  UiState ui = opened(capture_settings_model());
  const SettingsDialogState state = *ui.dialog;

  ui.hover = Hover{HIT_NONE, 0};
  const Pixmap plain = paint(ui, state);
  ui.hover_fades[Hover{HIT_DIALOG_CLOSE, 0}] = 0.5f;  // a fade left over never shows
  EXPECT_TRUE(same_pixels(paint(ui, state), plain));

  ui.hover = Hover{HIT_DIALOG_CLOSE, 0};
  const Pixmap lit = paint(ui, state);
  EXPECT_FALSE(same_pixels(lit, plain));
  ui.hover_fades.clear();
  EXPECT_TRUE(same_pixels(paint(ui, state), lit));
  // The box shows in full at once: its faint fill inside the 34 x 32 box at (731, 87).
  EXPECT_NE(lit.pixel(733, 103), plain.pixel(733, 103));
}

TEST(DrawSettingsDialog, VolumeTrackGoldUpToTheLevel) {
  UiState ui = opened(capture_settings_model());
  SettingsDialogState state = *ui.dialog;
  const auto is_gold = [](uint32_t p) { return pixel_red(p) > 150 && pixel_blue(p) < 100; };
  const struct {
    uint32_t volume;
    bool gold_at_520, gold_at_680;
  } cases[] = {{0, false, false}, {10, true, true}, {5, true, false}};
  for (const auto& c : cases) {
    state.volume = c.volume;
    const Pixmap layer = paint(ui, state);
    const uint32_t y = 68 + 368;
    EXPECT_EQ(is_gold(layer.pixel(520, y)), c.gold_at_520) << c.volume;
    EXPECT_EQ(is_gold(layer.pixel(680, y)), c.gold_at_680) << c.volume;
  }
}

}  // namespace
}  // namespace qo

#include "ui/window_proc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "test_ui.h"
#include "ui/layout.h"
#include "ui/pointer.h"
#include "ui/settings_dialog.h"
#include "util/byte_format.h"

namespace qo {
namespace {

constexpr const char* NEWS_PAGE = "https://qofenro.example/media";

// Header items: a link, a link without address, "Opções". News rows: two with addresses, one without.
UiState content_ui(float scale = 1.0f) {
  UiState ui = test::make_test_ui(scale);
  const std::vector<LauncherLink> links = {{"Site", "https://site.example/"}, {"Ranking", std::nullopt}};
  const std::vector<LauncherNews> news = {{"NOVO", std::nullopt, "Primeira", "https://news.example/1", "08/10"},
                                          {"EVENTO", std::nullopt, "Segunda", "https://news.example/2", "09/10"},
                                          {"AVISO", std::nullopt, "Terceira", std::nullopt, "10/10"}};
  set_launcher_content(ui, links, news, {}, std::nullopt);
  ui.ui_clock = 20.0;
  return ui;
}

std::vector<DialogOption> numbered_options(size_t count) {
  std::vector<DialogOption> options;
  for (size_t i = 0; i < count; ++i) options.push_back({std::to_string(i), "opção " + std::to_string(i)});
  return options;
}

// The game's default options in the dialog (sound on, music off, volume 5), optionally other resolutions.
void open_dialog(UiState& ui, std::vector<DialogOption> resolutions = {}) {
  open_settings_dialog(ui, settings_dialog_model(GameOptions{}, std::move(resolutions)));
}

struct Point {
  int x = 0;
  int y = 0;
};

// A window pixel, at the state's scale, that hits `target`: the region's middle unless a region above covers it.
Point inside(const UiState& ui, Hover target) {
  const auto& regions = ui.dialog ? ui.dialog->hit_regions : ui.hit_regions;
  for (const HitRegion& r : regions) {
    if (r.kind != target.kind || r.index != target.index) continue;
    for (float fy : {0.5f, 0.1f, 0.9f}) {
      for (float fx : {0.5f, 0.1f, 0.9f}) {
        const Point p{static_cast<int>(std::floor((r.x0 + (r.x1 - r.x0) * fx) * ui.scale)),
                      static_cast<int>(std::floor((r.y0 + (r.y1 - r.y0) * fy) * ui.scale))};
        const float x = static_cast<float>(p.x) / ui.scale;
        const float y = static_cast<float>(p.y) / ui.scale;
        if ((ui.dialog ? hit_test_dialog(regions, x, y) : hit_test_main(regions, x, y)) == target) return p;
      }
    }
  }
  ADD_FAILURE() << "no uncovered point of kind " << target.kind << " index " << target.index;
  return {};
}

// Drives the procedure the way the shell does, keeping what the shell keeps between messages.
struct Driver {
  explicit Driver(UiState& state) : ui(state) {}

  UiState& ui;
  PointerInput input;
  InputContext context{false, NEWS_PAGE};

  WindowProcReply send(const WindowMessage& message) { return handle_input_message(ui, input, message, context); }
  WindowProcReply move(Point p) { return send(MouseMoveMessage{p.x, p.y}); }
  WindowProcReply press(Point p) { return send(ButtonDownMessage{MouseButton::Left, p.x, p.y, false}); }
  WindowProcReply release(Point p) { return send(ButtonUpMessage{MouseButton::Left, p.x, p.y}); }
  // Moves to and presses on `from`, moves to and releases on `to`; the release's reply.
  WindowProcReply click(Hover from, Hover to) {
    const Point down = inside(ui, from);
    move(down);
    EXPECT_TRUE(press(down).capture_mouse);
    const Point up = inside(ui, to);
    move(up);
    const WindowProcReply reply = release(up);
    EXPECT_TRUE(reply.release_mouse);
    EXPECT_EQ(input.pressed, Hover{});
    return reply;
  }
  WindowProcReply click(Hover on) { return click(on, on); }
};

// The option of the first item of the shown list, as its hit region says.
std::optional<uint32_t> first_shown_option(const SettingsDialogState& dialog) {
  for (const HitRegion& r : dialog.hit_regions)
    if (r.kind == HIT_DIALOG_OPTION) return r.index;
  return std::nullopt;
}

// --- the main screen ---------------------------------------------------------------------------------------------

TEST(WindowProcMainClick, ActionOnlyWhenPressAndReleaseHitTheSameControl) {
  UiState ui = content_ui();
  const struct {
    const char* name;
    Hover press, release;
    bool play_armed;
    std::optional<UiAction> action;
  } cases[] = {
      {"link", {HIT_HEADER_LINK, 0}, {HIT_HEADER_LINK, 0}, false, OpenUrlAction{"https://site.example/"}},
      {"link without address", {HIT_HEADER_LINK, 1}, {HIT_HEADER_LINK, 1}, false, std::nullopt},
      {"Opções", {HIT_HEADER_LINK, 2}, {HIT_HEADER_LINK, 2}, false, OpenOptionsAction{}},
      {"two links", {HIT_HEADER_LINK, 0}, {HIT_HEADER_LINK, 2}, false, std::nullopt},
      {"minimize", {HIT_MINIMIZE, 0}, {HIT_MINIMIZE, 0}, false, MinimizeAction{}},
      {"close", {HIT_CLOSE, 0}, {HIT_CLOSE, 0}, false, CloseAction{}},
      {"see all news", {HIT_SEE_ALL_NEWS, 0}, {HIT_SEE_ALL_NEWS, 0}, false, OpenUrlAction{NEWS_PAGE}},
      {"news row", {HIT_NEWS_ROW, 1}, {HIT_NEWS_ROW, 1}, false, OpenUrlAction{"https://news.example/2"}},
      {"news row without address", {HIT_NEWS_ROW, 2}, {HIT_NEWS_ROW, 2}, false, std::nullopt},
      {"two news rows", {HIT_NEWS_ROW, 0}, {HIT_NEWS_ROW, 1}, false, std::nullopt},
      {"settings button", {HIT_SETTINGS_BUTTON, 0}, {HIT_SETTINGS_BUTTON, 0}, false, OpenOptionsAction{}},
      {"play, not armed", {HIT_PLAY, 0}, {HIT_PLAY, 0}, false, std::nullopt},
      {"play", {HIT_PLAY, 0}, {HIT_PLAY, 0}, true, PlayAction{}},
      {"play, then minimize", {HIT_PLAY, 0}, {HIT_MINIMIZE, 0}, true, std::nullopt},
      {"minimize, then play", {HIT_MINIMIZE, 0}, {HIT_PLAY, 0}, true, std::nullopt},
  };
  for (const auto& c : cases) {
    ui.play_armed = c.play_armed;
    Driver driver{ui};
    EXPECT_EQ(driver.click(c.press, c.release).action, c.action) << c.name;
  }
}

TEST(WindowProcMainClick, WindowedToggleFlipsAndMovesItsKnob) {
  UiState ui = content_ui();
  Driver driver{ui};
  for (bool windowed : {false, true}) {
    ui.redraw_needed = false;
    EXPECT_EQ(driver.click({HIT_WINDOWED_TOGGLE, 0}).action, UiAction(SetWindowedAction{windowed}));
    EXPECT_EQ(ui.windowed, windowed);
    EXPECT_EQ(ui.windowed_knob.target, windowed ? 1.0f : 0.0f);
    EXPECT_EQ(ui.windowed_knob.start, ui.ui_clock);
    EXPECT_TRUE(ui.redraw_needed);
    ui.ui_clock += 1.0;
  }
}

TEST(WindowProcMainClick, OtherButtonsAndKeysAreLeftToTheShell) {
  UiState ui = content_ui();
  Driver driver{ui};
  const Point close = inside(ui, {HIT_CLOSE, 0});
  const WindowMessage ignored[] = {ButtonDownMessage{MouseButton::Right, close.x, close.y, false},
                                   ButtonUpMessage{MouseButton::Right, close.x, close.y},
                                   KeyDownMessage{Key::Other, false}, TimerMessage{7}, PaintMessage{}};
  for (const WindowMessage& message : ignored) {
    const WindowProcReply reply = driver.send(message);
    EXPECT_FALSE(reply.handled || reply.action || reply.capture_mouse || reply.release_mouse) << message.index();
  }
  EXPECT_EQ(driver.input.pressed, Hover{});

  // The second press of a double click is a press like any other.
  driver.send(ButtonDownMessage{MouseButton::Left, close.x, close.y, true});
  EXPECT_EQ(driver.release(close).action, UiAction(CloseAction{}));
}

TEST(WindowProcScale, WindowPixelsAreDividedByTheScale) {
  UiState ui = content_ui(2.0f);
  Driver driver{ui};
  driver.move({400, 300});
  EXPECT_EQ(ui.pointer_x, 200.0f);
  EXPECT_EQ(ui.pointer_y, 150.0f);
  EXPECT_TRUE(driver.input.mouse_tracked);

  const Point close = inside(ui, {HIT_CLOSE, 0});  // the logical rectangle doubled
  driver.press(close);
  EXPECT_EQ(driver.release(close).action, UiAction(CloseAction{}));
  const Point logical{close.x / 2, close.y / 2};  // the logical numbers land elsewhere at scale 2
  driver.press(logical);
  EXPECT_FALSE(driver.release(logical).action.has_value());
}

// --- the caption band and the cursor -----------------------------------------------------------------------------

TEST(WindowProcCaption, HeaderBandDragsExceptOverItsControls) {
  UiState ui = content_ui();
  const MainLayout& layout = ui.layout;
  const HeaderItem& link = layout.header_items[0];
  const HeaderItem& options = layout.header_items[2];
  const float mid = 28.0f;
  const struct {
    const char* name;
    float x, y;
    bool caption;
  } cases[] = {
      {"top-left corner", 0.0f, 0.0f, true},
      {"brand", 40.0f, mid, true},
      {"band's last row", 1099.0f, 57.9f, true},
      {"below the band", 500.0f, 58.0f, false},
      {"right of the window", 1100.0f, 10.0f, false},
      {"left of the window", -0.5f, 10.0f, false},
      {"link", link.x + 1.0f, mid, false},
      {"link's top edge", link.x + 1.0f, 12.5f, false},
      {"link's bottom edge", link.x + 1.0f, 44.5f, true},
      {"above a link", link.x + 1.0f, 12.0f, true},
      {"just left of a link", link.x - 0.5f, mid, true},
      {"Opções", options.x + options.width - 1.0f, mid, false},
      {"status pill", layout.status_x + 1.0f, mid, false},
      {"left of the status pill", layout.status_x - 0.5f, mid, true},
      {"minimize box", layout.minimize_x + 17.0f, mid, false},
      {"close box", layout.close_x + 17.0f, mid, false},
      {"right of the close box", 1090.0f, mid, true},
      {"not a number", std::nanf(""), mid, false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_caption_at(ui, c.x, c.y), c.caption) << c.name;

  open_dialog(ui);
  for (const auto& c : cases) EXPECT_FALSE(is_caption_at(ui, c.x, c.y)) << c.name << ", dialog open";
}

TEST(WindowProcCursor, HandOverWhatReactsToAClick) {
  UiState ui = content_ui();
  open_dialog(ui);
  constexpr PointerShape ARROW = PointerShape::Arrow;
  constexpr PointerShape HAND = PointerShape::Hand;
  const struct {
    Hover hover;
    bool play_armed, saving;
    PointerShape shape;
  } cases[] = {
      {{HIT_NONE, 0}, true, false, ARROW},
      {{HIT_HEADER_LINK, 0}, false, false, HAND},
      {{HIT_HEADER_LINK, 1}, false, false, ARROW},  // no address
      {{HIT_HEADER_LINK, 2}, false, false, HAND},   // "Opções"
      {{HIT_HEADER_LINK, 3}, false, false, ARROW},  // no such item
      {{HIT_MINIMIZE, 0}, false, false, HAND},
      {{HIT_CLOSE, 0}, false, false, HAND},
      {{HIT_SEE_ALL_NEWS, 0}, false, false, HAND},
      {{HIT_NEWS_ROW, 2}, false, false, HAND},
      {{HIT_WINDOWED_TOGGLE, 0}, false, false, HAND},
      {{HIT_SETTINGS_BUTTON, 0}, false, false, HAND},
      {{HIT_PLAY, 0}, false, false, ARROW},
      {{HIT_PLAY, 0}, true, false, HAND},
      {{HIT_DIALOG_OUTSIDE, 0}, true, false, ARROW},
      {{HIT_DIALOG_PANEL, 0}, true, false, ARROW},
      {{HIT_DIALOG_CLOSE, 0}, false, false, HAND},
      {{HIT_DIALOG_ROW, 4}, false, false, HAND},
      {{HIT_DIALOG_OPTION, 1}, false, false, HAND},
      {{HIT_SOUND_SWITCH, 0}, false, false, HAND},
      {{HIT_MUSIC_SWITCH, 0}, false, false, HAND},
      {{HIT_VOLUME_SLIDER, 0}, false, false, HAND},
      {{HIT_DIALOG_CANCEL, 0}, false, true, HAND},
      {{HIT_DIALOG_SAVE, 0}, false, false, HAND},
      {{HIT_DIALOG_SAVE, 0}, false, true, ARROW},
      {{static_cast<HitKind>(19), 0}, true, false, ARROW},
  };
  for (const auto& c : cases) {
    ui.hover = c.hover;
    ui.play_armed = c.play_armed;
    ui.dialog->saving = c.saving;
    EXPECT_EQ(cursor_for_hover(ui), c.shape) << c.hover.kind << "/" << c.hover.index;
  }
}

TEST(WindowProcLeave, PointerForgottenUnlessTheMouseIsCaptured) {
  const struct {
    const char* name;
    bool context_captured, message_captured, forgotten;
  } cases[] = {
      {"free", false, false, true},
      {"captured by the window", true, false, false},
      {"captured when it left", false, true, false},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    open_dialog(ui);
    Driver driver{ui};
    driver.context.mouse_captured = c.context_captured;
    driver.move(inside(ui, {HIT_DIALOG_SAVE, 0}));
    ui.dialog->dirty = false;
    EXPECT_TRUE(driver.send(MouseLeaveMessage{c.message_captured}).handled) << c.name;
    EXPECT_FALSE(driver.input.mouse_tracked) << c.name;
    EXPECT_EQ(ui.pointer_x < 0.0f && ui.pointer_y < 0.0f, c.forgotten) << c.name;
    EXPECT_EQ(ui.hover.kind, c.forgotten ? HIT_NONE : HIT_DIALOG_SAVE) << c.name;
    EXPECT_EQ(ui.dialog->dirty, c.forgotten) << c.name;
  }
}

// --- the settings dialog ---------------------------------------------------------------------------------------

TEST(WindowProcDialogPress, OutsideThePanelClosesAtButtonDownOrOnlyHidesAList) {
  UiState ui = content_ui();
  Driver driver{ui};
  open_dialog(ui);
  const Point outside{100, 300};

  driver.click({HIT_DIALOG_ROW, 2});
  ASSERT_TRUE(ui.dialog->list_open);
  driver.move(outside);
  driver.press(outside);
  ASSERT_TRUE(ui.dialog.has_value());
  EXPECT_FALSE(ui.dialog->list_open);
  EXPECT_FALSE(driver.release(outside).action.has_value());
  ASSERT_TRUE(ui.dialog.has_value());

  ui.refresh_request = false;
  EXPECT_TRUE(driver.press(outside).capture_mouse);
  EXPECT_FALSE(ui.dialog.has_value());
  EXPECT_TRUE(ui.refresh_request && ui.force_full_redraw);
  EXPECT_EQ(ui.hover.kind, HIT_NONE);  // taken again on the main screen
  const WindowProcReply up = driver.release(outside);
  EXPECT_FALSE(up.action.has_value());
  EXPECT_TRUE(up.release_mouse);
}

TEST(WindowProcDialogPress, AnOptionOfTheShownListBecomesTheSelection) {
  UiState ui = content_ui();
  Driver driver{ui};
  open_dialog(ui);
  driver.click({HIT_DIALOG_ROW, 2});  // Limite de FPS, "300 FPS (padrão)" selected
  ASSERT_TRUE(ui.dialog->list_open);
  const Point option = inside(ui, {HIT_DIALOG_OPTION, 1});
  ui.dialog->dirty = false;
  driver.press(option);
  EXPECT_EQ(ui.dialog->selected[2], 1u);
  EXPECT_FALSE(ui.dialog->list_open);
  EXPECT_TRUE(ui.dialog->dirty);
  EXPECT_FALSE(driver.release(option).action.has_value());
  EXPECT_FALSE(ui.dialog->list_open);
  EXPECT_FALSE(first_shown_option(*ui.dialog).has_value());  // the list's regions went with it
}

TEST(WindowProcDialogPress, VolumeJumpsToThePressAndFollowsTheDrag) {
  UiState ui = content_ui(2.0f);
  Driver driver{ui};
  open_dialog(ui);
  const int track_y = inside(ui, {HIT_VOLUME_SLIDER, 0}).y;
  const struct {
    float logical_x;
    uint32_t level;
  } steps[] = {{484.5f, 0}, {595.0f, 5}, {707.5f, 10}, {900.0f, 10}};
  driver.press({static_cast<int>(steps[0].logical_x * 2.0f), track_y});
  EXPECT_EQ(ui.dialog->volume, steps[0].level);
  EXPECT_TRUE(ui.dialog->slider_dragging);
  for (const auto& step : steps) {
    driver.move({static_cast<int>(step.logical_x * 2.0f), track_y + 200});  // off the track: still dragging
    EXPECT_EQ(ui.dialog->volume, step.level) << step.logical_x;
  }
  EXPECT_FALSE(driver.release(inside(ui, {HIT_DIALOG_SAVE, 0})).action.has_value());  // a drag's end is no click
  EXPECT_FALSE(ui.dialog->slider_dragging);
  EXPECT_FALSE(ui.dialog->saving);
}

TEST(WindowProcDialogRelease, ControlsActOnAClickOnThemOnly) {
  const struct {
    const char* name;
    Hover press, release;
    bool closed, list_open, sound, music;
  } cases[] = {
      {"row", {HIT_DIALOG_ROW, 3}, {HIT_DIALOG_ROW, 3}, false, true, true, false},
      {"two rows", {HIT_DIALOG_ROW, 0}, {HIT_DIALOG_ROW, 1}, false, false, true, false},
      {"row, then panel", {HIT_DIALOG_ROW, 0}, {HIT_DIALOG_PANEL, 0}, false, false, true, false},
      {"close control", {HIT_DIALOG_CLOSE, 0}, {HIT_DIALOG_CLOSE, 0}, true, false, true, false},
      {"Cancelar", {HIT_DIALOG_CANCEL, 0}, {HIT_DIALOG_CANCEL, 0}, true, false, true, false},
      {"Cancelar, then close", {HIT_DIALOG_CANCEL, 0}, {HIT_DIALOG_CLOSE, 0}, false, false, true, false},
      {"sound", {HIT_SOUND_SWITCH, 0}, {HIT_SOUND_SWITCH, 0}, false, false, false, false},
      {"music", {HIT_MUSIC_SWITCH, 0}, {HIT_MUSIC_SWITCH, 0}, false, false, true, true},
      {"panel", {HIT_DIALOG_PANEL, 0}, {HIT_DIALOG_PANEL, 0}, false, false, true, false},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    Driver driver{ui};
    open_dialog(ui);
    EXPECT_FALSE(driver.click(c.press, c.release).action.has_value()) << c.name;
    ASSERT_EQ(!ui.dialog.has_value(), c.closed) << c.name;
    if (c.closed) continue;
    const SettingsDialogState& dialog = *ui.dialog;
    EXPECT_EQ(dialog.list_open, c.list_open) << c.name;
    EXPECT_EQ(dialog.open_row, c.list_open ? c.press.index : 0u) << c.name;
    EXPECT_EQ(dialog.sound, c.sound) << c.name;
    EXPECT_EQ(dialog.music, c.music) << c.name;
    EXPECT_EQ(dialog.sound_knob.target, c.sound ? 1.0f : 0.0f) << c.name;
    EXPECT_EQ(dialog.music_knob.target, c.music ? 1.0f : 0.0f) << c.name;
  }
}

TEST(WindowProcDialogRelease, SaveSendsTheSelectionWithDefaultsForWhatIsNoNumber) {
  const SaveOptionsAction defaults{"", 1, 1, 5, 0, 5, true, false};
  const struct {
    const char* name;
    std::vector<DialogOption> resolutions;
    std::array<uint32_t, DIALOG_ROW_COUNT> selected;
    SaveOptionsAction save;
  } cases[] = {
      {"the selection", {}, {2, 14, 3, 1, 2}, {"Spn", 2, 14, 3, 1, 5, true, false}},
      {"past every list", {}, {3, 20, 7, 2, 3}, defaults},
      {"far past", {}, {99, 99, 99, 99, 99}, defaults},
      {"negative id", {{"-1", "a"}}, {0, 0, 0, 0, 0}, {"Por", 1, 1, 0, 0, 5, true, false}},
      {"letters", {{"7x", "a"}}, {0, 0, 0, 0, 0}, {"Por", 1, 1, 0, 0, 5, true, false}},
      {"empty id", {{"", "a"}}, {0, 0, 0, 0, 0}, {"Por", 1, 1, 0, 0, 5, true, false}},
      {"too long", {{"4294967296", "a"}}, {1, 0, 0, 0, 0}, {"Por", 0, 1, 0, 0, 5, true, false}},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    Driver driver{ui};
    open_dialog(ui, c.resolutions);
    ui.dialog->selected = c.selected;
    EXPECT_EQ(driver.click({HIT_DIALOG_SAVE, 0}).action, UiAction(c.save)) << c.name;
    EXPECT_TRUE(ui.dialog->saving) << c.name;
    EXPECT_FALSE(driver.click({HIT_DIALOG_SAVE, 0}).action.has_value()) << c.name << ": sent once";
  }
}

// The value list: as many items as fit beside the row's box (20 at most), the selection in the middle.
TEST(WindowProcValueList, ShowsWhatFitsWithTheSelectionCentred) {
  const struct {
    const char* name;
    uint32_t row;
    size_t count;
    uint32_t selected, visible, scroll;
  } cases[] = {
      {"3 window modes", 0, 3, 2, 3, 0},
      {"40 below Resolução", 1, 40, 0, 16, 0},
      {"40, selection centred", 1, 40, 20, 16, 12},
      {"40, selection near the end", 1, 40, 37, 16, 24},
      {"40 above Idioma", 4, 40, 10, 19, 1},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    Driver driver{ui};
    SettingsDialogModel model = settings_dialog_model(GameOptions{}, {});
    model.rows[c.row].options = numbered_options(c.count);
    model.rows[c.row].current_id = std::to_string(c.selected);
    open_settings_dialog(ui, std::move(model));
    driver.click({HIT_DIALOG_ROW, c.row});
    ASSERT_TRUE(ui.dialog->list_open) << c.name;
    EXPECT_EQ(ui.dialog->scroll, c.scroll) << c.name;
    std::vector<uint32_t> shown;
    for (const HitRegion& r : ui.dialog->hit_regions)
      if (r.kind == HIT_DIALOG_OPTION) shown.push_back(r.index);
    ASSERT_EQ(shown.size(), c.visible) << c.name;
    EXPECT_EQ(shown.front(), c.scroll) << c.name;
  }
}

TEST(WindowProcValueList, WheelScrollsThreeItemsWithinTheList) {
  const struct {
    const char* name;
    bool list_open;
    uint32_t scroll;
    int delta;
    uint32_t expected;
  } cases[] = {
      {"down", true, 0, -1, 3},
      {"no turn counts as down", true, 5, 0, 8},
      {"down to the end", true, 22, -2, 24},
      {"at the end", true, 24, -1, 24},
      {"up", true, 10, 1, 7},
      {"up to the start", true, 2, 1, 0},
      {"no list shown", false, 5, -1, 5},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    Driver driver{ui};
    open_dialog(ui, numbered_options(40));  // Resolução: 16 of 40 visible, scroll 0..24
    if (c.list_open) driver.click({HIT_DIALOG_ROW, 1});
    ui.dialog->scroll = c.scroll;
    ui.dialog->dirty = false;
    EXPECT_TRUE(driver.send(WheelMessage{c.delta}).handled) << c.name;
    EXPECT_EQ(ui.dialog->scroll, c.expected) << c.name;
    EXPECT_EQ(ui.dialog->dirty, c.list_open) << c.name;
    if (c.list_open) {
      EXPECT_EQ(first_shown_option(*ui.dialog), c.expected) << c.name << ": regions follow";
    }
  }
  ui.dialog.reset();
  Driver driver{ui};
  EXPECT_TRUE(driver.send(WheelMessage{-1}).handled);  // the main screen does not scroll
}

TEST(WindowProcKeys, EscapeStepsBackOneLevel) {
  const struct {
    const char* name;
    bool dialog, list, dialog_after;
  } cases[] = {
      {"list shown", true, true, true},
      {"dialog open", true, false, false},
      {"dialog closed", false, false, false},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    Driver driver{ui};
    ui.dialog.reset();
    if (c.dialog) open_dialog(ui);
    if (c.list) driver.click({HIT_DIALOG_ROW, 0});
    ui.force_full_redraw = false;
    const WindowProcReply reply = driver.send(KeyDownMessage{Key::Escape, false});
    EXPECT_TRUE(reply.handled && !reply.action) << c.name;
    ASSERT_EQ(ui.dialog.has_value(), c.dialog_after) << c.name;
    if (ui.dialog) {
      EXPECT_TRUE(!ui.dialog->list_open && ui.dialog->dirty) << c.name;
    }
    EXPECT_EQ(ui.force_full_redraw, c.dialog && !c.dialog_after) << c.name;
  }
}

// --- events from the background ----------------------------------------------------------------------------------

// A status is laid out (layers made again, a full frame asked for) only when it changes what is shown.
TEST(WindowProcEvents, ServerStatusMarksWhenTheServerCameOnline) {
  UiState ui = content_ui();
  const struct {
    bool online;
    double clock;
    const char* text;
    double online_since;
    bool laid_out;
  } steps[] = {
      {false, 5.0, "OFFLINE", 0.0, true},  // the first report, whatever it says
      {false, 8.0, "OFFLINE", 0.0, false},
      {true, 10.0, "ONLINE", 10.0, true},
      {true, 25.0, "ONLINE", 10.0, false},  // still online: the time it came online stays
      {false, 30.0, "OFFLINE", 10.0, true},
      {true, 40.0, "ONLINE", 40.0, true},
  };
  for (const auto& step : steps) {
    ui.ui_clock = step.clock;
    ui.element_layers.header_stale = false;
    ui.element_layers.right_column_stale = false;
    ui.redraw_needed = false;
    ui.force_full_redraw = false;
    apply_server_status(ui, step.online);
    EXPECT_EQ(ui.server_online, step.online) << step.clock;
    EXPECT_EQ(ui.server_status_text, step.text) << step.clock;
    EXPECT_EQ(ui.online_since, step.online_since) << step.clock;
    EXPECT_EQ(ui.element_layers.header_stale, step.laid_out) << step.clock;
    EXPECT_EQ(ui.element_layers.right_column_stale, step.laid_out) << step.clock;
    EXPECT_EQ(ui.redraw_needed, step.laid_out) << step.clock;
    EXPECT_EQ(ui.force_full_redraw, step.laid_out) << step.clock;
  }
}

TEST(WindowProcEvents, ProgressFillsTheStatusArea) {
  const struct {
    JobProgress progress;
    const char* detail;
    float stage, main;
  } cases[] = {
      {{0.5, 0.25, 2.5 * 1024 * 1024, "Baixando arquivos...", "Data/a.kxd"}, "Data/a.kxd", 50.0f, 25.0f},
      {{0.0, 1.0, 0.0, "Verificando arquivos...", ""}, "-", 0.0f, 100.0f},
  };
  UiState ui = content_ui();
  for (const auto& c : cases) {
    ui.redraw_needed = false;
    apply_job_progress(ui, c.progress);
    EXPECT_EQ(ui.status_text, c.progress.text);
    EXPECT_EQ(ui.detail_text, c.detail);
    EXPECT_EQ(ui.speed_text, format_transfer_speed(c.progress.bytes_per_second));
    EXPECT_FLOAT_EQ(ui.progress_stage.target, c.stage);
    EXPECT_FLOAT_EQ(ui.progress_main.target, c.main);
    EXPECT_TRUE(ui.redraw_needed);
  }
}

}  // namespace
}  // namespace qo

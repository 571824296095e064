#include "ui/pointer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_ui.h"

namespace qo {
namespace {

// A main hit list with two news rows stacked, a header link and Play.
std::vector<HitRegion> main_regions() {
  return {
      {100.0f, 12.5f, 180.0f, 44.5f, HIT_HEADER_LINK, 0},
      {695.0f, 123.0f, 1065.0f, 171.875f, HIT_NEWS_ROW, 0},
      {695.0f, 171.875f, 1065.0f, 226.75f, HIT_NEWS_ROW, 1},
      {825.0f, 556.0f, 1065.0f, 628.0f, HIT_PLAY, 0},
  };
}

// A dialog with its panel, a row over it and the slider.
SettingsDialogState open_dialog() {
  SettingsDialogState dialog;
  dialog.hit_regions = {
      {310.0f, 100.0f, 790.0f, 600.0f, HIT_DIALOG_PANEL, 0},
      {475.0f, 200.0f, 765.0f, 234.0f, HIT_DIALOG_ROW, 2},
      {470.0f, 457.0f, 722.0f, 479.0f, HIT_VOLUME_SLIDER, 0},
      {475.0f, 235.0f, 765.0f, 259.0f, HIT_DIALOG_OPTION, 4},
  };
  dialog.volume = 5;
  dialog.dirty = false;
  return dialog;
}

TEST(VolumeDrag, PointerXMapsToLevels) {
  const struct {
    float x;
    uint32_t level;
  } cases[] = {{484.5f, 0}, {707.5f, 10}, {496.0f, 1}, {495.65f, 0}, {595.0f, 5}, {0.0f, 0},
               {-1e9f, 0}, {900.0f, 10}, {1e9f, 10}, {std::nanf(""), 0}};
  for (const auto& c : cases) EXPECT_EQ(volume_level_at(c.x), c.level) << c.x;
}

TEST(VolumeDrag, MovesWhileDraggingMarkOnlyChanges) {
  auto ui = test::make_bare_test_ui();
  ui.dialog = open_dialog();
  ui.dialog->slider_dragging = true;
  ui.hover = {HIT_VOLUME_SLIDER, 0};

  ui_pointer_move(ui, 595.0f, 468.0f);  // level 5 already: nothing to repaint
  EXPECT_EQ(ui.dialog->volume, 5u);
  EXPECT_FALSE(ui.dialog->dirty);

  ui_pointer_move(ui, 707.5f, 468.0f);
  EXPECT_EQ(ui.dialog->volume, 10u);
  EXPECT_TRUE(ui.dialog->dirty);

  ui.dialog->dirty = false;
  ui_pointer_move(ui, 1000.0f, 10.0f);  // far off the track and the panel: stays 10, hover leaves the dialog
  EXPECT_EQ(ui.dialog->volume, 10u);
  EXPECT_EQ(ui.hover.kind, HIT_DIALOG_OUTSIDE);
  EXPECT_TRUE(ui.dialog->dirty);
}

TEST(MainHover, FirstRegionWinsAndMovesWithinOneRowMarkNothing) {
  auto ui = test::make_bare_test_ui();
  ui.hit_regions = main_regions();
  ui.redraw_needed = false;
  ui.force_full_redraw = false;

  ui_pointer_move(ui, 700.0f, 130.0f);
  EXPECT_EQ(ui.hover, (Hover{HIT_NEWS_ROW, 0}));
  EXPECT_EQ(ui.pointer_x, 700.0f);
  EXPECT_EQ(ui.pointer_y, 130.0f);
  ui_pointer_move(ui, 900.0f, 160.0f);  // same row
  EXPECT_EQ(ui.hover, (Hover{HIT_NEWS_ROW, 0}));
  ui_pointer_move(ui, 900.0f, 171.875f);  // the lower edge belongs to the next row
  EXPECT_EQ(ui.hover, (Hover{HIT_NEWS_ROW, 1}));
  ui_pointer_move(ui, 10.0f, 300.0f);
  EXPECT_EQ(ui.hover, (Hover{HIT_NONE, 0}));
  ui_pointer_move(ui, -1.0f, -1.0f);  // left the window
  EXPECT_EQ(ui.hover, (Hover{HIT_NONE, 0}));
  EXPECT_FALSE(ui.redraw_needed);
  EXPECT_FALSE(ui.force_full_redraw);
  EXPECT_FALSE(ui.dialog.has_value());
}

TEST(DialogHover, TopmostRegionWinsAndOnlyChangesMarkTheDialog) {
  auto ui = test::make_bare_test_ui();
  ui.hit_regions = main_regions();
  ui.dialog = open_dialog();

  ui_pointer_move(ui, 500.0f, 210.0f);  // the row lies over the panel
  EXPECT_EQ(ui.hover, (Hover{HIT_DIALOG_ROW, 2}));
  EXPECT_TRUE(ui.dialog->dirty);

  ui.dialog->dirty = false;
  ui_pointer_move(ui, 600.0f, 220.0f);  // same row
  EXPECT_FALSE(ui.dialog->dirty);

  ui_pointer_move(ui, 600.0f, 240.0f);  // an option of the open list
  EXPECT_EQ(ui.hover, (Hover{HIT_DIALOG_OPTION, 4}));
  EXPECT_EQ(ui.dialog->hovered_option, 4u);
  EXPECT_TRUE(ui.dialog->dirty);

  ui.dialog->dirty = false;
  ui_pointer_move(ui, 320.0f, 500.0f);  // the bare panel
  EXPECT_EQ(ui.hover, (Hover{HIT_DIALOG_PANEL, 0}));
  EXPECT_FALSE(ui.dialog->hovered_option.has_value());
  EXPECT_TRUE(ui.dialog->dirty);

  ui_pointer_move(ui, 900.0f, 600.0f);  // over Play of the main screen, but outside the dialog
  EXPECT_EQ(ui.hover, (Hover{HIT_DIALOG_OUTSIDE, 0}));
}

TEST(HoverIdentity, IndexCountsOnlyForListedKinds) {
  EXPECT_TRUE(same_hover({HIT_PLAY, 0}, {HIT_PLAY, 3}));
  EXPECT_TRUE(same_hover({HIT_VOLUME_SLIDER, 1}, {HIT_VOLUME_SLIDER, 2}));
  for (HitKind kind : {HIT_HEADER_LINK, HIT_NEWS_ROW, HIT_DIALOG_ROW, HIT_DIALOG_OPTION}) {
    EXPECT_TRUE(same_hover({kind, 1}, {kind, 1}));
    EXPECT_FALSE(same_hover({kind, 1}, {kind, 2})) << kind;
  }
  EXPECT_FALSE(same_hover({HIT_MINIMIZE, 0}, {HIT_CLOSE, 0}));
}

}  // namespace
}  // namespace qo

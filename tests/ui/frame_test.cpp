// The frame painter driven through the clock seam: where the background comes from, which rectangles a frame
// returns, the hover fades and their band flags, the dialog frame's reuse rule and a change of scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <set>
#include <vector>

#include "config/default_launcher_config.h"
#include "gfx/image_codec.h"
#include "gfx/pixel_spans.h"
#include "support/temp_dir.h"
#include "ui/backdrop.h"
#include "ui/frame.h"
#include "ui/layers.h"
#include "ui/layout.h"
#include "ui/stage_timers.h"
#include "ui/test_ui.h"
#include "ui/widgets.h"

namespace qo {
namespace {

using Rects = std::vector<DirtyRect>;

// Moves the fixed clock so that the UI clock reads `t` seconds.
void set_ui_clock(UiState& ui, double t) {
  const int64_t target = ui.start_instant_ns + static_cast<int64_t>(std::llround(t * 1e9));
  ui.clock.advance(target - ui.clock.monotonic_ns());
}

Rects frame_at(UiState& ui, double t) {
  set_ui_clock(ui, t);
  return render_frame(ui);
}

// The built-in launcher.json content with the server online and no tween running.
UiState content_ui(float scale = 1.0f, const std::filesystem::path& launcher_folder = "/nonexistent-launcher") {
  UiState ui = load_assets_and_init_ui(scale, test::test_ui_environment(launcher_folder));
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  return ui;
}

DirtyRect whole(const UiState& ui) {
  return DirtyRect{0, 0, static_cast<int32_t>(ui.canvas_width), static_cast<int32_t>(ui.canvas_height)};
}

// The two areas every partial frame restores, in device pixels of the state's scale.
Rects animated_areas(const UiState& ui) {
  return {device_rect(ui, RectF{0.0f, 58.0f, 660.0f, 478.0f}), device_rect(ui, header_strip(ui))};
}

// ---- where the background comes from ----

TEST(FrameBackground, PaintedHereUntilTheIntroHasRun095Seconds) {
  UiState ui = content_ui();
  ui.intro_start = 0.0;
  StageTimers::reset();
  EXPECT_EQ(frame_at(ui, 0.0), Rects{whole(ui)});  // the first frame paints the background itself
  EXPECT_EQ(ui.last_background_time, 0.0);
  EXPECT_GT(StageTimers::total_ns(FrameStage::Background), 0u);
  EXPECT_GT(StageTimers::total_ns(FrameStage::Glass), 0u);
  EXPECT_FALSE(ui.backdrop.has_value());

  EXPECT_EQ(frame_at(ui, 0.1), animated_areas(ui));  // within 0.2 s: nothing repainted
  EXPECT_EQ(ui.last_background_time, 0.0);

  EXPECT_EQ(frame_at(ui, 0.949), Rects{whole(ui)});
  EXPECT_EQ(ui.last_background_time, 0.949);
  EXPECT_FALSE(ui.backdrop.has_value());

  frame_at(ui, 0.95);
  EXPECT_TRUE(ui.backdrop.has_value());
  EXPECT_EQ(ui.last_background_time, 0.949);  // the worker paints from now on
}

TEST(FrameBackground, FirstFrameAfterAFastForwardPaintsHereAndStartsTheWorker) {
  UiState ui = content_ui();
  ui.intro_start = 0.0;
  EXPECT_EQ(frame_at(ui, 3.0), Rects{whole(ui)});
  EXPECT_TRUE(ui.backdrop.has_value());
  EXPECT_EQ(ui.last_background_time, 3.0);
  EXPECT_TRUE(ui.frame.has_background);
}

// Frames drawn as fast as they come, each asking for a new background, keep the worker busy: the background frames
// still number two at most, passed back and forth, and the worker's answers keep arriving.
TEST(FrameBackgroundConcurrent, TheWorkerMakesNoFramesBeyondThoseInFlight) {
  UiState ui = content_ui();
  ui.intro_start = 0.0;
  frame_at(ui, 9.0);
  ASSERT_TRUE(ui.backdrop.has_value());
  std::set<const uint32_t*> frames;
  const uint32_t* shown = ui.frame.background.pixels().data();
  int answers = 0;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int i = 1; answers < 40 && std::chrono::steady_clock::now() < give_up; ++i) {
    frame_at(ui, 9.0 + 0.1 * i);  // the zoom moves fastest here: every frame's request is due
    if (ui.frame.background.pixels().data() != shown) ++answers;
    shown = ui.frame.background.pixels().data();
    frames.insert(shown);
    if (ui.frame.spare_background) frames.insert(ui.frame.spare_background->pixels().data());
  }
  EXPECT_EQ(answers, 40);
  EXPECT_LE(ui.backdrop->frames_made, BACKDROP_FRAMES_IN_FLIGHT - 1);
  EXPECT_LE(frames.size(), BACKDROP_FRAMES_IN_FLIGHT);
}

// ---- rectangles of a frame ----

TEST(FrameRectangles, FullAfterRestoreThenTheTwoAnimatedAreas) {
  UiState ui = content_ui();  // intro not started: the background stays on this thread
  frame_at(ui, 10.0);
  EXPECT_EQ(frame_at(ui, 10.05), animated_areas(ui));
  ui.force_full_redraw = true;  // what minimise and restore ask for
  EXPECT_EQ(frame_at(ui, 10.1), Rects{whole(ui)});
  EXPECT_FALSE(ui.force_full_redraw);
  EXPECT_EQ(frame_at(ui, 10.15), animated_areas(ui));
}

TEST(FrameRectangles, HoverOverANewsRowAddsTheRightColumnBandFirst) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  ui.hover = Hover{HIT_NEWS_ROW, 1};
  const Rects rects = frame_at(ui, 10.05);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0], device_rect(ui, right_column_band(ui)));
  EXPECT_EQ(Rects(rects.begin() + 1, rects.end()), animated_areas(ui));
}

TEST(FrameRectangles, BandsComeInHeaderRightColumnFooterOrder) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  ui.element_layers.header_stale = true;
  ui.element_layers.right_column_stale = true;
  ui.redraw_needed = true;
  const Rects rects = frame_at(ui, 10.05);
  ASSERT_EQ(rects.size(), 5u);
  EXPECT_EQ(rects[0], device_rect(ui, HEADER_BAND));
  EXPECT_EQ(rects[1], device_rect(ui, right_column_band(ui)));
  EXPECT_EQ(rects[2], device_rect(ui, FOOTER_BAND));
  EXPECT_FALSE(ui.element_layers.header_stale || ui.element_layers.right_column_stale || ui.redraw_needed);
}

TEST(FrameRectangles, PictureAreaAtScaleOneAndAHalf) {
  UiState ui = content_ui(1.5f);
  frame_at(ui, 10.0);
  const Rects rects = frame_at(ui, 10.05);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0], (DirtyRect{0, 87, 990, 717}));  // x 0..990, y 87..804
  EXPECT_EQ(rects[1], device_rect(ui, header_strip(ui)));
}

TEST(FrameRectangles, DeviceRectanglesAreFlooredCeiledAndClamped) {
  const UiState ui = content_ui(1.25f);  // canvas 1375 x 825
  struct Case {
    RectF logical;
    DirtyRect device;
  };
  const Case cases[] = {
      {{0.0f, 58.0f, 660.0f, 478.0f}, {0, 72, 825, 598}},       // 72.5 floored, 670 ceiled
      {{1090.0f, 650.0f, 40.0f, 40.0f}, {1362, 812, 13, 13}},  // cut at the canvas
      {{-10.0f, -10.0f, 5.0f, 5.0f}, {0, 0, 0, 0}},            // wholly outside
  };
  for (const Case& c : cases) EXPECT_EQ(device_rect(ui, c.logical), c.device);
}

// ---- the picture stage keeps to the picture area ----

size_t differing_pixels(const Pixmap& a, const Pixmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return SIZE_MAX;
  size_t count = 0;
  for (size_t i = 0; i < a.pixel_count(); ++i) count += a.pixels()[i] != b.pixels()[i] ? 1 : 0;
  return count;
}

bool inside(const DirtyRect& r, uint32_t x, uint32_t y) {
  return int64_t{x} >= r.x && int64_t{x} < int64_t{r.x} + r.w && int64_t{y} >= r.y && int64_t{y} < int64_t{r.y} + r.h;
}

// What a full frame paints before the picture stage: the background with the three element layers on it.
Pixmap background_and_elements(const UiState& ui) {
  Pixmap base = ui.frame.background;
  const ElementLayers& layers = ui.element_layers;
  for (const Canvas* layer : {&layers.header, &layers.right_column, &layers.footer}) {
    const int64_t lx = round_to_i32(layer->origin_x * layer->scale);
    const int64_t ly = round_to_i32(layer->origin_y * layer->scale);
    const int64_t x0 = std::max<int64_t>(lx, 0);
    const int64_t x1 = std::min<int64_t>(lx + layer->pixmap.width(), base.width());
    const int64_t y0 = std::max<int64_t>(ly, 0);
    const int64_t y1 = std::min<int64_t>(ly + layer->pixmap.height(), base.height());
    for (int64_t y = y0; x0 < x1 && y < y1; ++y)
      blend_span_over(base.row(static_cast<uint32_t>(y)) + x0,
                      layer->pixmap.row(static_cast<uint32_t>(y - ly)) + (x0 - lx), static_cast<size_t>(x1 - x0));
  }
  return base;
}

// Canvas pixels outside the two areas drawn anew every frame that differ from the background and element layers.
size_t pixels_unlike_base_outside_animated_areas(const UiState& ui) {
  const Rects areas = animated_areas(ui);
  const Pixmap base = background_and_elements(ui);
  size_t count = 0;
  for (uint32_t y = 0; y < ui.canvas.pixmap.height(); ++y)
    for (uint32_t x = 0; x < ui.canvas.pixmap.width(); ++x)
      if (!inside(areas[0], x, y) && !inside(areas[1], x, y))
        count += ui.canvas.pixmap.pixel(x, y) != base.pixel(x, y) ? 1 : 0;
  return count;
}

// A logo layer whose column (pill, logo, countdown) is taller than the picture area, as an unfitted picture would
// make it: the pill, the glow and the countdown all cross the area's edges.
constexpr uint32_t OVERTALL_LOGO_WORD = 0xFFC08040u;

void give_overtall_logo_layer(UiState& ui) {
  const float s = ui.scale;
  const auto px = [s](float v) { return static_cast<uint32_t>(std::lround(v * s)); };
  Pixmap glow = Pixmap::make(px(550.0f), px(451.0f));
  glow.fill_word(OVERTALL_LOGO_WORD);
  ui.layers.logo_glow_width = glow.width();
  ui.layers.logo_glow_height = glow.height();
  ui.layers.logo_glow_pad = px(60.0f);
  ui.layers.logo_glow_copies = visible_subpixel_copies(glow);
}

// Pixels of the opaque over-tall logo layer, logical x 60..600, y 452..478, that something was drawn over: there
// the countdown's first rows cross it.
size_t pixels_drawn_over_the_overtall_logo(const UiState& ui) {
  const float s = ui.scale;
  size_t count = 0;
  for (auto y = static_cast<uint32_t>(452.0f * s); y < static_cast<uint32_t>(478.0f * s); ++y)
    for (auto x = static_cast<uint32_t>(60.0f * s); x < static_cast<uint32_t>(600.0f * s); ++x)
      count += ui.canvas.pixmap.pixel(x, y) != OVERTALL_LOGO_WORD ? 1 : 0;
  return count;
}

// Partial frames restore only the picture area and the header strip: whatever the picture stage draws must stay
// inside them, or its leftovers pile up. After the intro's first 0.9 s (synchronous backgrounds every 0.2 s,
// partial frames between), the canvas equals a full frame at the same instant, and outside those areas it is the
// background with the element layers.
TEST(PictureStage, StaysInsideThePictureAreaWhateverTheLogo) {
  test::TempDir folder;
  Pixmap square = Pixmap::make(256, 256);
  square.fill_word(0xFF30A070u);
  const auto png = encode_png(square);
  ASSERT_TRUE(png);
  test::write_file(media_override_dir(folder.path()) / LOGO_IMAGE_NAME,
                   std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
  for (const float scale : {1.0f, 1.25f}) {
    for (const bool overtall : {false, true}) {
      SCOPED_TRACE(testing::Message() << "scale " << scale << (overtall ? ", over-tall logo layer" : ", square logo"));
      UiState ui = content_ui(scale, folder.path());
      if (overtall) give_overtall_logo_layer(ui);
      ui.intro_start = 0.0;
      constexpr int FRAMES = 54;
      Rects last;
      for (int i = 0; i <= FRAMES; ++i) last = frame_at(ui, i / 60.0);
      ASSERT_EQ(last, animated_areas(ui));  // the last one partial
      const Pixmap partial = ui.canvas.pixmap;
      ui.force_full_redraw = true;
      ASSERT_EQ(frame_at(ui, FRAMES / 60.0), Rects{whole(ui)});
      EXPECT_EQ(differing_pixels(partial, ui.canvas.pixmap), 0u);
      EXPECT_EQ(pixels_unlike_base_outside_animated_areas(ui), 0u);
      if (overtall) {  // what lies inside is still drawn
        EXPECT_GT(pixels_drawn_over_the_overtall_logo(ui), 1000u);
      }
    }
  }
}

// Texts fading or rising in with the intro change colour or place every frame; none of those pictures is kept. An
// intro drawn at 60 frames a second leaves the cache holding the texts a single frame at its end holds (the wall
// clock stays within one second, so the countdown shows the same values throughout).
TEST(PictureStage, TheIntroKeepsOnlyTheTextsOfItsEnd) {
  for (const bool open : {false, true}) {
    SCOPED_TRACE(open ? "server open" : "countdown");
    const auto texts_kept = [open](int frames) {
      UiState ui = content_ui(1.0f);
      if (open) ui.opening_target_ms = 0;
      ui.intro_start = 0.0;
      for (int i = frames; i >= 0; --i) frame_at(ui, 0.95 - i / 60.0);
      std::set<std::pair<std::string, std::array<float, 4>>> kept;
      for (const auto& [key, entry] : ui.sprites.texts) {
        for (size_t i = 0; i < entry.count; ++i) {
          const Color& c = entry.pictures[i].color;
          kept.emplace(key, std::array{c.r, c.g, c.b, c.a});
        }
      }
      return kept;
    };
    const auto whole_intro = texts_kept(57);
    const auto its_end = texts_kept(0);
    EXPECT_EQ(whole_intro.size(), its_end.size());
    EXPECT_TRUE(whole_intro == its_end);
    EXPECT_GT(its_end.size(), 20u);
    // The settled pill is kept as its own layer, its text not a second time.
    EXPECT_TRUE(std::ranges::none_of(its_end, [](const auto& kept) {
      return kept.first.find(SUBTITLE_TEXT) != std::string::npos;
    }));
  }
}

// ---- hover fades ----

struct FadeCase {
  Hover hovered;
  bool armed;
  float settled;  // the amount once the fade is over
  bool ElementLayers::*flag;  // null: the footer's redraw_needed; ignored when nothing moves
};

TEST(HoverFades, MoveToTheirTargetSetTheirBandOnceAndStayThere) {
  const FadeCase cases[] = {
      {{HIT_NEWS_ROW, 1}, false, 1.0f, &ElementLayers::right_column_stale},
      {{HIT_SEE_ALL_NEWS, 0}, false, 1.0f, &ElementLayers::right_column_stale},
      {{HIT_HEADER_LINK, 0}, false, 1.0f, &ElementLayers::header_stale},
      {{HIT_CLOSE, 0}, false, 1.0f, &ElementLayers::header_stale},
      {{HIT_SETTINGS_BUTTON, 0}, false, 1.0f, nullptr},
      {{HIT_PLAY, 0}, true, 1.0f, nullptr},
      {{HIT_PLAY, 0}, false, 0.0f, nullptr},            // unarmed: stays at 0
      {{HIT_HEADER_LINK, 9}, false, 0.0f, nullptr},     // no such item
  };
  for (const FadeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.hovered.kind << " index " << c.hovered.index);
    UiState ui = content_ui();
    ui.play_armed = c.armed;
    ui.hover = c.hovered;
    const auto clear_flags = [&] {
      ui.element_layers.header_stale = ui.element_layers.right_column_stale = ui.redraw_needed = false;
    };
    const auto flag_set = [&] { return c.flag ? ui.element_layers.*c.flag : ui.redraw_needed; };
    for (int i = 0; i < 6; ++i) {  // 0.3 s: past both fade lengths
      clear_flags();
      advance_hover_fades(ui, 0.05f);
      if (i == 0) {
        EXPECT_EQ(flag_set(), c.settled > 0.0f);
      }
    }
    const auto found = ui.hover_fades.find(c.hovered);
    EXPECT_EQ(found == ui.hover_fades.end() ? 0.0f : found->second, c.settled);
    if (c.settled == 0.0f) {
      EXPECT_FALSE(ui.hover_fades.contains(c.hovered));
    }
    clear_flags();
    advance_hover_fades(ui, 0.05f);  // held for long: nothing moves, no band is redrawn
    EXPECT_FALSE(ui.element_layers.header_stale || ui.element_layers.right_column_stale || ui.redraw_needed);
  }
}

TEST(HoverFades, LeavingFadesOutAndForgetsTheRegion) {
  UiState ui = content_ui();
  ui.hover_fades[Hover{HIT_NEWS_ROW, 0}] = 1.0f;
  ui.hover = Hover{HIT_NEWS_ROW, 2};
  advance_hover_fades(ui, 0.05f);
  EXPECT_FLOAT_EQ(ui.hover_fades.at(Hover{HIT_NEWS_ROW, 0}), 0.75f);
  EXPECT_FLOAT_EQ(ui.hover_fades.at(Hover{HIT_NEWS_ROW, 2}), 0.25f);
  for (int i = 0; i < 3; ++i) advance_hover_fades(ui, 0.05f);
  EXPECT_FALSE(ui.hover_fades.contains(Hover{HIT_NEWS_ROW, 0}));
  EXPECT_EQ(ui.hover_fades.at(Hover{HIT_NEWS_ROW, 2}), 1.0f);
}

TEST(HoverFades, AFrameClampsItsStepToAFiftiethOfASecondTimesTwoAndAHalf) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  ui.hover = Hover{HIT_MINIMIZE, 0};
  frame_at(ui, 12.0);  // two seconds late: the fade moves by one 0.05 s step
  EXPECT_FLOAT_EQ(ui.hover_fades.at(Hover{HIT_MINIMIZE, 0}), 0.25f);
}

// ---- the dialog frame ----

void open_plain_dialog(UiState& ui) {
  SettingsDialogState dialog;
  dialog.snapshot = ui.canvas.pixmap;
  dialog.backdrop = Pixmap::make(ui.canvas_width, ui.canvas_height);
  dialog.backdrop.fill_word(0xFF030605u);
  dialog.opened_at = ui.ui_clock;
  ui.dialog = std::move(dialog);
}

TEST(DialogFrame, RepaintedWhileItOpensThenKept) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  open_plain_dialog(ui);
  const struct {
    double since;
    bool repainted;
  } frames[] = {{0.0, true}, {0.1, true}, {0.2, true}, {0.249, true}, {0.25, true}, {0.26, false}, {0.5, false},
                 {3.0, false}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f.since);
    const Rects rects = frame_at(ui, 10.0 + f.since);
    EXPECT_EQ(rects, f.repainted ? Rects{whole(ui)} : Rects{});
    ASSERT_TRUE(ui.dialog.has_value());
    EXPECT_TRUE(ui.dialog->cached_layer.has_value());
  }
  ui.dialog->dirty = true;  // a change shows at once, and once
  EXPECT_EQ(frame_at(ui, 13.1), Rects{whole(ui)});
  EXPECT_EQ(frame_at(ui, 13.2), Rects{});
  ui.dialog->sound_knob = Tween{0.0f, 1.0f, 13.2, 0.2f};  // a switch moving is repainted every frame
  EXPECT_EQ(frame_at(ui, 13.3), Rects{whole(ui)});
  EXPECT_EQ(frame_at(ui, 13.5), Rects{whole(ui)});  // and its end once, by the first frame after it
  EXPECT_EQ(frame_at(ui, 13.6), Rects{});
}

TEST(DialogFrame, ASlowFrameThatJumpsPastTheOpeningStillPaintsItsEnd) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  open_plain_dialog(ui);
  frame_at(ui, 10.05);  // early in the opening: the backdrop only partly shown
  ASSERT_NE(ui.canvas.pixmap.pixel(20, 620), 0xFF030605u);
  EXPECT_EQ(frame_at(ui, 10.6), Rects{whole(ui)});  // the next frame comes late: the finished picture is painted
  EXPECT_EQ(ui.canvas.pixmap.pixel(20, 620), 0xFF030605u);
  EXPECT_EQ(frame_at(ui, 10.7), Rects{});
}

TEST(DialogFrame, SettledDialogShowsTheBackdropOverTheSnapshot) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  open_plain_dialog(ui);
  frame_at(ui, 10.5);
  // The painter's layer is empty here wherever the panel is not: the backdrop is what shows.
  EXPECT_EQ(ui.canvas.pixmap.pixel(20, 620), 0xFF030605u);
}

TEST(DialogFrame, ClosingTheDialogGivesAFullFrame) {
  UiState ui = content_ui();
  frame_at(ui, 10.0);
  open_plain_dialog(ui);
  frame_at(ui, 10.05);
  ui.dialog.reset();
  EXPECT_EQ(frame_at(ui, 10.1), Rects{whole(ui)});
}

// ---- hostile texts ----

// Peak resident size of this process so far, in bytes (0 where the kernel does not say).
uint64_t peak_resident_bytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * 1024;
  return 0;
}

// Megabyte texts of the served content, drawn and hovered in and out: no abort, the texts' pictures stay within
// their byte bound at every frame of the fades, and the process stays far from the gigabytes whole-line pictures
// took.
TEST(FrameHostileTexts, MegabyteTextsDrawWithinTheSpriteBoundThroughHoverFades) {
  const std::string link_2m(2'000'000, 'x');
  const std::string link_500k(500'000, 'y');
  const std::string link_20k(20'000, 'z');
  const std::string tag_3m(3'000'000, 'T');
  const std::string date_3m(3'000'000, '0');
  const std::string label_3m(3'000'000, 'L');
  const std::string value_3m(3'000'000, 'V');
  const struct {
    float scale;
    std::vector<LauncherLink> links;
    std::vector<LauncherNews> news;
    std::vector<LauncherInfo> info;
    Hover hovered;
  } rows[] = {
      {1.0f, {{"Site", "https://a.example"}, {link_2m, "https://b.example"}}, {}, {}, {HIT_HEADER_LINK, 1}},
      {2.0f, {{"Site", "https://a.example"}, {link_500k, "https://b.example"}}, {}, {}, {HIT_HEADER_LINK, 1}},
      {2.0f, {{link_20k, "https://b.example"}}, {}, {}, {HIT_HEADER_LINK, 0}},
      {1.0f, {}, {{tag_3m, "#D9A845", "Novo mapa", "https://a.example", date_3m}}, {}, {HIT_NEWS_ROW, 0}},
      {1.0f, {{"Site", "https://a.example"}}, {}, {{label_3m, value_3m}}, {HIT_HEADER_LINK, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "scale " << row.scale << " hovering kind " << row.hovered.kind);
    UiState ui = content_ui(row.scale);
    const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
    set_launcher_content(ui, row.links.empty() ? *config.links : row.links, row.news.empty() ? *config.news : row.news,
                         row.info.empty() ? *config.info : row.info, std::nullopt);
    double t = 1.0;
    for (int step = 0; step < 24; ++step) {  // in, held, out
      ui.hover = step < 12 ? row.hovered : Hover{};
      advance_hover_fades(ui, 0.05f);
      frame_at(ui, t += 0.05);
      ASSERT_EQ(ui.sprites.text_bytes, test::text_bytes_held(ui.sprites)) << "step " << step;
      ASSERT_LE(ui.sprites.text_bytes, sprite_cache_text_bound(row.scale)) << "step " << step;
      ASSERT_LE(ui.sprites.shadow_bytes, sprite_cache_shadow_bound(row.scale)) << "step " << step;
    }
  }
  EXPECT_LT(peak_resident_bytes(), uint64_t{2} << 30);
}

// ---- a new scale ----

TEST(FrameScaleChange, RemakesTheLayersRestartsTheWorkerAndClosesTheDialog) {
  UiState ui = content_ui();
  ui.intro_start = 0.0;
  frame_at(ui, 2.0);
  ASSERT_TRUE(ui.backdrop.has_value());
  open_plain_dialog(ui);
  frame_at(ui, 2.05);

  rebuild_scaled_layers(ui, 2.0f);
  const Rects rects = frame_at(ui, 2.1);
  EXPECT_EQ(rects, Rects{(DirtyRect{0, 0, 2200, 1320})});
  EXPECT_FALSE(ui.dialog.has_value());
  EXPECT_EQ(ui.frame.background.width(), 2200u);
  EXPECT_EQ(ui.frame.background.height(), 1320u);
  EXPECT_EQ(ui.last_background_time, 2.1);  // painted here again at the new size
  EXPECT_TRUE(ui.backdrop.has_value());     // and a new worker for the new layers
  for (int i = 0; i < 30; ++i) frame_at(ui, 2.15 + 0.05 * i);  // replies of the new size are taken
  EXPECT_EQ(ui.canvas.pixmap.width(), 2200u);
}

}  // namespace
}  // namespace qo

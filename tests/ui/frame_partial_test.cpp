// Partial frames against full ones. A window is driven through a script of frames (the opening, hover fades,
// sparks, the countdown ticking, status and progress changes, late frames, the dialog opening, settling and
// closing); after each frame, a full frame is painted at the same instant (the clock unchanged, so nothing moves)
// with every layer repainted, and the two canvases must agree pixel for pixel; then the window goes on from the
// frame it painted. The backdrop worker is played by the test with the real renderer, answering after the frames
// the script says, so the same frames are partial on every run. A few frames are also checked against the
// timeline itself: the fade a region must show at that instant, the window as it was when the dialog opens, and
// the dialog part-way through its opening.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/default_launcher_config.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "ui/backdrop.h"
#include "ui/dialog_input.h"
#include "ui/easing.h"
#include "ui/frame.h"
#include "ui/layout.h"
#include "ui/settings_dialog.h"
#include "ui/status.h"
#include "ui/test_ui.h"
#include "ui/window_proc.h"

namespace qo {
namespace {

// Frames 3/64 s apart, under the 0.05 s a frame's fade step is limited to: clock readings, frame steps and fade
// steps are exact binary fractions, so a fade reached by many steps equals its value read off the timeline.
constexpr double FRAME_SECS = 3.0 / 64.0;

// The test's ends of the window's backdrop channels.
struct WorkerEnds {
  BoundedReceiver<BackdropRequest> requests;
  BoundedSender<BackdropReply> replies;
};

WorkerEnds install_scripted_worker(UiState& ui) {
  auto [request_sender, request_receiver] = make_bounded_channel<BackdropRequest>(1);
  auto [reply_sender, reply_receiver] = make_bounded_channel<BackdropReply>(1);
  BackdropWorkerLink link;
  link.requests = std::move(request_sender);
  link.replies = std::move(reply_receiver);
  ui.backdrop = std::move(link);
  return WorkerEnds{std::move(request_receiver), std::move(reply_sender)};
}

// The built-in launcher.json content with the server online, the layers made for the state's scale.
UiState content_ui(float scale) {
  UiState ui = test::make_test_ui(scale);
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  ui.intro_start = 0.0;
  fit_frame_layers_to_scale(ui);  // now, so that the first frame keeps the scripted worker
  return ui;
}

void set_ui_clock(UiState& ui, double t) {
  const int64_t target = ui.start_instant_ns + static_cast<int64_t>(std::llround(t * 1e9));
  ui.clock.advance(target - ui.clock.monotonic_ns());
}

::testing::AssertionResult same_pixels(const Pixmap& shown, const Pixmap& expected) {
  if (shown.width() != expected.width() || shown.height() != expected.height())
    return ::testing::AssertionFailure() << "sizes differ";
  if (std::memcmp(shown.pixels().data(), expected.pixels().data(), shown.pixels().size_bytes()) == 0)
    return ::testing::AssertionSuccess();
  uint32_t count = 0;
  uint32_t left = UINT32_MAX, top = UINT32_MAX, right = 0, bottom = 0;
  uint32_t first_shown = 0, first_expected = 0;
  for (uint32_t y = 0; y < shown.height(); ++y) {
    for (uint32_t x = 0; x < shown.width(); ++x) {
      if (shown.pixel(x, y) == expected.pixel(x, y)) continue;
      if (count++ == 0) {
        first_shown = shown.pixel(x, y);
        first_expected = expected.pixel(x, y);
      }
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  }
  return ::testing::AssertionFailure() << count << " pixels differ within x " << left << ".." << right << ", y "
                                       << top << ".." << bottom << "; the first is " << std::hex << first_shown
                                       << " instead of " << first_expected;
}

// A window driven through a script of frames, each frame checked against a full one painted at its instant.
class CheckedWindow {
 public:
  explicit CheckedWindow(float scale)
      : ui_(content_ui(scale)), worker_(install_scripted_worker(ui_)), renderer_(copy_backdrop_scene(ui_)) {}

  UiState& ui() { return ui_; }

  // The next frame comes at t; from there frames follow each other FRAME_SECS apart.
  void jump_to(double t) { next_frame_ = t; }

  // The next n frames, each compared with a full frame at its instant.
  void frames(int n) {
    for (int i = 0; i < n; ++i) {
      frame_at(next_frame_);
      next_frame_ += FRAME_SECS;
    }
  }

  // The canvas the last frame left equals a full frame at the same instant painted from the state as it is, with
  // `adjust` applied for the full frame alone.
  void expect_full_frame_agrees(const std::function<void(UiState&)>& adjust = {}) {
    ++checks_;
    paint_full_frame_now(adjust);
    const ::testing::AssertionResult same = same_pixels(ui_.canvas.pixmap, full_);
    if (!same && ++mismatches_ <= 3) ADD_FAILURE() << same.message();
  }

  // Opens the dialog at the instant of the last frame and paints its first frame at that instant: it must show the
  // window exactly as that frame did, and agree with a full frame as every frame does.
  void open_dialog_now() {
    const Pixmap before = ui_.canvas.pixmap;
    open_settings_dialog(ui_, capture_settings_model());
    frame_at(ui_.ui_clock);
    next_frame_ = ui_.ui_clock + FRAME_SECS;
    EXPECT_TRUE(same_pixels(ui_.canvas.pixmap, before)) << "the dialog's first frame, at its opening instant";
  }

  // The worker's reply to the request it was last offered, drawn by the real renderer, is ready before the next
  // frame (which then takes it and is a full one).
  void worker_answers() {
    std::optional<BackdropRequest> request = worker_.requests.try_receive();
    ASSERT_TRUE(request.has_value()) << "no request waits";
    ASSERT_EQ(worker_.replies.try_send(renderer_.answer(std::move(*request))), TrySendOutcome::sent);
  }

  int mismatches() const { return mismatches_; }
  int partial_frames() const { return partial_frames_; }
  int checks() const { return checks_; }

 private:
  DirtyRect whole_canvas_rect() const {
    return DirtyRect{0, 0, static_cast<int32_t>(ui_.canvas_width), static_cast<int32_t>(ui_.canvas_height)};
  }

  void frame_at(double t) {
    SCOPED_TRACE(::testing::Message() << "frame at " << t);
    set_ui_clock(ui_, t);
    const std::vector<DirtyRect> rects = render_frame(ui_);
    const bool whole = rects.size() == 1 && rects[0] == whole_canvas_rect();
    if (!rects.empty() && !whole) ++partial_frames_;
    const bool dialog_painted = !rects.empty() && ui_.dialog.has_value();
    if (!dialog_painted) expect_full_frame_agrees();  // a painted dialog frame is a full one already
  }

  // A frame at the clock of the last one (so nothing moves) with everything asked for: every element layer and
  // the dialog's repainted, the whole canvas composed, into full_ (a full frame writes every pixel). The worker is
  // set aside meanwhile, so that the frame takes and asks nothing, and what the frame changes besides the
  // repainted layers is put back: the window goes on as the last frame left it.
  void paint_full_frame_now(const std::function<void(UiState&)>& adjust) {
    if (full_.width() != ui_.canvas.pixmap.width() || full_.height() != ui_.canvas.pixmap.height())
      full_ = Pixmap::make(ui_.canvas.pixmap.width(), ui_.canvas.pixmap.height());
    const std::map<Hover, float> fades = ui_.hover_fades;
    const bool force_full = ui_.force_full_redraw;
    ElementLayers& layers = ui_.element_layers;
    const std::array<bool, 3> stale{layers.header_stale, layers.right_column_stale, ui_.redraw_needed};
    const bool dialog_dirty = ui_.dialog && ui_.dialog->dirty;
    std::optional<BackdropWorkerLink> worker = std::move(ui_.backdrop);
    ui_.backdrop = BackdropWorkerLink{};  // a worker that is gone
    ui_.backdrop->frames_made = worker ? worker->frames_made : 0;
    std::swap(full_, ui_.canvas.pixmap);

    if (adjust) adjust(ui_);
    ui_.force_full_redraw = true;
    layers.header_stale = layers.right_column_stale = ui_.redraw_needed = true;
    if (ui_.dialog) ui_.dialog->dirty = true;
    render_frame(ui_);

    std::swap(full_, ui_.canvas.pixmap);
    ui_.backdrop = std::move(worker);
    ui_.hover_fades = fades;
    ui_.force_full_redraw = force_full;
    layers.header_stale = stale[0];
    layers.right_column_stale = stale[1];
    ui_.redraw_needed = stale[2];
    if (ui_.dialog) ui_.dialog->dirty = dialog_dirty;
  }

  UiState ui_;
  WorkerEnds worker_;
  BackdropRenderer renderer_;
  Pixmap full_;  // the last full frame
  double next_frame_ = 0.0;
  int partial_frames_ = 0;
  int checks_ = 0;
  int mismatches_ = 0;
};

uint32_t first_clickable_link(const UiState& ui) {
  const auto& items = ui.layout.header_items;
  for (uint32_t i = 0; i < items.size(); ++i)
    if (items[i].clickable) return i;
  ADD_FAILURE() << "no clickable header link";
  return 0;
}

void point_at(UiState& ui, HitKind kind, uint32_t index = 0) { ui.hover = Hover{kind, index}; }

// A fade as the timeline gives it, for the full frame.
std::function<void(UiState&)> with_fade(Hover key, float amount) {
  return [=](UiState& ui) { ui.hover_fades[key] = amount; };
}

// The opening, while this thread paints the background: the pill rising, the logo and countdown fading in, the
// sparks and the server dot's pulse; a header link hovered, then the armed Play button.
void opening_script(CheckedWindow& window) {
  UiState& ui = window.ui();
  window.jump_to(0.0);
  window.frames(3);
  const Hover link{HIT_HEADER_LINK, first_clickable_link(ui)};
  ui.hover = link;
  window.frames(3);
  window.expect_full_frame_agrees(with_fade(link, 0.703125f));  // 9/64 s of 0.2
  ui.play_armed = true;
  point_at(ui, HIT_PLAY);
  window.frames(3);
  window.expect_full_frame_agrees(with_fade(Hover{HIT_PLAY, 0}, 0.5625f));  // 9/64 s of 0.25
}

// Long after the opening, the worker's backgrounds under the rune and logo: Play no longer armed, the last news
// row hovered while the status and both bars change, the countdown ticking over a second in a frame that comes after
// the bars have stopped, the server dot's ring grown near the end of the strip.
void steady_script(CheckedWindow& window) {
  UiState& ui = window.ui();
  ui.play_armed = false;
  window.jump_to(10.9);
  window.frames(1);  // the worker's time begins: a request, the background painted here still shown
  window.worker_answers();
  window.frames(1);
  point_at(ui, HIT_NEWS_ROW, static_cast<uint32_t>(ui.layout.news_rows.size() - 1));  // the lowest
  set_status(ui, "Baixando arquivos", "dados/mapas.pak", 35.0f, 60.0f, "2,5 MB/s");
  window.frames(1);      // the bars move for 0.3 s
  window.jump_to(11.3);  // they have stopped since the last frame; the countdown's seconds changed at 11.0
  window.frames(1);
  window.worker_answers();
  point_at(ui, HIT_SEE_ALL_NEWS);
  window.frames(2);
  window.jump_to(11.875);  // the server dot's ring near its widest
  window.frames(2);
}

// The dialog's picture while it opens, read off its timeline: the snapshot, the backdrop at ease-out of 0.2 s, and
// the layer the frame painted, faded in and risen 10 px and grown from 97 % about the window's centre on the
// overshoot curve of 0.25 s. A full frame at the same instant paints the same dialog frame, so only this reading
// tells a missing rise or growth or a wrong curve. The transform is composed in the order the window composes it
// (rise, then growth about the centre), so the samples agree to the last bit.
::testing::AssertionResult dialog_on_its_timeline(const UiState& ui) {
  if (!ui.dialog || !ui.dialog->cached_layer) return ::testing::AssertionFailure() << "no dialog layer";
  const SettingsDialogState& dialog = *ui.dialog;
  const auto since = static_cast<float>(ui.ui_clock - dialog.opened_at);
  const float e = overshoot_ease(std::clamp(since / 0.25f, 0.0f, 1.0f));
  const float s = ui.scale;
  const float k = 0.97f + 0.03f * e;
  Pixmap expected = dialog.snapshot;
  blend_pixmap_opacity(expected, dialog.backdrop, ease_out(std::clamp(since / 0.2f, 0.0f, 1.0f)), 0, 0);
  const Transform grow = Transform::from_translate(0.0f, (1.0f - e) * 10.0f * s)
                             .pre_translate(550.0f * s, 330.0f * s)
                             .pre_scale(k, k)
                             .pre_translate(-550.0f * s, -330.0f * s);
  draw_pixmap(expected, 0, 0, *dialog.cached_layer, PixmapPaint{e, BlendMode::SourceOver, FilterQuality::Bilinear},
              grow);
  return same_pixels(ui.canvas.pixmap, expected);
}

// The dialog opened, frames that come after its opening or a knob's travel have ended, a settled frame, the
// sound switched, the status changed under the dialog, the dialog closed.
void dialog_script(CheckedWindow& window) {
  UiState& ui = window.ui();
  window.open_dialog_now();
  window.jump_to(ui.ui_clock + 0.1);
  window.frames(1);
  EXPECT_TRUE(dialog_on_its_timeline(ui)) << "0.1 s into the opening";
  window.jump_to(ui.ui_clock + 0.2);  // the opening has ended since the last frame
  window.frames(2);
  const Hover sound{HIT_SOUND_SWITCH, 0};
  release_in_dialog(ui, sound, sound);
  window.frames(1);
  window.jump_to(ui.ui_clock + 0.2);  // the knob has stopped since the last frame
  window.frames(1);
  set_status(ui, "Pronto para jogar", "", 100.0f, 100.0f, "");  // under the dialog: shown once it closes
  close_settings_dialog(ui);
  window.frames(2);
}

struct Scenario {
  const char* name;
  void (*script)(CheckedWindow&);
  bool every_scale;  // else at scales 1 and 1.25 alone: the dialog paints whole frames at every scale
};

// Played one after the other on the same window.
constexpr Scenario SCENARIOS[] = {
    {"the opening", opening_script, true},
    {"long after it", steady_script, true},
    {"the dialog", dialog_script, false},
};

class PartialFrames : public ::testing::TestWithParam<float> {};

TEST_P(PartialFrames, ShowWhatAFullFrameAtTheSameInstantShows) {
  CheckedWindow window(GetParam());
  const bool dialog_scale = GetParam() == 1.0f || GetParam() == 1.25f;
  for (const Scenario& scenario : SCENARIOS) {
    if (!scenario.every_scale && !dialog_scale) continue;
    SCOPED_TRACE(scenario.name);
    scenario.script(window);
  }
  EXPECT_EQ(window.mismatches(), 0) << "of " << window.checks() << " frames";
  EXPECT_GE(window.partial_frames(), 10);  // the frames the check is for
}

std::string scale_name(const ::testing::TestParamInfo<float>& info) {
  return "AtScale" + std::to_string(static_cast<int>(std::lround(info.param * 100.0f)));
}

INSTANTIATE_TEST_SUITE_P(FourScales, PartialFrames, ::testing::Values(1.0f, 1.25f, 1.5f, 1.75f), scale_name);

}  // namespace
}  // namespace qo

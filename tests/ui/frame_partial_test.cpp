// Partial frames against full ones. Two states are driven through the same script of frames (the opening, hover
// fades, sparks, the countdown ticking, status and progress changes, the dialog opening and closing): one paints
// as the window does, the other repaints every element layer and composes the whole canvas every frame. After
// each frame the two canvases must agree pixel for pixel. The backdrop worker is played by the test with the real
// renderer, answering on the frames the script says, so both states take the same backgrounds on the same frames.
// A few frames are also checked against the timeline itself: the fade a region must show at that instant, and the
// window as it was at the instant the dialog opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/default_launcher_config.h"
#include "ui/backdrop.h"
#include "ui/dialog_input.h"
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
// The worker answers after every third frame: the frame after an answer is a full one, the two before it partial.
constexpr int WORKER_ANSWER_EVERY = 3;

// The test's ends of a state's backdrop channels.
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
UiState content_ui(float scale, double intro_start) {
  UiState ui = test::make_test_ui(scale);
  const LauncherConfig config = default_launcher_config(Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  ui.intro_start = intro_start;
  fit_frame_layers_to_scale(ui);  // now, so that the first frame keeps the scripted worker
  return ui;
}

void set_ui_clock(UiState& ui, double t) {
  const int64_t target = ui.start_instant_ns + static_cast<int64_t>(std::llround(t * 1e9));
  ui.clock.advance(target - ui.clock.monotonic_ns());
}

// What a frame painted from nothing repaints: every element layer, the whole canvas, the dialog's layer.
void ask_for_everything(UiState& ui) {
  ui.force_full_redraw = true;
  ui.element_layers.header_stale = true;
  ui.element_layers.right_column_stale = true;
  ui.redraw_needed = true;
  if (ui.dialog) ui.dialog->dirty = true;
}

::testing::AssertionResult same_pixels(const Pixmap& shown, const Pixmap& expected) {
  if (shown.width() != expected.width() || shown.height() != expected.height())
    return ::testing::AssertionFailure() << "sizes differ";
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
  if (count == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << count << " pixels differ within x " << left << ".." << right << ", y "
                                       << top << ".." << bottom << "; the first is " << std::hex << first_shown
                                       << " instead of " << first_expected;
}

bool same_canvas(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.pixels().data(), b.pixels().data(), a.pixels().size_bytes()) == 0;
}

// The state painted as the window paints it and its twin painted in full, driven through one script.
class FramePair {
 public:
  FramePair(float scale, double intro_start)
      : partial_(content_ui(scale, intro_start)),
        full_(content_ui(scale, intro_start)),
        partial_worker_(install_scripted_worker(partial_)),
        full_worker_(install_scripted_worker(full_)),
        renderer_(copy_backdrop_scene(partial_)) {}

  // Applies a change of state to both.
  void both(const std::function<void(UiState&)>& change) {
    change(partial_);
    change(full_);
  }

  // One frame of each at UI clock t, then the canvases compared.
  void frame_at(double t) {
    SCOPED_TRACE(::testing::Message() << "frame at " << t);
    set_ui_clock(partial_, t);
    set_ui_clock(full_, t);
    render_frame(partial_);
    ask_for_everything(full_);
    render_frame(full_);
    ++frames_;
    if (!same_canvas(partial_.canvas.pixmap, full_.canvas.pixmap)) {
      ++mismatches_;
      if (mismatches_ <= 3) ADD_FAILURE() << same_pixels(partial_.canvas.pixmap, full_.canvas.pixmap).message();
    }
    if (frames_ % WORKER_ANSWER_EVERY == 0) answer_worker_requests();
  }

  // The next frame comes at t; until then frames follow each other FRAME_SECS apart.
  void jump_to(double t) { next_frame_ = t; }

  // The next n frames.
  void frames(int n) {
    for (int i = 0; i < n; ++i) {
      frame_at(next_frame_);
      next_frame_ += FRAME_SECS;
    }
  }

  // The full twin painted again at the same instant with one fade as the timeline gives it: the partial canvas
  // must show that fade. Its worker is set aside meanwhile, so that the frame takes and asks nothing.
  void expect_fade_from_timeline(const Hover& key, float amount) {
    SCOPED_TRACE(::testing::Message() << "fade of region kind " << key.kind << " at " << full_.ui_clock);
    full_.hover_fades[key] = amount;
    std::optional<BackdropWorkerLink> worker = std::move(full_.backdrop);
    full_.backdrop = BackdropWorkerLink{};  // a worker that is gone
    full_.backdrop->frames_made = worker->frames_made;
    ask_for_everything(full_);
    render_frame(full_);
    full_.backdrop = std::move(worker);
    EXPECT_TRUE(same_pixels(partial_.canvas.pixmap, full_.canvas.pixmap));
  }

  // Opens the dialog in both at the current instant and paints its first frame at that instant: it must show the
  // window exactly as the last frame did.
  void open_dialog_now() {
    const Pixmap before = partial_.canvas.pixmap;
    both([](UiState& ui) { open_settings_dialog(ui, capture_settings_model()); });
    frame_at(partial_.ui_clock);
    next_frame_ = partial_.ui_clock + FRAME_SECS;
    EXPECT_TRUE(same_pixels(partial_.canvas.pixmap, before)) << "the dialog's first frame, at its opening instant";
  }

  int mismatches() const { return mismatches_; }
  int frames_painted() const { return frames_; }
  UiState& partial() { return partial_; }

 private:
  // The worker's turn: each state's waiting request answered with the same picture, drawn once.
  void answer_worker_requests() {
    std::optional<BackdropRequest> request = partial_worker_.requests.try_receive();
    std::optional<BackdropRequest> twin_request = full_worker_.requests.try_receive();
    ASSERT_EQ(request.has_value(), twin_request.has_value());
    if (!request) return;
    ASSERT_EQ(request->t, twin_request->t);
    ASSERT_FALSE(panel_lists_differ(request->panels, twin_request->panels));
    Pixmap frame = renderer_.render(std::move(*request));
    Pixmap twin_frame = frame;
    ASSERT_TRUE(partial_worker_.replies.try_send(BackdropReply{std::move(frame)}) == TrySendOutcome::sent);
    ASSERT_TRUE(full_worker_.replies.try_send(BackdropReply{std::move(twin_frame)}) == TrySendOutcome::sent);
  }

  UiState partial_;
  UiState full_;
  WorkerEnds partial_worker_;
  WorkerEnds full_worker_;
  BackdropRenderer renderer_;
  double next_frame_ = 0.0;
  int frames_ = 0;
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

// The opening from its first frame into the worker's time: the pill rising, the rune, logo and countdown fading
// in, sparks, then a header link, a news row and the armed Play button hovered and left.
void opening_script(FramePair& pair) {
  pair.jump_to(0.0);
  pair.frames(3);
  const uint32_t link = first_clickable_link(pair.partial());
  pair.both([&](UiState& ui) { point_at(ui, HIT_HEADER_LINK, link); });
  pair.frames(3);
  pair.expect_fade_from_timeline(Hover{HIT_HEADER_LINK, link}, 0.703125f);  // 9/64 s of 0.2
  pair.both([](UiState& ui) { point_at(ui, HIT_NEWS_ROW, 1); });
  pair.frames(3);
  pair.both([](UiState& ui) {
    ui.play_armed = true;
    point_at(ui, HIT_PLAY);
  });
  pair.frames(3);
  pair.expect_fade_from_timeline(Hover{HIT_PLAY, 0}, 0.5625f);  // 9/64 s of 0.25
  pair.both([](UiState& ui) { point_at(ui, HIT_MINIMIZE); });
  pair.frames(10);  // past 0.95 s: the worker's backgrounds
}

// Long after the opening, the worker's time: the status and both bars change, the countdown ticks over a second,
// the dialog opens, settles, has its sound switched and closes, while the sparks, rune and logo keep moving.
void steady_script(FramePair& pair) {
  pair.jump_to(10.8);
  pair.frames(2);
  pair.both([](UiState& ui) { set_status(ui, "Baixando arquivos", "dados/mapas.pak", 35.0f, 60.0f, "2,5 MB/s"); });
  pair.frames(8);  // the bars move for 0.3 s; the countdown's seconds change at 11.0
  pair.both([](UiState& ui) { point_at(ui, HIT_SEE_ALL_NEWS); });
  pair.frames(2);
  pair.open_dialog_now();
  pair.frames(6);  // settled after 0.25 s
  const Hover sound{HIT_SOUND_SWITCH, 0};
  pair.both([&](UiState& ui) { release_in_dialog(ui, sound, sound); });
  pair.frames(6);  // the knob moves for 0.2 s
  pair.both([](UiState& ui) { close_settings_dialog(ui); });
  pair.frames(3);
}

struct Scenario {
  const char* name;
  double intro_start;
  void (*script)(FramePair&);
};

constexpr Scenario SCENARIOS[] = {
    {"Opening", 0.0, opening_script},
    {"Steady", 0.0, steady_script},
};

class PartialFrames : public ::testing::TestWithParam<std::tuple<Scenario, float>> {};

TEST_P(PartialFrames, ShowWhatAFullFrameAtTheSameInstantShows) {
  const auto& [scenario, scale] = GetParam();
  FramePair pair(scale, scenario.intro_start);
  scenario.script(pair);
  EXPECT_EQ(pair.mismatches(), 0) << "of " << pair.frames_painted() << " frames";
}

std::string scenario_name(const ::testing::TestParamInfo<PartialFrames::ParamType>& info) {
  const auto& [scenario, scale] = info.param;
  return std::string(scenario.name) + "AtScale" + std::to_string(static_cast<int>(std::lround(scale * 100.0f)));
}

INSTANTIATE_TEST_SUITE_P(ScriptsAndScales, PartialFrames,
                         ::testing::Combine(::testing::ValuesIn(SCENARIOS), ::testing::Values(1.0f, 1.25f, 1.5f, 1.75f)),
                         scenario_name);

}  // namespace
}  // namespace qo

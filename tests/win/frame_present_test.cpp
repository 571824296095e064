// Frames painted straight into the window's back buffer (a real SDL window on the offscreen driver) against the
// same frames painted into a canvas of the state's own: the back buffer must show exactly what that canvas holds,
// also after the window's size changed and back, when the memory painted in before is gone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/window.h"
#include "support/temp_dir.h"
#include "support/window_test_helpers.h"
#include "ui/frame.h"
#include "ui/layers.h"
#include "win/test_app.h"
#include "win/window_shell.h"

namespace qo {
namespace {

void set_ui_clock(UiState& ui, double t) {
    const int64_t target = ui.start_instant_ns + static_cast<int64_t>(std::llround(t * 1e9));
    ui.clock.advance(target - ui.clock.monotonic_ns());
}

UiState opening_ui() {
    UiState ui = test::make_test_ui(1.0f);
    ui.intro_start = 0.0;
    return ui;
}

// The back buffer's pixels equal the canvas's, word for word.
::testing::AssertionResult shows(SdlWindow& window, const Pixmap& canvas) {
    const std::optional<BackBufferMemory> memory = window.back_buffer_memory();
    if (!memory) return ::testing::AssertionFailure() << "the window offers no memory to paint in";
    if (memory->width != static_cast<int>(canvas.width()) || memory->height != static_cast<int>(canvas.height()))
        return ::testing::AssertionFailure() << "sizes differ";
    if (std::memcmp(memory->words, canvas.pixels().data(), canvas.byte_size()) != 0)
        return ::testing::AssertionFailure() << "pixels differ";
    return ::testing::AssertionSuccess();
}

TEST(FramePresent, FramesPaintedInTheBackBufferShowWhatTheirOwnCanvasShowsAcrossASizeChange) {
    test::TempDir dir;
    UiState reference = opening_ui();
    const int width = static_cast<int>(reference.canvas_width);
    const int height = static_cast<int>(reference.canvas_height);
    auto window = test::make_test_window(width, height);
    ASSERT_TRUE(window);
    test::TestApp test_app = test::make_test_app(dir.path(), window.get());
    LauncherApp& app = *test_app.app;
    app.ui = opening_ui();

    // Frames of the opening (the background painted on this thread, so both states paint the same ones).
    int frame = 0;
    auto next_frame = [&](double t) {
        SCOPED_TRACE(::testing::Message() << "frame " << frame++ << " at " << t << " s");
        set_ui_clock(app.ui, t);
        set_ui_clock(reference, t);
        render_and_present(app);
        render_frame(reference);
        EXPECT_TRUE(app.ui.canvas.pixmap.borrowed());
        EXPECT_TRUE(shows(*window, reference.canvas.pixmap));
    };
    for (const double t : {0.05, 0.1, 0.25, 0.3}) next_frame(t);

    // SDL makes the back buffer anew at the next size and again at the old one; what the canvas painted in is
    // gone, and the frame after it must still be whole.
    window->set_size(320, 200);
    ASSERT_TRUE(window->back_buffer_memory());
    window->set_size(width, height);
    for (const double t : {0.35, 0.4}) next_frame(t);
}

}  // namespace
}  // namespace qo

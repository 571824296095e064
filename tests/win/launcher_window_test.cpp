// The shell's message routing: minimise and restore, the after-launch timer, close and destroy, paint, a scale
// change, the UI wake-up, pointer input and its mouse capture and cursor, a busy record, and the window's size.
#include "win/launcher_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/window.h"
#include "settings/game_options.h"
#include "ui/settings_dialog.h"
#include "support/temp_dir.h"
#include "win/app_slot.h"
#include "win/test_app.h"

namespace qo {
namespace {

class MessageRouting : public ::testing::Test {
protected:
    LoopStep route(const WindowMessage& message) { return route_window_message(app, message); }

    test::TempDir folder;
    test::RecordingWindow window;
    test::TestApp test_app = test::make_test_app(folder.path(), &window);
    LauncherApp& app = *test_app.app;
};

TEST_F(MessageRouting, MinimiseAndRestoreFollowTheWindowState) {
    struct Case {
        const char* name;
        bool app_minimized, ui_minimized, message_minimized;
        bool expect_app, expect_ui, expect_full_redraw;
    };
    const std::vector<Case> cases = {
        {"minimised", false, false, true, true, true, true},
        {"restored", true, true, false, false, false, true},
        {"a plain resize", false, false, false, false, false, false},
        {"minimised again", true, true, true, true, true, false},
        {"UI already marked", false, true, true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.minimized = c.app_minimized;
        app.ui.minimized = c.ui_minimized;
        app.ui.force_full_redraw = false;
        EXPECT_EQ(route(SizeMessage{c.message_minimized, 1100, 660}), LoopStep::Continue);
        EXPECT_EQ(app.minimized, c.expect_app);
        EXPECT_EQ(app.ui.minimized, c.expect_ui);
        EXPECT_EQ(app.ui.force_full_redraw, c.expect_full_redraw);
    }
}

TEST_F(MessageRouting, AfterLaunchTimerIsKilledBeforeItIsHandled) {
    struct Case {
        const char* name;
        bool close_after_start;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"close after start", true, {"kill timer 7", "destroy"}},
        {"offer Play again", false, {"kill timer 7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.calls.clear();
        app.config.close_after_start = c.close_after_start;
        app.play_enabled = false;
        EXPECT_EQ(route(TimerMessage{AFTER_LAUNCH_TIMER_ID}), LoopStep::Continue);
        EXPECT_EQ(window.calls, c.calls);
        EXPECT_EQ(app.play_enabled, !c.close_after_start);
    }
    window.calls.clear();
    route(TimerMessage{3});  // no timer of ours
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(MessageRouting, CloseRequestStopsTheThreadsThenDestroysAndDestroyEndsTheLoop) {
    EXPECT_EQ(route(CloseRequestMessage{}), LoopStep::Continue);
    EXPECT_TRUE(app.stop_flag->load());
    EXPECT_EQ(window.calls, std::vector<std::string>{"destroy"});

    test::RecordingWindow other;
    test::TestApp second = test::make_test_app(folder.path(), &other);
    EXPECT_EQ(route_window_message(*second.app, DestroyMessage{}), LoopStep::End);
    EXPECT_TRUE(second.app->stop_flag->load());
}

TEST_F(MessageRouting, PaintShowsTheBackBufferAgainAndRunsNoCommand) {
    app.commands = {MinimizeCommand{}};
    route(PaintMessage{});
    EXPECT_EQ(window.calls, std::vector<std::string>{"repaint"});
    route(SizeMessage{false, 1100, 660});  // any other message runs the queue
    EXPECT_EQ(window.calls, (std::vector<std::string>{"repaint", "minimize"}));
}

TEST_F(MessageRouting, ScaleChangeRebuildsAtTheNewScaleNeverBelowHalf) {
    struct Case {
        double scale;
        float ui_scale;
        std::string call;
    };
    const std::vector<Case> cases = {
        {1.5, 1.5f, "size 1650x990"},
        {1.25, 1.25f, "size 1375x825"},
        {0.25, 0.5f, "size 550x330"},
        {1.0, 1.0f, "size 1100x660"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        window.calls.clear();
        route(ScaleChangeMessage{c.scale});
        EXPECT_EQ(app.ui.scale, c.ui_scale);
        EXPECT_EQ(window.calls, std::vector<std::string>{c.call});
    }
}

TEST_F(MessageRouting, WakeUpDrainsTheEventChannel) {
    send_ui_event(app.event_sender, UiEvent{ServerStatus{true}});
    route(UiWakeMessage{});
    EXPECT_TRUE(app.ui.server_online);
    EXPECT_FALSE(app.event_receiver.try_receive());
}

TEST_F(MessageRouting, PointerInputCapturesTheMouseAndSetsTheCursor) {
    route(MouseMoveMessage{5, 600});
    route(ButtonDownMessage{MouseButton::Left, 5, 600});
    EXPECT_TRUE(window.captured);
    route(ButtonUpMessage{MouseButton::Left, 5, 600});
    EXPECT_FALSE(window.captured);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"cursor arrow", "capture", "cursor arrow", "cursor arrow", "release"}));
}

TEST_F(MessageRouting, ABusyRecordIsLeftAlone) {
    send_ui_event(app.event_sender, UiEvent{ServerStatus{true}});
    window.captured = true;
    {
        const auto borrow = AppBorrow::take(&app);
        route(UiWakeMessage{});
        route(ButtonUpMessage{MouseButton::Left, 5, 5});
        route(SizeMessage{true, 1100, 660});
        EXPECT_FALSE(caption_at_pixel(&app, 10, 10));
    }
    EXPECT_FALSE(app.ui.server_online);  // the event waits for the next wake-up
    EXPECT_FALSE(app.minimized);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"release", "cursor arrow"}));
    route(UiWakeMessage{});
    EXPECT_TRUE(app.ui.server_online);
    EXPECT_FALSE(caption_at_pixel(nullptr, 10, 10));
}

// A box is modal to the window: clicks and keys meanwhile do nothing, and nothing of them is kept for after it
// (a press made before it came up gives no click when released later).
TEST_F(MessageRouting, WhileABoxIsUpInputIsDroppedAndNothingIsKeptForLater) {
    app.ui.hit_regions = {HitRegion{0, 0, 100, 100, HIT_CLOSE, 0}};
    const auto click = [&] {
        route(ButtonDownMessage{MouseButton::Left, 50, 50});
        route(ButtonUpMessage{MouseButton::Left, 50, 50});
    };
    route(ButtonDownMessage{MouseButton::Left, 50, 50});  // pressed before the box came up
    window.box_up = true;
    window.calls.clear();
    route(ButtonUpMessage{MouseButton::Left, 50, 50});
    click();
    route(KeyDownMessage{Key::Escape, false});
    window.box_up = false;
    route(ButtonUpMessage{MouseButton::Left, 50, 50});  // a release after it has no press to end
    EXPECT_EQ(std::ranges::count(window.calls, "destroy"), 0);
    EXPECT_EQ(std::ranges::count(window.calls, "capture"), 0);
    EXPECT_FALSE(window.captured);

    open_settings_dialog(app.ui, settings_dialog_model(GameOptions{}, {}));
    window.box_up = true;
    route(KeyDownMessage{Key::Escape, false});
    EXPECT_TRUE(app.ui.dialog.has_value()) << "Escape under the box closed the dialog";
    window.box_up = false;
    route(KeyDownMessage{Key::Escape, false});
    EXPECT_FALSE(app.ui.dialog.has_value());

    window.calls.clear();
    click();  // once the box is closed the window takes clicks again
    EXPECT_NE(std::ranges::find(window.calls, "destroy"), window.calls.end());
}

// The window's size at each scale, and where it goes on a display too small for it.
TEST(LauncherWindowPlacement, SizeRoundsUpAndASmallDisplayGetsTheTopLeftCorner) {
    struct Case {
        float scale;
        PixelRect usable;
        PixelRect place;
    };
    const std::vector<Case> cases = {
        {1.0f, {0, 0, 1920, 1080}, {410, 210, 1100, 660}},
        {1.25f, {0, 0, 1920, 1080}, {272, 127, 1375, 825}},
        {1.1f, {0, 0, 1920, 1080}, {355, 177, 1210, 726}},  // 1100 x 1.1 rounded up
        {1.5f, {0, 24, 1366, 744}, {0, 24, 1650, 990}},    // larger than the work area: its corner
        {1.0f, {100, 30, 1024, 600}, {100, 30, 1100, 660}},
    };
    for (const Case& c : cases) {
        const WindowSize size = launcher_window_size(c.scale);
        EXPECT_EQ(centred_in(c.usable, size.width, size.height), c.place) << c.scale;
    }
}

}  // namespace
}  // namespace qo

// When the loop blocks for input: no record, a busy record, a minimised window, a settled dialog; never on the
// animated main screen.
#include "win/idle_rule.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/temp_dir.h"
#include "win/app_slot.h"
#include "win/test_app.h"

namespace qo {
namespace {

// The UI clock of the last frame in these cases; the dialog opened at 10 s.
constexpr double CLOCK = 20.0;

SettingsDialogState settled_dialog() {
    SettingsDialogState dialog;
    dialog.opened_at = CLOCK - 1.0;
    dialog.dirty = false;
    dialog.shown_at_rest = true;
    dialog.sound_knob = Tween{1.0f, 1.0f, CLOCK - 1.0, 0.2f};
    dialog.music_knob = Tween{0.0f, 0.0f, CLOCK - 1.0, 0.2f};
    return dialog;
}

TEST(IdleRule, BlocksOnlyWhenNothingOnScreenCanMove) {
    struct Case {
        const char* name;
        std::function<void(LauncherApp&)> arrange;
        bool blocks;
    };
    const std::vector<Case> cases = {
        {"main screen animates", [](LauncherApp&) {}, false},
        {"window minimised", [](LauncherApp& a) { a.minimized = true; }, true},
        {"UI marked minimised", [](LauncherApp& a) { a.ui.minimized = true; }, true},
        {"dialog settled", [](LauncherApp& a) { a.ui.dialog = settled_dialog(); }, true},
        {"dialog opened 0.25 s ago",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->opened_at = CLOCK - 0.25;
         },
         false},
        {"dialog opened 0.3125 s ago",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->opened_at = CLOCK - 0.3125;
         },
         true},
        {"dialog dirty",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->dirty = true;
         },
         false},
        {"last frame painted early in the opening (a slow frame followed)",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->shown_at_rest = false;
         },
         false},
        {"sound knob still moving",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->sound_knob.start = CLOCK - 0.1;
         },
         false},
        {"music knob run out 0.25 s after its start",
         [](LauncherApp& a) {
             a.ui.dialog = settled_dialog();
             a.ui.dialog->music_knob.start = CLOCK - 0.25;
         },
         true},
    };
    test::TempDir folder;
    test::RecordingWindow window;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestApp test_app = test::make_test_app(folder.path(), &window);
        test_app.app->ui.ui_clock = CLOCK;
        c.arrange(*test_app.app);
        EXPECT_EQ(waits_for_input(test_app.app.get()), c.blocks);
    }
}

TEST(IdleRule, BlocksWithoutARecordOrWhileItIsBorrowed) {
    EXPECT_TRUE(waits_for_input(nullptr));
    test::TempDir folder;
    test::RecordingWindow window;
    test::TestApp test_app = test::make_test_app(folder.path(), &window);
    const auto borrow = AppBorrow::take(test_app.app.get());
    EXPECT_TRUE(waits_for_input(test_app.app.get()));
}

}  // namespace
}  // namespace qo

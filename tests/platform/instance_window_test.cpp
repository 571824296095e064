#include "platform/instance_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "support/scoped_env.h"
#include "support/virtual_display.h"

// X11 defines macros (None, Bool, Status) that must come after the test framework.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qo {
namespace {

// Removes a variable for the life of the object.
class UnsetEnv {
public:
    explicit UnsetEnv(const char* name) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        ::unsetenv(name);
    }
    ~UnsetEnv() {
        if (previous_) ::setenv(name_, previous_->c_str(), 1);
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

TEST(InstanceWindow, NothingIsFoundWithoutADisplay) {
    UnsetEnv display("DISPLAY");
    EXPECT_FALSE(find_window_by_class("QoTarmishLauncherMain").has_value());
    EXPECT_FALSE(find_window_by_title("QoFenro").has_value());
    restore_and_activate(InstanceWindow{1234});  // must not fail either
}

// A client of the virtual display that owns some top-level windows.
class InstanceWindowOnDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.running()) GTEST_SKIP() << "Xvfb is not available";
        env_.emplace("DISPLAY", display_.name());
        x_ = XOpenDisplay(display_.name().c_str());
        ASSERT_NE(x_, nullptr);
    }
    void TearDown() override {
        if (x_) XCloseDisplay(x_);
    }

    // An unmapped top-level window with the given class and (UTF-8) title.
    Window make_window(const char* class_name, const std::string& title) {
        const Window w = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 100, 80, 0, 0, 0);
        XClassHint hint{const_cast<char*>("qotarmish"), const_cast<char*>(class_name)};
        XSetClassHint(x_, w, &hint);
        XChangeProperty(x_, w, XInternAtom(x_, "_NET_WM_NAME", False), XInternAtom(x_, "UTF8_STRING", False), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
        XSync(x_, False);
        return w;
    }

    bool mapped(Window w) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(x_, w, &attributes);
        return attributes.map_state != IsUnmapped;
    }

    test::VirtualDisplay display_;
    std::optional<test::ScopedEnv> env_;
    Display* x_ = nullptr;
};

TEST_F(InstanceWindowOnDisplay, FindsByClassAndByExactTitle) {
    const Window other = make_window("OutraJanela", "QoFenro Online");
    const Window launcher = make_window("QoTarmishLauncherMain", "Servidor Ação");

    auto by_class = find_window_by_class("QoTarmishLauncherMain");
    ASSERT_TRUE(by_class.has_value());
    EXPECT_EQ(by_class->id, launcher);

    auto by_title = find_window_by_title("Servidor Ação");
    ASSERT_TRUE(by_title.has_value());
    EXPECT_EQ(by_title->id, launcher);
    EXPECT_EQ(find_window_by_title("QoFenro Online")->id, other);

    EXPECT_FALSE(find_window_by_title("QoFenro").has_value());  // a prefix is not the title
    EXPECT_FALSE(find_window_by_class("qotarmishlaunchermain").has_value());
}

TEST_F(InstanceWindowOnDisplay, RestoreMapsAHiddenWindow) {
    const Window launcher = make_window("QoTarmishLauncherMain", "QoFenro");
    ASSERT_FALSE(mapped(launcher));
    restore_and_activate(InstanceWindow{launcher});
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i) {
        shown = mapped(launcher);
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace qo

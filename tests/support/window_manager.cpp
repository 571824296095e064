#include "support/window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/child_process.h"

namespace qo::test {
namespace {

const char* const kWindowManager = "/usr/bin/openbox";

// Whether a window manager has set _NET_SUPPORTING_WM_CHECK on the root window.
bool announced(Display* x) {
    const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format,
                                          &count, &remaining, &data) == Success &&
                       count == 1;
    if (data) XFree(data);
    return found;
}

}  // namespace

WindowManager::WindowManager(const std::string& display) {
    if (!std::filesystem::exists(kWindowManager)) return;
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return;
    ChildOptions options;
    options.arguments = {"--sm-disable"};
    options.set_env = {{"DISPLAY", display}};
    process_ = std::make_unique<ChildProcess>(kWindowManager, options);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (process_->started() && !running_ && std::chrono::steady_clock::now() < deadline) {
        running_ = announced(x);
        if (!running_ && process_->wait_for_exit(std::chrono::milliseconds(20))) break;
    }
    XCloseDisplay(x);
}

WindowManager::~WindowManager() = default;

}  // namespace qo::test

#pragma once
// A small EWMH window manager (openbox) on a test display, for what only a window manager does: moving a window
// on a move request, iconifying and restoring it, activating it. Tests skip themselves when it is not installed.
#include <memory>
#include <string>

namespace qo::test {

class ChildProcess;

class WindowManager {
public:
    // Starts the window manager on `display` and waits until it has announced itself on the root window.
    explicit WindowManager(const std::string& display);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool running() const { return running_; }

private:
    std::unique_ptr<ChildProcess> process_;
    bool running_ = false;
};

}  // namespace qo::test

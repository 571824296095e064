#pragma once
// A private X server (Xvfb) for tests that need a display. Tests skip themselves when Xvfb is not installed.
#include <memory>
#include <string>

namespace qo::test {

class ChildProcess;

class VirtualDisplay {
public:
    // Starts Xvfb on a free display number with one screen of `screen` (width x height x depth) and waits until it
    // accepts connections.
    explicit VirtualDisplay(const std::string& screen = "640x480x24");
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return !name_.empty(); }
    // The DISPLAY value, such as ":93"; empty when the server did not start.
    const std::string& name() const { return name_; }

private:
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

}  // namespace qo::test

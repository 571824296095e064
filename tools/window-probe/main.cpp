// Starts the launcher on the X server of DISPLAY and measures it from outside, as a player's desktop would see it:
// the time from the process start to its first frame on screen (a window of its class showing a non-black
// pixel), the processor time of all its threads over 10 s of the animated main screen, while minimised and with
// the settings dialog open and settled, and its resident memory. Minimising needs a window manager on the
// display; the clicks go through xdotool. Prints one line per figure. With --animated-only first, only the first
// frame, the animated figure and the memory are taken (the yardstick window has no dialog), then the close box.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fmt/core.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kWindowClass = "QoTarmishLauncherMain";
// Logical points of the main screen: the settings button and the close box.
constexpr double kSettingsX = 718, kSettingsY = 607.5, kCloseX = 1073, kCloseY = 28.5;

int ignore_x_error(Display*, XErrorEvent*) { return 0; }

pid_t spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

void run(const std::vector<std::string>& arguments) {
    const pid_t pid = spawn(arguments);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
}

std::optional<Window> find_by_class(Display* x, Window parent, int depth) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, parent, &root, &up, &children, &count)) return std::nullopt;
    std::optional<Window> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        XClassHint hint{};
        if (XGetClassHint(x, children[i], &hint)) {
            if (hint.res_class && std::string(hint.res_class) == kWindowClass) found = children[i];
            if (hint.res_name) XFree(hint.res_name);
            if (hint.res_class) XFree(hint.res_class);
        }
        if (!found && depth > 1) found = find_by_class(x, children[i], depth - 1);
    }
    if (children) XFree(children);
    return found;
}

// Whether three rows of the window hold any non-black pixel.
bool shows_a_frame(Display* x, Window window) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(x, window, &a) || a.map_state != IsViewable) return false;
    for (int y : {a.height / 4, a.height / 2, a.height * 3 / 4}) {
        XImage* row = XGetImage(x, window, 0, y, static_cast<unsigned>(a.width), 1, AllPlanes, ZPixmap);
        if (!row) continue;
        bool lit = false;
        for (int i = 0; i < a.width && !lit; ++i) lit = (XGetPixel(row, i, 0) & 0xFFFFFF) != 0;
        XDestroyImage(row);
        if (lit) return true;
    }
    return false;
}

// utime + stime in seconds of what a /proc stat file describes: a process with all its threads, or one thread.
double cpu_seconds(const std::string& stat_file) {
    std::ifstream in(stat_file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
        if (i == 15) break;
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A line of /proc/<pid>/status in megabytes (VmRSS, VmHWM).
double status_mb(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
    }
    return 0;
}

double cpu_seconds(pid_t pid) { return cpu_seconds("/proc/" + std::to_string(pid) + "/stat"); }

// Processor seconds per thread, by thread id, with each thread's name.
std::map<std::string, std::pair<std::string, double>> thread_seconds(pid_t pid) {
    std::map<std::string, std::pair<std::string, double>> threads;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        threads[task.path().filename().string()] = {name, cpu_seconds((task.path() / "stat").string())};
    }
    return threads;
}

// Percent of one core over `span`; with `per_thread`, each thread that used any is printed too.
double cpu_percent(pid_t pid, std::chrono::seconds span, bool per_thread = false) {
    const double c0 = cpu_seconds(pid);
    const auto threads0 = thread_seconds(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(span);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    if (per_thread) {
        for (const auto& [id, thread] : thread_seconds(pid)) {
            const auto before = threads0.find(id);
            const double used = thread.second - (before == threads0.end() ? 0.0 : before->second.second);
            if (used > 0) fmt::print("  thread {} ({}): {:.1f} %\n", id, thread.first, 100.0 * used / wall);
        }
    }
    return 100.0 * (cpu_seconds(pid) - c0) / wall;
}

int wm_state(Display* x, Window window) {
    const Atom state = XInternAtom(x, "WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    int value = 0;
    if (XGetWindowProperty(x, window, state, 0, 2, False, state, &type, &format, &count, &remaining, &data) ==
            Success && data && count >= 1) {
        value = static_cast<int>(reinterpret_cast<const long*>(data)[0]);
    }
    if (data) XFree(data);
    return value;
}

template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout, std::chrono::milliseconds step = 1ms) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

void click(Display* x, Window window, double scale, double lx, double ly) {
    int ox = 0, oy = 0;
    Window child = 0;
    XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &ox, &oy, &child);
    run({"xdotool", "mousemove", std::to_string(ox + std::lround(lx * scale)),
         std::to_string(oy + std::lround(ly * scale)), "click", "1"});
}

// Minimised through the window manager, then with the settings dialog open and settled; the dialog is closed.
void measure_minimised_and_dialog(Display* x, Window window, pid_t pid, double scale) {
    XIconifyWindow(x, window, DefaultScreen(x));
    XFlush(x);
    if (wait_until([&] { return wm_state(x, window) == IconicState; }, 5s, 10ms)) {
        std::this_thread::sleep_for(1s);
        fmt::print("minimised, 10 s: {:.1f} % of one core\n", cpu_percent(pid, 10s));
    } else {
        fmt::print("minimised: the window manager did not iconify the window\n");
    }
    XMapRaised(x, window);
    XFlush(x);
    wait_until([&] { return wm_state(x, window) == NormalState && shows_a_frame(x, window); }, 5s, 10ms);
    std::this_thread::sleep_for(500ms);

    click(x, window, scale, kSettingsX, kSettingsY);
    std::this_thread::sleep_for(1500ms);  // the dialog fades in and settles after 0.3 s
    fmt::print("settings dialog settled, 10 s: {:.1f} % of one core\n", cpu_percent(pid, 10s));

    click(x, window, scale, 1090, 640);  // outside the dialog's panel: it closes
    std::this_thread::sleep_for(500ms);
}

}  // namespace

int main(int argc, char** argv) {
    const bool animated_only = argc > 1 && std::string(argv[1]) == "--animated-only";
    if (animated_only) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        fmt::print(stderr, "usage: qo-window-probe [--animated-only] <launcher executable> [arguments...]\n");
        return 2;
    }
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        fmt::print(stderr, "qo-window-probe: no X display\n");
        return 2;
    }
    XSetErrorHandler(ignore_x_error);
    run({"xdotool", "mousemove", "0", "0"});  // the pointer stays off the window while it animates

    const auto t0 = Clock::now();
    const pid_t pid = spawn(std::vector<std::string>(argv + 1, argv + argc));
    if (pid <= 0) return 2;
    std::optional<Window> window;
    const bool framed = wait_until(
        [&] {
            if (!window) window = find_by_class(x, DefaultRootWindow(x), 3);
            return window && shows_a_frame(x, *window);
        },
        20s);
    const double first_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (!framed) {
        fmt::print("first frame: none within 20 s\n");
        kill(pid, SIGKILL);  // it may sit in a message box, which outlives SIGTERM
        waitpid(pid, nullptr, 0);
        return 1;
    }
    XWindowAttributes a{};
    XGetWindowAttributes(x, *window, &a);
    const double scale = a.width / 1100.0;
    fmt::print("window: {}x{} (scale {:g})\n", a.width, a.height, scale);
    fmt::print("first frame on screen: {:.0f} ms after the process start\n", first_ms);

    std::this_thread::sleep_for(3s);  // the opening animations run their course
    const double animated = cpu_percent(pid, 10s, true);
    fmt::print("animated main screen, 10 s: {:.1f} % of one core (threads above)\n", animated);
    fmt::print("resident memory: {:.1f} MB (peak {:.1f} MB)\n", status_mb(pid, "VmRSS"), status_mb(pid, "VmHWM"));

    if (!animated_only) measure_minimised_and_dialog(x, *window, pid, scale);
    click(x, *window, scale, kCloseX, kCloseY);
    int status = 0;
    const bool ended = wait_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10s, 10ms);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    fmt::print("close box: {}\n", ended && WIFEXITED(status) ? fmt::format("exit code {}", WEXITSTATUS(status))
                                                              : std::string("did not end the process"));
    XCloseDisplay(x);
    return 0;
}

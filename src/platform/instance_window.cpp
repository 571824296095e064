#include "platform/instance_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <functional>
#include <string>

namespace qo {
namespace {

// Windows may vanish while they are looked at; such errors must not end the process.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

class XConnection {
public:
    XConnection() : display_(XOpenDisplay(nullptr)) {
        if (display_) previous_handler_ = XSetErrorHandler(ignore_x_error);
    }
    ~XConnection() {
        if (!display_) return;
        XSync(display_, False);
        XSetErrorHandler(previous_handler_);
        XCloseDisplay(display_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* get() const { return display_; }

private:
    Display* display_;
    XErrorHandler previous_handler_ = nullptr;
};

// Top-level client windows sit right under the root, or one or two levels down under a window manager's frames.
constexpr int kSearchDepth = 3;

std::optional<Window> find_window(Display* display, Window parent, int depth,
                                  const std::function<bool(Window)>& matches) {
    Window root_return = 0;
    Window parent_return = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root_return, &parent_return, &children, &count)) return std::nullopt;
    std::optional<Window> found;
    // Stacking order is bottom to top; look from the top so the most recent window wins.
    for (unsigned i = count; i-- > 0 && !found;) {
        if (matches(children[i])) found = children[i];
    }
    for (unsigned i = count; depth > 1 && i-- > 0 && !found;) {
        found = find_window(display, children[i], depth - 1, matches);
    }
    if (children) XFree(children);
    return found;
}

std::optional<std::string> window_class(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return std::nullopt;
    std::optional<std::string> result;
    if (hint.res_class) result = hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return result;
}

// The UTF-8 title (_NET_WM_NAME), else the legacy WM_NAME; nothing when the window carries neither.
std::optional<std::string> window_title(Display* display, Window window) {
    const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 4096, False, utf8, &type, &format, &items,
                           &remaining, &data) == Success &&
        type == utf8 && format == 8) {
        std::string title(reinterpret_cast<const char*>(data), items);
        XFree(data);
        return title;
    }
    if (data) XFree(data);
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return std::nullopt;
}

std::optional<InstanceWindow> search(const std::function<bool(Display*, Window)>& matches) {
    XConnection connection;
    Display* display = connection.get();
    if (!display) return std::nullopt;
    const auto found = find_window(display, DefaultRootWindow(display), kSearchDepth,
                                   [&](Window w) { return matches(display, w); });
    if (!found) return std::nullopt;
    return InstanceWindow{static_cast<std::uint64_t>(*found)};
}

}  // namespace

std::optional<InstanceWindow> find_window_by_class(std::string_view class_name) {
    return search([&](Display* display, Window w) { return window_class(display, w) == class_name; });
}

std::optional<InstanceWindow> find_window_by_title(std::string_view title) {
    return search([&](Display* display, Window w) { return window_title(display, w) == title; });
}

void restore_and_activate(InstanceWindow instance) {
    XConnection connection;
    Display* display = connection.get();
    if (!display || instance.id == 0) return;
    const auto window = static_cast<Window>(instance.id);
    XMapRaised(display, window);

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // the request comes from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(display);
}

}  // namespace qo

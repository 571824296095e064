#pragma once
// The re-entrancy guard of the launcher record: every entry point of the shell (message handlers, a frame,
// the command queue, the loop's idle test, the caption test) borrows the record for as long as it works on it;
// a nested entry made while it is borrowed finds it busy and takes its fallback instead of touching it.
//
// Only the window thread ever borrows, so the flag is a plain bool, not a lock. Our messages reach the record
// only through the shell's own loop: SDL's modal message boxes run their own event loop on another display
// connection and dispatch none of our messages, so a box shown by a command does not re-enter the record. The
// nested entries that do happen are calls such as process_window_commands made from inside a handler.
#include <memory>
#include <optional>
#include <utility>

#include "win/launcher_app.h"

namespace qo {

class AppBorrow {
public:
    // Borrows the record; nothing when there is none (before the window exists, after teardown) or when it is
    // already borrowed.
    static std::optional<AppBorrow> take(LauncherApp* app) {
        if (!app || app->borrowed) return std::nullopt;
        return AppBorrow(*app);
    }

    AppBorrow(AppBorrow&& other) noexcept : app_(std::exchange(other.app_, nullptr)) {}
    AppBorrow& operator=(AppBorrow&&) = delete;
    AppBorrow(const AppBorrow&) = delete;
    AppBorrow& operator=(const AppBorrow&) = delete;
    ~AppBorrow() {
        if (app_) app_->borrowed = false;
    }

    LauncherApp& operator*() const { return *app_; }
    LauncherApp* operator->() const { return app_; }

private:
    explicit AppBorrow(LauncherApp& app) : app_(&app) { app.borrowed = true; }

    LauncherApp* app_;
};

// Whether the record can be borrowed at this moment.
inline bool app_available(const LauncherApp* app) { return app && !app->borrowed; }

}  // namespace qo

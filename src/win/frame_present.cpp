// render_and_present: one frame of the window, from the UI state's canvas to the back buffer and the screen.
#include <vector>

#include "ui/frame.h"
#include "win/app_slot.h"
#include "win/window_shell.h"

namespace qo {
namespace {

std::vector<PixelRect> pixel_rects(const std::vector<DirtyRect>& dirty) {
    std::vector<PixelRect> rects;
    rects.reserve(dirty.size());
    for (const DirtyRect& r : dirty) rects.push_back(PixelRect{r.x, r.y, r.w, r.h});
    return rects;
}

PixelSource canvas_pixels(const Canvas& canvas) {
    const Pixmap& pixmap = canvas.pixmap;
    return PixelSource{pixmap.pixels().data(), static_cast<int>(pixmap.width()), static_cast<int>(pixmap.height()),
                       static_cast<int>(pixmap.width())};
}

}  // namespace

void render_and_present(LauncherApp& app) {
    const auto borrow = AppBorrow::take(&app);
    if (!borrow || app.minimized || app.ui.minimized || !app.window) return;
    const std::vector<PixelRect> rects = pixel_rects(render_frame(app.ui));
    if (rects.empty()) return;
    app.window->draw_to_back_buffer(canvas_pixels(app.ui.canvas), rects);
    // Until the window is shown its first frame reaches the screen only through the paint that showing brings.
    if (app.present_enabled) app.window->present(rects);
}

}  // namespace qo

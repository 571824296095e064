// render_and_present: one frame of the window, from the UI state's canvas to the back buffer and the screen.
#include <algorithm>
#include <optional>
#include <utility>
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

bool fits_canvas(const BackBufferMemory& memory, const Pixmap& canvas) {
    return memory.words && std::cmp_equal(memory.width, canvas.width()) &&
           std::cmp_equal(memory.height, canvas.height());
}

}  // namespace

void paint_into_back_buffer(LauncherApp& app) {
    UiState& ui = app.ui;
    Pixmap& canvas = ui.canvas.pixmap;
    const std::optional<BackBufferMemory> memory = app.window->back_buffer_memory();
    const bool fits = memory && fits_canvas(*memory, canvas);
    if (canvas.borrowed()) {
        if (fits && memory->generation == app.canvas_memory_generation && memory->words == canvas.pixels().data())
            return;
        // The back buffer it painted in may be gone: that memory is not read again, and the next frame is whole.
        canvas = Pixmap::make(canvas.width(), canvas.height());
        ui.force_full_redraw = true;
        if (ui.dialog) ui.dialog->dirty = true;
    }
    if (!fits) return;
    std::copy_n(canvas.pixels().data(), canvas.pixel_count(), memory->words);
    canvas = Pixmap::borrow(memory->words, canvas.width(), canvas.height());
    app.canvas_memory_generation = memory->generation;
}

void render_and_present(LauncherApp& app) {
    const auto borrow = AppBorrow::take(&app);
    if (!borrow || app.minimized || app.ui.minimized || !app.window) return;
    paint_into_back_buffer(app);
    const std::vector<PixelRect> rects = pixel_rects(render_frame(app.ui));
    if (rects.empty()) return;
    app.window->draw_to_back_buffer(canvas_pixels(app.ui.canvas), rects);
    // Until the window is shown its first frame reaches the screen only through the paint that showing brings.
    if (app.present_enabled) app.window->present(rects);
}

}  // namespace qo

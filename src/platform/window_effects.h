#pragma once
// What the window shell asks of its window. The SDL form is SdlWindow (window.h); tests of the shell record the
// calls instead.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/back_buffer_copy.h"
#include "platform/message_box.h"

namespace qo {

enum class PointerShape { Arrow, Hand };

// The back buffer's own pixels, when frames can be painted straight into them: words of the frames' layout
// (the top byte is not shown), rows without padding. `generation` changes whenever the memory may have been
// made anew (the window's size changed, or it is gone), so memory from an older generation must not be read.
struct BackBufferMemory {
    std::uint32_t* words = nullptr;
    int width = 0;
    int height = 0;
    std::uint64_t generation = 0;
};

class WindowEffects {
public:
    virtual ~WindowEffects() = default;

    // Copies the rectangles of a frame into the back buffer without showing them yet; a frame painted in the
    // back buffer's own memory is already there.
    virtual void draw_to_back_buffer(PixelSource frame, std::span<const PixelRect> rects) = 0;
    // The back buffer's memory for painting frames straight into it; nothing when frames must be copied.
    virtual std::optional<BackBufferMemory> back_buffer_memory() { return std::nullopt; }
    // Shows these rectangles of the back buffer on screen.
    virtual void present(std::span<const PixelRect> rects) = 0;
    // Shows the whole back buffer again (after the window was uncovered).
    virtual void repaint() = 0;

    virtual void set_title(std::string_view title) = 0;
    // New size in pixels; the window is centred again in the display's usable area.
    virtual void set_size(int width, int height) = 0;
    virtual void minimize() = 0;
    // Closes the window for good; a DestroyMessage follows.
    virtual void destroy() = 0;

    virtual void set_cursor(PointerShape shape) = 0;
    // While captured the window keeps receiving pointer moves and the release outside its area.
    virtual void capture_mouse() = 0;
    virtual void release_mouse() = 0;
    virtual bool mouse_captured() const = 0;

    // Posts a TimerMessage with `id` every `interval_ms` until killed; setting an id again replaces it.
    virtual void set_timer(std::uint32_t id, std::uint32_t interval_ms) = 0;
    // Stops the timer; a message of it that is already queued is not delivered.
    virtual void kill_timer(std::uint32_t id) = 0;

    // A box modal to the window: it stays in front of it while the window goes on painting; input to the window
    // is the caller's to discard meanwhile (message_box_up). A box asked for while one is up follows it. Without
    // a display the caption and the text go to standard error.
    virtual void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) = 0;
    // Whether a box is up; one that was closed is let go here and the next one asked for is shown.
    virtual bool message_box_up() = 0;
};

}  // namespace qo

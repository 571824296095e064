#include "ui/window_proc.h"

#include <utility>

#include "ui/dialog_input.h"
#include "ui/layout.h"
#include "ui/pointer.h"
#include "ui/status.h"
#include "ui/tween.h"
#include "util/byte_format.h"

namespace qo {
namespace {

// The header band drags the window; the header items and the status pill with the window buttons inside it
// do not (logical px).
constexpr float HEADER_BAND_BOTTOM = 58.0f;
constexpr float HEADER_ITEMS_TOP = 12.5f;
constexpr float HEADER_ITEMS_BOTTOM = 44.5f;
constexpr float BUTTON_STRIP_END = 1090.0f;

struct LogicalPoint {
    float x = 0.0f;
    float y = 0.0f;
};

LogicalPoint logical_point(const UiState& ui, int x, int y) {
    return {static_cast<float>(x) / ui.scale, static_cast<float>(y) / ui.scale};
}

// The dialog's regions while it is open (topmost first), else the main screen's.
Hover hit_at(const UiState& ui, LogicalPoint p) {
    return ui.dialog ? hit_test_dialog(ui.dialog->hit_regions, p.x, p.y) : hit_test_main(ui.hit_regions, p.x, p.y);
}

WindowProcReply not_handled() {
    WindowProcReply reply;
    reply.handled = false;
    return reply;
}

bool over_header_item(const MainLayout& layout, float x) {
    for (const HeaderItem& item : layout.header_items) {
        if (item.x <= x && x < item.x + item.width) return true;
    }
    return false;
}

const HeaderItem* header_item_at(const UiState& ui, uint32_t index) {
    const auto& items = ui.layout.header_items;
    return index < items.size() ? &items[index] : nullptr;
}

void flip_windowed(UiState& ui) {
    ui.windowed = !ui.windowed;
    tween_retarget(ui.windowed_knob, ui.windowed ? 1.0f : 0.0f, ui.ui_clock);
    ui.redraw_needed = true;
}

// A click on the main screen: both the press and the release on the same control.
std::optional<UiAction> release_on_main(UiState& ui, const Hover& pressed, const Hover& hit,
                                        const InputContext& context) {
    if (!same_hover(pressed, hit)) return std::nullopt;
    switch (hit.kind) {
        case HIT_HEADER_LINK: {
            const HeaderItem* item = header_item_at(ui, hit.index);
            if (item == nullptr || !item->clickable) return std::nullopt;
            if (item->opens_settings) return OpenOptionsAction{};
            return OpenUrlAction{item->url};
        }
        case HIT_MINIMIZE:
            return MinimizeAction{};
        case HIT_CLOSE:
            return CloseAction{};
        case HIT_SEE_ALL_NEWS:
            return OpenUrlAction{context.news_page_url};
        case HIT_NEWS_ROW: {
            const auto& rows = ui.layout.news_rows;
            if (hit.index >= rows.size() || rows[hit.index].url.empty()) return std::nullopt;
            return OpenUrlAction{rows[hit.index].url};
        }
        case HIT_WINDOWED_TOGGLE:
            flip_windowed(ui);
            return SetWindowedAction{ui.windowed};
        case HIT_SETTINGS_BUTTON:
            return OpenOptionsAction{};
        case HIT_PLAY:
            if (!ui.play_armed) return std::nullopt;
            return PlayAction{};
        default:
            return std::nullopt;
    }
}

WindowProcReply on_mouse_move(UiState& ui, PointerInput& input, const MouseMoveMessage& move) {
    input.mouse_tracked = true;
    const LogicalPoint p = logical_point(ui, move.x, move.y);
    ui_pointer_move(ui, p.x, p.y);
    return {};
}

// A double click's second press is a press like the first.
WindowProcReply on_button_down(UiState& ui, PointerInput& input, const ButtonDownMessage& down) {
    if (down.button != MouseButton::Left) return not_handled();
    const LogicalPoint p = logical_point(ui, down.x, down.y);
    input.pressed = hit_at(ui, p);
    if (ui.dialog) press_in_dialog(ui, input.pressed, p.x);
    WindowProcReply reply;
    reply.capture_mouse = true;
    return reply;
}

WindowProcReply on_button_up(UiState& ui, PointerInput& input, const ButtonUpMessage& up,
                             const InputContext& context) {
    if (up.button != MouseButton::Left) return not_handled();
    const Hover pressed = std::exchange(input.pressed, Hover{});
    const Hover hit = hit_at(ui, logical_point(ui, up.x, up.y));
    WindowProcReply reply;
    reply.action = ui.dialog ? release_in_dialog(ui, pressed, hit) : release_on_main(ui, pressed, hit, context);
    reply.release_mouse = true;
    return reply;
}

WindowProcReply on_wheel(UiState& ui, const WheelMessage& wheel) {
    if (ui.dialog && ui.dialog->list_open) scroll_value_list(ui, wheel.delta);
    return {};
}

// A leave while the mouse is captured (a drag past the edge) keeps the pointer where it was last seen.
WindowProcReply on_mouse_leave(UiState& ui, PointerInput& input, const MouseLeaveMessage& leave,
                               const InputContext& context) {
    input.mouse_tracked = false;
    if (context.mouse_captured || leave.captured) return {};
    ui.pointer_x = -1.0f;
    ui.pointer_y = -1.0f;
    ui.hover = Hover{};
    if (ui.dialog) {
        ui.dialog->hovered_option.reset();
        ui.dialog->dirty = true;
    }
    return {};
}

WindowProcReply on_key_down(UiState& ui, const KeyDownMessage& key) {
    if (key.key != Key::Escape) return not_handled();
    if (ui.dialog) escape_in_dialog(ui);
    return {};
}

}  // namespace

bool is_caption_at(const UiState& ui, float x, float y) {
    if (ui.dialog) return false;
    if (!(0.0f <= y && y < HEADER_BAND_BOTTOM && 0.0f <= x && x < WINDOW_WIDTH)) return false;
    if (HEADER_ITEMS_TOP <= y && y < HEADER_ITEMS_BOTTOM) {
        if (over_header_item(ui.layout, x)) return false;
        if (ui.layout.status_x <= x && x < BUTTON_STRIP_END) return false;
    }
    return true;
}

PointerShape cursor_for_hover(const UiState& ui) {
    bool hand = false;
    switch (ui.hover.kind) {
        case HIT_HEADER_LINK: {
            const HeaderItem* item = header_item_at(ui, ui.hover.index);
            hand = item != nullptr && item->clickable;
            break;
        }
        case HIT_MINIMIZE:
        case HIT_CLOSE:
        case HIT_SEE_ALL_NEWS:
        case HIT_NEWS_ROW:
        case HIT_WINDOWED_TOGGLE:
        case HIT_SETTINGS_BUTTON:
        case HIT_DIALOG_CLOSE:
        case HIT_DIALOG_ROW:
        case HIT_DIALOG_OPTION:
        case HIT_SOUND_SWITCH:
        case HIT_MUSIC_SWITCH:
        case HIT_VOLUME_SLIDER:
        case HIT_DIALOG_CANCEL:
            hand = true;
            break;
        case HIT_PLAY:
            hand = ui.play_armed;
            break;
        case HIT_DIALOG_SAVE:
            hand = !(ui.dialog && ui.dialog->saving);
            break;
        default:
            break;
    }
    return hand ? PointerShape::Hand : PointerShape::Arrow;
}

WindowProcReply handle_input_message(UiState& ui, PointerInput& input, const WindowMessage& message,
                                     const InputContext& context) {
    if (const auto* move = std::get_if<MouseMoveMessage>(&message)) return on_mouse_move(ui, input, *move);
    if (const auto* down = std::get_if<ButtonDownMessage>(&message)) return on_button_down(ui, input, *down);
    if (const auto* up = std::get_if<ButtonUpMessage>(&message)) return on_button_up(ui, input, *up, context);
    if (const auto* wheel = std::get_if<WheelMessage>(&message)) return on_wheel(ui, *wheel);
    if (const auto* leave = std::get_if<MouseLeaveMessage>(&message))
        return on_mouse_leave(ui, input, *leave, context);
    if (const auto* key = std::get_if<KeyDownMessage>(&message)) return on_key_down(ui, *key);
    return not_handled();
}

void close_settings_dialog(UiState& ui) {
    ui.dialog.reset();
    ui.hover = Hover{};
    if (ui.pointer_x >= 0.0f) ui_pointer_move(ui, ui.pointer_x, ui.pointer_y);
    ui.force_full_redraw = true;
    ui.refresh_request = true;
}

void apply_server_status(UiState& ui, bool online) {
    // The probe reports every few seconds, mostly what it reported before: then nothing on screen changes, and
    // neither the layout nor the layers are made again.
    const std::string_view text = online ? "ONLINE" : "OFFLINE";
    if (online == ui.server_online && ui.server_status_text == text) return;
    if (online && !ui.server_online) ui.online_since = ui.ui_clock;
    ui.server_online = online;
    ui.server_status_text = text;
    relayout_texts(ui);
}

void apply_job_progress(UiState& ui, const JobProgress& progress) {
    const std::string_view detail = progress.detail.empty() ? std::string_view("-") : progress.detail;
    set_status(ui, progress.text, detail, static_cast<float>(progress.file_fraction * 100.0),
               static_cast<float>(progress.total_fraction * 100.0), format_transfer_speed(progress.bytes_per_second));
}

}  // namespace qo

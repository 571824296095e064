#include "ui/window_proc.h"

#include "ui/layout.h"
#include "ui/pointer.h"
#include "ui/status.h"
#include "util/byte_format.h"

namespace qo {

void close_settings_dialog(UiState& ui) {
    ui.dialog.reset();
    ui.hover = Hover{};
    if (ui.pointer_x >= 0.0f) ui_pointer_move(ui, ui.pointer_x, ui.pointer_y);
    ui.force_full_redraw = true;
    ui.refresh_request = true;
}

void apply_server_status(UiState& ui, bool online) {
    if (online) {
        if (!ui.server_online) ui.online_since = ui.ui_clock;
        ui.server_online = true;
        ui.server_status_text = "ONLINE";
    } else {
        ui.server_online = false;
        ui.server_status_text = "OFFLINE";
    }
    relayout_texts(ui);
}

void apply_job_progress(UiState& ui, const JobProgress& progress) {
    const std::string_view detail = progress.detail.empty() ? std::string_view("-") : progress.detail;
    set_status(ui, progress.text, detail, static_cast<float>(progress.file_fraction * 100.0),
               static_cast<float>(progress.total_fraction * 100.0), format_transfer_speed(progress.bytes_per_second));
}

}  // namespace qo

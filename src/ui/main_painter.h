#pragma once
// The main screen's three cached element layers: the header, the right-hand column (news and server panels)
// and the footer (status, progress, options and the play button). Each is repainted from a transparent pixmap
// when its stale flag is set, and the flag is then cleared.
#include <string_view>

namespace qo {

struct UiState;

inline constexpr std::string_view PLAY_LABEL = "JOGAR";

// Repaints every layer whose flag is set: the header flag, the right-column flag, and `redraw_needed` for the
// footer.
void draw_main_screen(UiState& ui);

// One layer, whatever its flag (the flag is left as it is).
void paint_header_layer(UiState& ui);
void paint_right_column_layer(UiState& ui);
void paint_footer_layer(UiState& ui);

}  // namespace qo

#pragma once
// Shaping one line of UTF-8 text into a GlyphRun, and fitting a text into a width with an ellipsis.
#include <string>
#include <string_view>

#include "text/font.h"
#include "text/glyph_run.h"

namespace qo {

// Slack allowed when comparing a measured width with the width available.
inline constexpr float ELLIPSIS_FIT_EPSILON = 0.01f;

// Shapes `text` at `size` pixels. Script and direction are guessed from the text; `tabular` asks for tabular
// digits. `letter_spacing` pixels follow every cluster, the last one included.
GlyphRun shape_line(const Font& font, float size, float letter_spacing, std::string_view text, bool tabular);

// The text itself when it fits `max_width`, else its longest prefix that fits with "…" appended (trailing spaces
// of the prefix dropped); "…" alone when no prefix fits.
std::string fit_text_ellipsis(const Font& font, float size, float max_width, std::string_view text);

}  // namespace qo

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
// of the prefix dropped); "…" alone when no prefix fits. Only a bounded prefix is ever shaped (see
// fitting_scalar_bound), so a text of megabytes costs no more than one that fills the width.
std::string fit_text_ellipsis(const Font& font, float size, float max_width, std::string_view text,
                              float letter_spacing = 0.0f);

// How many characters a line `max_width` pixels wide at `size` could hold at most: eight per em, more than any
// real glyph allows. A text longer than that is cut before it is shaped and counts as not fitting.
std::size_t fitting_scalar_bound(float size, float max_width);

// The first `max_scalars` characters of `text` (the whole text when it is no longer).
std::string_view first_scalars(std::string_view text, std::size_t max_scalars);

}  // namespace qo

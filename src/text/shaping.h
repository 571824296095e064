#pragma once
// Shaping one line of UTF-8 text into a GlyphRun, and fitting a text into a width with an ellipsis.
#include <cstddef>
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

// Texts up to this many bytes are always shaped whole by shape_line_reaching.
inline constexpr std::size_t SHAPING_PREFIX_BYTES = 1024;
// How far, in ems of the size, past the reach a prefix's run must go to be taken for the whole text's there.
inline constexpr float SHAPING_CUT_CONTEXT_EMS = 8.0f;

// shape_line (not tabular) of as much of `text` as is needed to cover `reach` pixels from the pen: for a long
// left-to-right text whose prefix runs past the reach, that prefix's run, whose glyphs up to the reach are those
// of the whole text's run; else the whole text's. A megabyte line is drawn for what can be seen at a cost of its
// first kilobytes.
GlyphRun shape_line_reaching(const Font& font, float size, float letter_spacing, std::string_view text, float reach);

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

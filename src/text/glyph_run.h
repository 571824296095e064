#pragma once
// A shaped line of text: glyph ids placed in pixels, ready to be drawn again and again.
#include <cstdint>
#include <vector>

namespace qo {

struct PlacedGlyph {
    float x = 0;                  // pixels from the run's origin
    std::uint16_t glyph_id = 0;
    float y = 0;                  // pixels, y down
};

struct GlyphRun {
    std::vector<PlacedGlyph> glyphs;  // visual order
    float width = 0;                  // total pen advance in pixels, letter spacing included
    float size = 0;                   // the pixel size the run was shaped at
};

}  // namespace qo

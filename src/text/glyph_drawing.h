#pragma once
// Drawing shaped text onto a canvas, with anti-aliasing coverage tuned to the text colour.
#include <cstdint>
#include <optional>

#include "gfx/canvas.h"
#include "gfx/paint.h"
#include "text/font.h"
#include "text/glyph_run.h"

namespace qo {

// The device-pixel box a run is rasterised into before it is composited.
struct GlyphLayerBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
};

// The run's box with its margins (2 px left, 4 px right, 3 px above the ascender, 3 px below half the size),
// in device pixels of the canvas; none when it is too large to allocate.
std::optional<GlyphLayerBox> glyph_layer_box(const Canvas& canvas, const Font& font, float x, float baseline_y,
                                             const GlyphRun& run);

// Paints `run` with its pen starting at logical `x` and its baseline at logical `baseline_y`. `paint` is a solid
// colour or a gradient given in the canvas's logical coordinates; its luminance and alpha pick the coverage curve
// (see coverage.h).
void draw_glyph_run(Canvas& canvas, const Font& font, float x, float baseline_y, const GlyphRun& run,
                    const Paint& paint);

}  // namespace qo

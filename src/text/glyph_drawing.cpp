#include "text/glyph_drawing.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "gfx/pixmap.h"
#include "gfx/rasterizer.h"
#include "text/coverage.h"
#include "text/text_tuning.h"

namespace qo {
namespace {

CoverageInputs coverage_inputs_for_paint(const Paint& paint) {
    if (const Color* color = std::get_if<Color>(&paint.shader))
        return coverage_inputs_for_color(color->r, color->g, color->b, color->a);
    return CoverageInputs{};  // gradients and patterns take the light-text curve
}

}  // namespace

std::optional<GlyphLayerBox> glyph_layer_box(const Canvas& canvas, const Font& font, float x, float baseline_y,
                                             const GlyphRun& run) {
    const float left = x - 2.0f;
    const float right = x + run.width + 4.0f;
    const float top = baseline_y - baseline_offset(font, run.size) - 3.0f;
    const float bottom = baseline_y + 0.5f * run.size + 3.0f;

    const Transform ts = canvas_transform(canvas);
    const Point top_left = ts.map_point({left, top});
    const Point bottom_right = ts.map_point({right, bottom});
    const std::int64_t device_left = saturating_i32(std::floor(top_left.x));
    const std::int64_t device_top = saturating_i32(std::floor(top_left.y));
    const std::int64_t device_right = saturating_i32(std::ceil(bottom_right.x));
    const std::int64_t device_bottom = saturating_i32(std::ceil(bottom_right.y));

    const std::int64_t width = device_right - device_left;
    const std::int64_t height = device_bottom - device_top;
    if (width > PIXMAP_MAX_WIDTH) return std::nullopt;
    GlyphLayerBox box{static_cast<std::int32_t>(device_left), static_cast<std::int32_t>(device_top),
                      static_cast<std::uint32_t>(std::max<std::int64_t>(width, 1)),
                      static_cast<std::uint32_t>(std::clamp<std::int64_t>(height, 1, UINT32_MAX))};
    if (!pixmap_byte_count(box.width, box.height)) return std::nullopt;
    return box;
}

void draw_glyph_run(Canvas& canvas, const Font& font, float x, float baseline_y, const GlyphRun& run,
                    const Paint& paint) {
    init_text_tuning_from_env();
    if (run.glyphs.empty()) return;
    const std::optional<GlyphLayerBox> box = glyph_layer_box(canvas, font, x, baseline_y, run);
    if (!box) return;
    std::optional<Pixmap> layer = Pixmap::try_make(box->width, box->height);
    if (!layer) return;

    const Transform layer_ts = canvas_transform(canvas).post_translate(static_cast<float>(-std::int64_t{box->left}),
                                                                       static_cast<float>(-std::int64_t{box->top}));
    const float k = run.size / font.units_per_em();
    for (const PlacedGlyph& glyph : run.glyphs) {
        const std::optional<Path>& outline = font.glyph_outline(glyph.glyph_id);
        if (!outline) continue;
        // Font units, y up, scaled to pixels with y flipped and placed at the glyph's pen position. The outline is
        // brought into the canvas's logical space before filling so that a gradient paint is read in the same
        // logical coordinates as every other shape, not in each glyph's font units.
        const Transform glyph_ts = Transform::from_row(k, 0, 0, -k, x + glyph.x, baseline_y + glyph.y);
        if (std::optional<Path> placed = outline->transformed(glyph_ts))
            fill_path(*layer, *placed, paint, FillRule::Winding, layer_ts);
    }

    const CoverageLut lut = build_coverage_lut(text_tuning(), coverage_inputs_for_paint(paint));
    remap_coverage(layer->pixels(), lut);
    draw_pixmap(canvas.pixmap, box->left, box->top, *layer,
                PixmapPaint{1.0f, BlendMode::SourceOver, FilterQuality::Nearest}, Transform::identity());
}

}  // namespace qo

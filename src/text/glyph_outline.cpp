// Glyph outlines from the face, built once per glyph and kept in the font's cache.
#include <hb.h>

#include "text/font.h"

namespace qo {
namespace {

PathBuilder& builder_of(void* draw_data) { return *static_cast<PathBuilder*>(draw_data); }

void move_to(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float x, float y, void*) {
    builder_of(data).move_to(x, y);
}

void line_to(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float x, float y, void*) {
    builder_of(data).line_to(x, y);
}

void quadratic_to(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float cx, float cy, float x, float y, void*) {
    builder_of(data).quad_to(cx, cy, x, y);
}

void cubic_to(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float c1x, float c1y, float c2x, float c2y, float x,
              float y, void*) {
    builder_of(data).cubic_to(c1x, c1y, c2x, c2y, x, y);
}

void close_path(hb_draw_funcs_t*, void* data, hb_draw_state_t*, void*) { builder_of(data).close(); }

// One immutable set of callbacks for the whole process.
hb_draw_funcs_t* path_draw_funcs() {
    static hb_draw_funcs_t* funcs = [] {
        hb_draw_funcs_t* f = hb_draw_funcs_create();
        hb_draw_funcs_set_move_to_func(f, move_to, nullptr, nullptr);
        hb_draw_funcs_set_line_to_func(f, line_to, nullptr, nullptr);
        hb_draw_funcs_set_quadratic_to_func(f, quadratic_to, nullptr, nullptr);
        hb_draw_funcs_set_cubic_to_func(f, cubic_to, nullptr, nullptr);
        hb_draw_funcs_set_close_path_func(f, close_path, nullptr, nullptr);
        hb_draw_funcs_make_immutable(f);
        return f;
    }();
    return funcs;
}

}  // namespace

const std::optional<Path>& Font::glyph_outline(std::uint16_t glyph_id) const {
    if (auto found = glyph_paths_.find(glyph_id); found != glyph_paths_.end()) return found->second;
    // The face's scale is its units per em, so the outline comes out in font units with y up.
    PathBuilder builder;
    hb_font_get_glyph_shape(font_.get(), glyph_id, path_draw_funcs(), &builder);
    ++outline_builds_;
    return glyph_paths_.emplace(glyph_id, builder.finish()).first->second;
}

}  // namespace qo

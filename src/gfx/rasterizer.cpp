#include "gfx/rasterizer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "gfx/pixmap.h"

namespace qo {

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternDeleter {
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// A surface drawing straight into our buffer; none when the rasteriser cannot address that size.
SurfacePtr wrap_pixmap(const Pixmap& pixmap) {
  auto* data = const_cast<unsigned char*>(pixmap.bytes().data());
  SurfacePtr s(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, static_cast<int>(pixmap.width()),
                                                   static_cast<int>(pixmap.height()),
                                                   static_cast<int>(pixmap.stride())));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

SurfacePtr wrap_mask(const Mask& mask) {
  auto* data = const_cast<unsigned char*>(mask.data().data());
  SurfacePtr s(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_A8, static_cast<int>(mask.width()),
                                                   static_cast<int>(mask.height()),
                                                   static_cast<int>(mask.stride())));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

cairo_matrix_t to_cairo(const Transform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.sx, t.ky, t.kx, t.sy, t.tx, t.ty);
  return m;
}

double unit(float v) { return std::isnan(v) ? 0.0 : std::clamp(double{v}, 0.0, 1.0); }

cairo_operator_t to_cairo(BlendMode mode) {
  switch (mode) {
    case BlendMode::SourceOver:
      return CAIRO_OPERATOR_OVER;
    case BlendMode::Source:
      return CAIRO_OPERATOR_SOURCE;
    case BlendMode::Clear:
      return CAIRO_OPERATOR_CLEAR;
  }
  return CAIRO_OPERATOR_OVER;
}

cairo_filter_t to_cairo(FilterQuality q) {
  switch (q) {
    case FilterQuality::Nearest:
      return CAIRO_FILTER_NEAREST;
    case FilterQuality::Bilinear:
      return CAIRO_FILTER_BILINEAR;
    case FilterQuality::Bicubic:
      return CAIRO_FILTER_BEST;
  }
  return CAIRO_FILTER_NEAREST;
}

void append_path(cairo_t* cr, const Path& path) {
  const auto pts = path.points();
  size_t i = 0;
  Point current{}, start{};
  for (PathVerb verb : path.verbs()) {
    switch (verb) {
      case PathVerb::Move:
        current = start = pts[i];
        cairo_move_to(cr, current.x, current.y);
        break;
      case PathVerb::Line:
        current = pts[i];
        cairo_line_to(cr, current.x, current.y);
        break;
      case PathVerb::Quad: {
        // A quadratic is the cubic whose controls lie two thirds of the way to its control point.
        const Point q = pts[i], p = pts[i + 1];
        const double c1x = current.x + 2.0 / 3.0 * (q.x - current.x);
        const double c1y = current.y + 2.0 / 3.0 * (q.y - current.y);
        const double c2x = p.x + 2.0 / 3.0 * (q.x - p.x);
        const double c2y = p.y + 2.0 / 3.0 * (q.y - p.y);
        cairo_curve_to(cr, c1x, c1y, c2x, c2y, p.x, p.y);
        current = p;
        break;
      }
      case PathVerb::Cubic:
        cairo_curve_to(cr, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y);
        current = pts[i + 2];
        break;
      case PathVerb::Close:
        cairo_close_path(cr);
        current = start;
        break;
    }
    i += static_cast<size_t>(path_verb_point_count(verb));
  }
}

void add_stops(cairo_pattern_t* pattern, const std::vector<ColorStop>& stops) {
  for (const ColorStop& s : stops) {
    cairo_pattern_add_color_stop_rgba(pattern, unit(s.position), unit(s.color.r), unit(s.color.g),
                                      unit(s.color.b), unit(s.color.a));
  }
}

// The pattern matrix maps user space to pattern space: the inverse of the shader's own transform.
bool set_pattern_transform(cairo_pattern_t* pattern, const Transform& transform) {
  if (!transform.is_invertible()) return false;
  cairo_matrix_t m = to_cairo(transform);
  if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return false;
  cairo_pattern_set_matrix(pattern, &m);
  return true;
}

// A source ready to be set on a context, with what it borrows kept alive and the opacity a pattern carries.
struct Source {
  PatternPtr pattern;
  SurfacePtr surface;
  double opacity = 1.0;
};

std::optional<Source> make_source(const Shader& shader) {
  Source src;
  if (const auto* c = std::get_if<Color>(&shader)) {
    src.pattern.reset(cairo_pattern_create_rgba(unit(c->r), unit(c->g), unit(c->b), unit(c->a)));
  } else if (const auto* lin = std::get_if<LinearGradient>(&shader)) {
    src.pattern.reset(cairo_pattern_create_linear(lin->start.x, lin->start.y, lin->end.x, lin->end.y));
    add_stops(src.pattern.get(), lin->stops);
    cairo_pattern_set_extend(src.pattern.get(), CAIRO_EXTEND_PAD);
    if (!set_pattern_transform(src.pattern.get(), lin->transform)) return std::nullopt;
  } else if (const auto* rad = std::get_if<RadialGradient>(&shader)) {
    if (!(rad->radius > 0.0f) || !std::isfinite(rad->radius)) return std::nullopt;
    src.pattern.reset(
        cairo_pattern_create_radial(rad->center.x, rad->center.y, 0.0, rad->center.x, rad->center.y, rad->radius));
    add_stops(src.pattern.get(), rad->stops);
    cairo_pattern_set_extend(src.pattern.get(), CAIRO_EXTEND_PAD);
    if (!set_pattern_transform(src.pattern.get(), rad->transform)) return std::nullopt;
  } else if (const auto* pat = std::get_if<PixmapPattern>(&shader)) {
    if (pat->pixmap == nullptr) return std::nullopt;
    src.surface = wrap_pixmap(*pat->pixmap);
    if (!src.surface) return std::nullopt;
    src.pattern.reset(cairo_pattern_create_for_surface(src.surface.get()));
    cairo_pattern_set_extend(src.pattern.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(src.pattern.get(), to_cairo(pat->quality));
    if (!set_pattern_transform(src.pattern.get(), pat->transform)) return std::nullopt;
    src.opacity = unit(pat->opacity);
  }
  if (!src.pattern || cairo_pattern_status(src.pattern.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return src;
}

// How the shape of one drawing call is laid down on a context whose matrix is the call's transform.
struct ShapeDesc {
  const Path* path = nullptr;
  std::optional<RectF> rect;
  FillRule rule = FillRule::Winding;
  const Stroke* stroke = nullptr;
  bool anti_alias = true;
};

bool stroke_is_drawable(const Stroke& s) {
  if (!(s.width >= 0.0f) || !std::isfinite(s.width) || !std::isfinite(s.miter_limit)) return false;
  if (s.dash) {
    if (s.dash->intervals.size() < 2 || s.dash->intervals.size() % 2 != 0) return false;
    float sum = 0.0f;
    for (float v : s.dash->intervals) {
      if (!(v >= 0.0f) || !std::isfinite(v)) return false;
      sum += v;
    }
    if (!(sum > 0.0f) || !std::isfinite(s.dash->offset)) return false;
  }
  return true;
}

void apply_stroke_settings(cairo_t* cr, const Stroke& s) {
  cairo_set_line_width(cr, s.width);
  cairo_set_miter_limit(cr, s.miter_limit);
  cairo_set_line_cap(cr, s.line_cap == LineCap::Butt    ? CAIRO_LINE_CAP_BUTT
                         : s.line_cap == LineCap::Round ? CAIRO_LINE_CAP_ROUND
                                                        : CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, s.line_join == LineJoin::Miter   ? CAIRO_LINE_JOIN_MITER
                          : s.line_join == LineJoin::Round ? CAIRO_LINE_JOIN_ROUND
                                                           : CAIRO_LINE_JOIN_BEVEL);
  if (s.dash) {
    std::vector<double> d(s.dash->intervals.begin(), s.dash->intervals.end());
    cairo_set_dash(cr, d.data(), static_cast<int>(d.size()), s.dash->offset);
  }
}

void lay_down_shape(cairo_t* cr, const ShapeDesc& shape, const Transform& transform) {
  cairo_matrix_t m = to_cairo(transform);
  cairo_set_matrix(cr, &m);
  cairo_set_antialias(cr, shape.anti_alias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, shape.rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_new_path(cr);
  if (shape.path) append_path(cr, *shape.path);
  if (shape.rect) cairo_rectangle(cr, shape.rect->x, shape.rect->y, shape.rect->w, shape.rect->h);
  if (shape.stroke) apply_stroke_settings(cr, *shape.stroke);
}

// Coverage of the shape in device pixels, multiplied by the mask and by `opacity`.
std::optional<Mask> masked_coverage(const ShapeDesc& shape, const Transform& transform, const Mask& mask,
                                    double opacity) {
  Mask coverage = Mask::make(mask.width(), mask.height());
  {
    SurfacePtr surface = wrap_mask(coverage);
    if (!surface) return std::nullopt;
    ContextPtr cr(cairo_create(surface.get()));
    lay_down_shape(cr.get(), shape, transform);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    if (shape.stroke) {
      cairo_stroke(cr.get());
    } else {
      cairo_fill(cr.get());
    }
    cairo_surface_flush(surface.get());
  }
  const auto scale = static_cast<uint32_t>(std::lround(opacity * 255.0));
  auto cov = coverage.data();
  auto m = mask.data();
  for (size_t i = 0; i < cov.size(); ++i) {
    uint32_t v = uint32_t{cov[i]} * m[i];
    if (scale < 255) v = (v + 127) / 255 * scale;
    cov[i] = static_cast<uint8_t>((v + 127) / 255);
  }
  return coverage;
}

void draw_shape(Pixmap& target, const ShapeDesc& shape, const Shader& shader, BlendMode blend,
                const Transform& transform, const Mask* mask, double extra_opacity = 1.0) {
  if (!transform.is_invertible()) return;
  if (shape.stroke && !stroke_is_drawable(*shape.stroke)) return;
  if (mask && (mask->width() != target.width() || mask->height() != target.height())) return;
  // A pixmap cannot be read as a pattern while it is being drawn into.
  if (const auto* pat = std::get_if<PixmapPattern>(&shader); pat && pat->pixmap == &target) return;

  std::optional<Source> source = make_source(shader);
  if (!source) return;
  const double opacity = source->opacity * extra_opacity;
  if (opacity <= 0.0 && blend != BlendMode::Clear) return;

  SurfacePtr surface = wrap_pixmap(target);
  if (!surface) return;

  std::optional<Mask> coverage;
  SurfacePtr coverage_surface;
  if (mask) {
    coverage = masked_coverage(shape, transform, *mask, opacity);
    if (!coverage) return;
    coverage_surface = wrap_mask(*coverage);
    if (!coverage_surface) return;
  }

  {
    ContextPtr cr(cairo_create(surface.get()));
    cairo_set_operator(cr.get(), to_cairo(blend));
    if (coverage_surface) {
      // The source is tied to the call's transform when it is set; the coverage is in device pixels.
      cairo_matrix_t m = to_cairo(transform);
      cairo_set_matrix(cr.get(), &m);
      cairo_set_source(cr.get(), source->pattern.get());
      cairo_identity_matrix(cr.get());
      cairo_mask_surface(cr.get(), coverage_surface.get(), 0, 0);
    } else {
      lay_down_shape(cr.get(), shape, transform);
      cairo_set_source(cr.get(), source->pattern.get());
      if (opacity < 1.0) {
        if (shape.stroke) {
          cairo_push_group(cr.get());
          cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
          cairo_stroke(cr.get());
          cairo_pop_group_to_source(cr.get());
          cairo_set_operator(cr.get(), to_cairo(blend));
          cairo_paint_with_alpha(cr.get(), opacity);
        } else {
          cairo_clip(cr.get());
          cairo_paint_with_alpha(cr.get(), opacity);
        }
      } else if (shape.stroke) {
        cairo_stroke(cr.get());
      } else {
        cairo_fill(cr.get());
      }
    }
  }
  cairo_surface_flush(surface.get());
}

}  // namespace

void fill_path(Pixmap& target, const Path& path, const Paint& paint, FillRule rule, const Transform& transform,
               const Mask* mask) {
  ShapeDesc shape;
  shape.path = &path;
  shape.rule = rule;
  shape.anti_alias = paint.anti_alias;
  draw_shape(target, shape, paint.shader, paint.blend_mode, transform, mask);
}

void stroke_path(Pixmap& target, const Path& path, const Paint& paint, const Stroke& stroke,
                 const Transform& transform, const Mask* mask) {
  ShapeDesc shape;
  shape.path = &path;
  shape.stroke = &stroke;
  shape.anti_alias = paint.anti_alias;
  draw_shape(target, shape, paint.shader, paint.blend_mode, transform, mask);
}

void fill_rect(Pixmap& target, const RectF& rect, const Paint& paint, const Transform& transform,
               const Mask* mask) {
  if (!(rect.w > 0.0f) || !(rect.h > 0.0f)) return;
  ShapeDesc shape;
  shape.rect = rect;
  shape.anti_alias = paint.anti_alias;
  draw_shape(target, shape, paint.shader, paint.blend_mode, transform, mask);
}

void draw_pixmap(Pixmap& target, int x, int y, const Pixmap& source, const PixmapPaint& paint,
                 const Transform& transform, const Mask* mask) {
  // The pattern lives in the coordinates of the rectangle, which the draw transform then maps.
  const Transform placed = Transform::from_translate(static_cast<float>(x), static_cast<float>(y));
  PixmapPattern pattern{&source, paint.quality, 1.0f, placed};
  ShapeDesc shape;
  shape.rect = RectF{static_cast<float>(x), static_cast<float>(y), static_cast<float>(source.width()),
                     static_cast<float>(source.height())};
  draw_shape(target, shape, pattern, paint.blend_mode, transform, mask, unit(paint.opacity));
}

void fill_mask_path(Mask& mask, const Path& path, FillRule rule, bool anti_alias, const Transform& transform) {
  if (!transform.is_invertible()) return;
  SurfacePtr surface = wrap_mask(mask);
  if (!surface) return;
  {
    ContextPtr cr(cairo_create(surface.get()));
    ShapeDesc shape;
    shape.path = &path;
    shape.rule = rule;
    shape.anti_alias = anti_alias;
    lay_down_shape(cr.get(), shape, transform);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    cairo_fill(cr.get());
  }
  cairo_surface_flush(surface.get());
}

}  // namespace qo

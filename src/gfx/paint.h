#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "gfx/color.h"
#include "gfx/geometry.h"

namespace qo {

class Pixmap;

// Gradients extend their end colours beyond the first and last stop.
// Stops are sorted by position, each in 0..1; the first sits at 0 and the last at 1.
struct LinearGradient {
  Point start;
  Point end;
  std::vector<ColorStop> stops;
  Transform transform;
};

// A radial gradient whose circles share one centre; position 0 at the centre, 1 at `radius`.
struct RadialGradient {
  Point center;
  float radius = 0.0f;
  std::vector<ColorStop> stops;
  Transform transform;
};

enum class FilterQuality { Nearest, Bilinear, Bicubic };

// A pixmap used as a source, its edge pixels extended beyond its bounds. The pixmap must outlive every drawing
// call that uses the pattern.
struct PixmapPattern {
  const Pixmap* pixmap = nullptr;
  FilterQuality quality = FilterQuality::Nearest;
  float opacity = 1.0f;
  Transform transform;
};

// Solid colour (straight), or one of the sources above. Shader coordinates are those of the path being drawn.
using Shader = std::variant<Color, LinearGradient, RadialGradient, PixmapPattern>;

enum class BlendMode { SourceOver, Source, Clear };

struct Paint {
  Shader shader = COLOR_BLACK;
  bool anti_alias = true;
  BlendMode blend_mode = BlendMode::SourceOver;
};

inline Paint solid_paint(const Color& color) { return Paint{color, true, BlendMode::SourceOver}; }
inline Paint shader_paint(Shader shader) { return Paint{std::move(shader), true, BlendMode::SourceOver}; }

enum class FillRule { Winding, EvenOdd };

enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };

// Dash lengths alternate on, off, on, off...; `offset` shifts the pattern's start along the path.
struct StrokeDash {
  std::vector<float> intervals;
  float offset = 0.0f;
};

struct Stroke {
  float width = 1.0f;
  float miter_limit = 4.0f;
  LineCap line_cap = LineCap::Butt;
  LineJoin line_join = LineJoin::Miter;
  std::optional<StrokeDash> dash;
};

// How a whole pixmap is composited onto another.
struct PixmapPaint {
  float opacity = 1.0f;
  BlendMode blend_mode = BlendMode::SourceOver;
  FilterQuality quality = FilterQuality::Nearest;
};

}  // namespace qo

#pragma once

#include "gfx/geometry.h"
#include "gfx/paint.h"
#include "gfx/path.h"
#include "gfx/pixmap.h"

namespace qo {

// Path filling, stroking and pixmap compositing into premultiplied pixmaps. Coordinates are mapped through
// `transform` to device pixels (shaders included). A mask, when given, must have the target's size (a mask of
// another size draws nothing) and multiplies the coverage of every pixel. A transform that is not finite or not
// invertible draws nothing, and so does a pixmap pattern or source that is the target itself.

void fill_path(Pixmap& target, const Path& path, const Paint& paint, FillRule rule, const Transform& transform,
               const Mask* mask = nullptr);

void stroke_path(Pixmap& target, const Path& path, const Paint& paint, const Stroke& stroke,
                 const Transform& transform, const Mask* mask = nullptr);

// Fills the rectangle; nothing for a non-positive size.
void fill_rect(Pixmap& target, const RectF& rect, const Paint& paint, const Transform& transform,
               const Mask* mask = nullptr);

// Draws `source` with its top-left corner at (x, y) before `transform` is applied; the pixels beyond its edges
// are not drawn.
void draw_pixmap(Pixmap& target, int x, int y, const Pixmap& source, const PixmapPaint& paint,
                 const Transform& transform, const Mask* mask = nullptr);

// Sets the mask's coverage inside the path (255 inside, anti-aliased edge when asked), leaving the rest as it
// was: a fresh mask becomes the anti-aliased silhouette of the path.
void fill_mask_path(Mask& mask, const Path& path, FillRule rule, bool anti_alias, const Transform& transform);

}  // namespace qo

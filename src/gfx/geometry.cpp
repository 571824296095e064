#include "gfx/geometry.h"

#include <cmath>
#include <initializer_list>

namespace qo {

Transform Transform::pre_concat(const Transform& o) const {
  return {sx * o.sx + kx * o.ky,        ky * o.sx + sy * o.ky,        sx * o.kx + kx * o.sy,
          ky * o.kx + sy * o.sy,        sx * o.tx + kx * o.ty + tx,   ky * o.tx + sy * o.ty + ty};
}

Transform Transform::post_concat(const Transform& other) const { return other.pre_concat(*this); }

bool Transform::is_identity() const { return *this == Transform{}; }

bool Transform::is_invertible() const {
  for (float v : {sx, ky, kx, sy, tx, ty}) {
    if (!std::isfinite(v)) return false;
  }
  const double det = double{sx} * sy - double{kx} * ky;
  return std::isfinite(det) && det != 0.0;
}

}  // namespace qo

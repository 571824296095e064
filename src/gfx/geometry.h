#pragma once

namespace qo {

struct Point {
  float x = 0.0f;
  float y = 0.0f;

  bool operator==(const Point&) const = default;
};

// A rectangle given by its top-left corner and size.
struct RectF {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
};

// An affine transform: x' = sx * x + kx * y + tx, y' = ky * x + sy * y + ty.
struct Transform {
  float sx = 1.0f;
  float ky = 0.0f;
  float kx = 0.0f;
  float sy = 1.0f;
  float tx = 0.0f;
  float ty = 0.0f;

  static Transform identity() { return {}; }
  static Transform from_row(float sx, float ky, float kx, float sy, float tx, float ty) {
    return {sx, ky, kx, sy, tx, ty};
  }
  static Transform from_translate(float tx, float ty) { return {1.0f, 0.0f, 0.0f, 1.0f, tx, ty}; }
  static Transform from_scale(float sx, float sy) { return {sx, 0.0f, 0.0f, sy, 0.0f, 0.0f}; }

  // this * other: `other` is applied first, then this.
  Transform pre_concat(const Transform& other) const;
  // other * this: this is applied first, then `other`.
  Transform post_concat(const Transform& other) const;
  Transform pre_translate(float x, float y) const { return pre_concat(from_translate(x, y)); }
  Transform pre_scale(float x, float y) const { return pre_concat(from_scale(x, y)); }
  Transform post_translate(float x, float y) const { return post_concat(from_translate(x, y)); }
  Transform post_scale(float x, float y) const { return post_concat(from_scale(x, y)); }

  Point map_point(Point p) const { return {sx * p.x + kx * p.y + tx, ky * p.x + sy * p.y + ty}; }
  bool is_identity() const;
  // Finite and with a non-zero determinant: only such transforms draw anything.
  bool is_invertible() const;

  bool operator==(const Transform&) const = default;
};

}  // namespace qo

#include "ui/easing.h"

#include <cmath>

namespace qo {
namespace {

// The cubic's value for one coordinate whose end points are 0 and 1.
float bezier_coordinate(float c1, float c2, float t) {
  const float u = 1.0f - t;
  return 3.0f * u * u * t * c1 + 3.0f * u * t * t * c2 + t * t * t;
}

}  // namespace

float bezier_x(const CubicBezierCurve& curve, float t) { return bezier_coordinate(curve.x1, curve.x2, t); }

float bezier_y(const CubicBezierCurve& curve, float t) { return bezier_coordinate(curve.y1, curve.y2, t); }

float solve_bezier_parameter(const CubicBezierCurve& curve, float p) {
  float t = p;
  float lo = 0.0f;
  float hi = 1.0f;
  for (int i = 0; i < 30; ++i) {
    const float x = bezier_x(curve, t);
    if (std::fabs(x - p) < 1e-5f) break;
    if (x < p) {
      lo = t;
    } else {
      hi = t;
    }
    t = (lo + hi) * 0.5f;
  }
  return t;
}

float ease(const CubicBezierCurve& curve, float p) {
  if (std::isnan(p) || p <= 0.0f) return 0.0f;
  if (p >= 1.0f) return 1.0f;
  return bezier_y(curve, solve_bezier_parameter(curve, p));
}

}  // namespace qo

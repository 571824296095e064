#include "icons/svg_arc.h"

#include <algorithm>
#include <cmath>

namespace qo {
namespace {

constexpr float DEG_TO_RAD = 0.017453292f;
constexpr float FULL_TURN = 6.2831855f;
constexpr float QUARTER_TURN = 1.5707964f;

// The arc as an ellipse: its centre, radii, rotation and the angles it runs over.
struct CenterArc {
  Point center;
  float rx;
  float ry;
  float cos_phi;
  float sin_phi;
  float start_angle;
  float sweep_angle;
};

// Point of the (rotated) ellipse for a point (ux, uy) of the unit circle.
Point ellipse_point(const CenterArc& a, float ux, float uy) {
  const float x = a.rx * ux;
  const float y = a.ry * uy;
  return {a.center.x + a.cos_phi * x - a.sin_phi * y, a.center.y + a.sin_phi * x + a.cos_phi * y};
}

// Signed angle from u to v.
float angle_between(float ux, float uy, float vx, float vy) {
  const float length = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
  const float cosine = std::clamp((ux * vx + uy * vy) / length, -1.0f, 1.0f);
  const float angle = std::acos(cosine);
  return (ux * vy - uy * vx) < 0.0f ? -angle : angle;
}

// Endpoint form to centre form. The radii must be positive and the end points distinct.
CenterArc to_center_arc(Point from, const SvgArc& arc, Point to) {
  CenterArc a{};
  a.rx = std::fabs(arc.rx);
  a.ry = std::fabs(arc.ry);
  const float phi = arc.x_axis_rotation_deg * DEG_TO_RAD;
  a.cos_phi = std::cos(phi);
  a.sin_phi = std::sin(phi);

  const float dx = (from.x - to.x) / 2.0f;
  const float dy = (from.y - to.y) / 2.0f;
  const float x1 = a.cos_phi * dx + a.sin_phi * dy;
  const float y1 = -a.sin_phi * dx + a.cos_phi * dy;

  // Radii too small to reach from one end to the other grow until they just do.
  const float lambda = (x1 * x1) / (a.rx * a.rx) + (y1 * y1) / (a.ry * a.ry);
  if (lambda > 1.0f) {
    const float grow = std::sqrt(lambda);
    a.rx *= grow;
    a.ry *= grow;
  }

  const float rx2 = a.rx * a.rx;
  const float ry2 = a.ry * a.ry;
  const float num = rx2 * ry2 - rx2 * y1 * y1 - ry2 * x1 * x1;
  const float den = rx2 * y1 * y1 + ry2 * x1 * x1;
  float coef = den > 0.0f ? std::sqrt(std::max(num, 0.0f) / den) : 0.0f;
  if (arc.large_arc == arc.sweep) coef = -coef;
  const float cx1 = coef * (a.rx * y1 / a.ry);
  const float cy1 = coef * (-a.ry * x1 / a.rx);
  a.center = {a.cos_phi * cx1 - a.sin_phi * cy1 + (from.x + to.x) / 2.0f,
              a.sin_phi * cx1 + a.cos_phi * cy1 + (from.y + to.y) / 2.0f};

  const float ux = (x1 - cx1) / a.rx;
  const float uy = (y1 - cy1) / a.ry;
  const float vx = (-x1 - cx1) / a.rx;
  const float vy = (-y1 - cy1) / a.ry;
  a.start_angle = std::atan2(uy, ux);
  float sweep = angle_between(ux, uy, vx, vy);
  if (arc.sweep && sweep < 0.0f) sweep += FULL_TURN;
  if (!arc.sweep && sweep > 0.0f) sweep -= FULL_TURN;
  a.sweep_angle = sweep;
  return a;
}

}  // namespace

void append_svg_arc(PathBuilder& builder, Point from, const SvgArc& arc, Point to) {
  if (from == to) return;
  if (arc.rx == 0.0f || arc.ry == 0.0f) {
    builder.line_to(to.x, to.y);
    return;
  }
  const CenterArc a = to_center_arc(from, arc, to);
  if (!std::isfinite(a.sweep_angle) || !std::isfinite(a.start_angle) || !std::isfinite(a.center.x) ||
      !std::isfinite(a.center.y)) {
    // Infinite radii: no ellipse to follow.
    builder.line_to(to.x, to.y);
    return;
  }

  // At most a quarter turn per cubic keeps the approximation close.
  const int pieces = std::max(static_cast<int>(std::ceil(std::fabs(a.sweep_angle) / QUARTER_TURN)), 1);
  const float delta = a.sweep_angle / static_cast<float>(pieces);
  const float t = 4.0f / 3.0f * std::tan(delta / 4.0f);
  float angle = a.start_angle;
  for (int i = 0; i < pieces; ++i) {
    const float next = angle + delta;
    const float c0 = std::cos(angle), s0 = std::sin(angle);
    const float c1 = std::cos(next), s1 = std::sin(next);
    const Point control1 = ellipse_point(a, c0 - t * s0, s0 + t * c0);
    const Point control2 = ellipse_point(a, c1 + t * s1, s1 - t * c1);
    const Point end = i + 1 == pieces ? to : ellipse_point(a, c1, s1);
    builder.cubic_to(control1.x, control1.y, control2.x, control2.y, end.x, end.y);
    angle = next;
  }
}

}  // namespace qo

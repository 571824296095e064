#include "gfx/gradient.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qo {

namespace {

float stop_position(float p) { return std::isnan(p) ? 0.0f : std::clamp(p, 0.0f, 1.0f); }

// Stops starting at 0 and ending at 1, positions non-decreasing.
std::vector<ColorStop> normalized_stops(std::span<const ColorStop> given) {
  std::vector<ColorStop> stops;
  stops.reserve(given.size() + 2);
  for (const ColorStop& s : given) stops.push_back({stop_position(s.position), s.color});
  const bool dummy_first = stops.front().position != 0.0f;
  const bool dummy_last = stops.back().position != 1.0f;
  if (dummy_first) stops.insert(stops.begin(), ColorStop{0.0f, stops.front().color});
  if (dummy_last) stops.push_back(ColorStop{1.0f, stops.back().color});
  float prev = 0.0f;
  for (size_t i = dummy_first ? 0 : 1; i < stops.size(); ++i) {
    const float cur = i + 1 == stops.size() ? 1.0f : std::clamp(stops[i].position, prev, 1.0f);
    stops[i].position = cur;
    prev = cur;
  }
  return stops;
}

}  // namespace

std::optional<Shader> make_linear_gradient(Point start, Point end, std::span<const ColorStop> stops,
                                           const Transform& transform) {
  if (stops.empty()) return std::nullopt;
  if (stops.size() == 1) return Shader{stops.front().color};
  if (!transform.is_invertible()) return std::nullopt;
  const float length = std::hypot(end.x - start.x, end.y - start.y);
  if (!std::isfinite(length)) return std::nullopt;
  if (length <= GRADIENT_MIN_LENGTH) return Shader{stops.back().color};
  return Shader{LinearGradient{start, end, normalized_stops(stops), transform}};
}

std::optional<Shader> make_radial_gradient(Point center, float radius, std::span<const ColorStop> stops,
                                           const Transform& transform) {
  if (!(radius > GRADIENT_MIN_LENGTH) || !std::isfinite(radius)) return std::nullopt;
  if (!std::isfinite(center.x) || !std::isfinite(center.y)) return std::nullopt;
  if (stops.empty()) return std::nullopt;
  if (stops.size() == 1) return Shader{stops.front().color};
  if (!transform.is_invertible()) return std::nullopt;
  return Shader{RadialGradient{center, radius, normalized_stops(stops), transform}};
}

Shader build_linear_gradient(std::span<const ColorStop> stops, float x, float y, float w, float h,
                             float angle_deg) {
  const float theta = angle_deg * 0.017453292f;
  const float s = std::sin(theta);
  const float c = std::cos(theta);
  const float length = std::fabs(w * s) + std::fabs(h * c);
  const float cx = x + w / 2.0f;
  const float cy = y + h / 2.0f;
  const Point start{cx - s * length / 2.0f, cy + c * length / 2.0f};
  const Point end{cx + s * length / 2.0f, cy - c * length / 2.0f};

  // make_linear_gradient clamps and orders the stop positions itself.
  if (auto shader = make_linear_gradient(start, end, stops)) return std::move(*shader);
  return Shader{stops.empty() ? COLOR_TRANSPARENT : stops.front().color};
}

}  // namespace qo

#pragma once
// Timing curves of the window's animations, all cubic Béziers from (0, 0) to (1, 1) solved by one routine.

namespace qo {

// The two inner control points of a timing curve.
struct CubicBezierCurve {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
};

inline constexpr CubicBezierCurve CSS_EASE{0.25f, 0.1f, 0.25f, 1.0f};
inline constexpr CubicBezierCurve EASE_IN_OUT{0.42f, 0.0f, 0.58f, 1.0f};
inline constexpr CubicBezierCurve EASE_OUT{0.0f, 0.0f, 0.58f, 1.0f};
inline constexpr CubicBezierCurve OVERSHOOT{0.2f, 0.9f, 0.3f, 1.1f};

// The curve parameter t whose x(t) is p: bisection on [0, 1] from t = p, at most 30 halvings, stopping once
// x(t) lies within 1e-5 of p. Only for 0 < p < 1.
float solve_bezier_parameter(const CubicBezierCurve& curve, float p);
float bezier_x(const CubicBezierCurve& curve, float t);
float bezier_y(const CubicBezierCurve& curve, float t);

// y at x = p; p at or below 0 gives 0, at or above 1 gives 1 (NaN gives 0).
float ease(const CubicBezierCurve& curve, float p);

inline float css_ease(float p) { return ease(CSS_EASE, p); }
inline float ease_in_out(float p) { return ease(EASE_IN_OUT, p); }
inline float ease_out(float p) { return ease(EASE_OUT, p); }
inline float overshoot_ease(float p) { return ease(OVERSHOOT, p); }

}  // namespace qo

#include "ui/tween.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/easing.h"

namespace qo {
namespace {

TEST(Easing, CssEaseSolvesTheCurveWithinTolerance) {
  // x(t) is found within 1e-5 of p, and y at that t is the curve's known value.
  const struct {
    float p;
    float y;
  } cases[] = {{0.1f, 0.0948f}, {0.25f, 0.4085f}, {0.5f, 0.8024f}, {0.75f, 0.9605f}, {0.9f, 0.9943f}};
  for (const auto& c : cases) {
    const float t = solve_bezier_parameter(CSS_EASE, c.p);
    EXPECT_LT(std::fabs(bezier_x(CSS_EASE, t) - c.p), 1e-5f) << c.p;
    EXPECT_NEAR(css_ease(c.p), c.y, 1e-3f) << c.p;
  }
}

TEST(Easing, EndsAndOutOfRangeInputsClamp) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const CubicBezierCurve& curve : {CSS_EASE, EASE_IN_OUT, EASE_OUT, OVERSHOOT}) {
    EXPECT_EQ(ease(curve, 0.0f), 0.0f);
    EXPECT_EQ(ease(curve, -0.5f), 0.0f);
    EXPECT_EQ(ease(curve, 1.0f), 1.0f);
    EXPECT_EQ(ease(curve, 7.0f), 1.0f);
    EXPECT_EQ(ease(curve, nan), 0.0f);
  }
}

TEST(Easing, CurvesHaveTheirShapes) {
  EXPECT_NEAR(ease_in_out(0.5f), 0.5f, 1e-4f);  // symmetric
  EXPECT_LT(ease_in_out(0.2f), 0.2f);           // slow start
  EXPECT_GT(ease_out(0.2f), 0.2f);              // fast start
  float highest = 0.0f;
  for (int i = 1; i < 100; ++i) highest = std::max(highest, overshoot_ease(i / 100.0f));
  EXPECT_GT(highest, 1.0f);  // passes its target before settling
  float previous = 0.0f;
  for (int i = 1; i < 100; ++i) {  // css ease never goes back
    const float v = css_ease(i / 100.0f);
    EXPECT_GE(v, previous);
    previous = v;
  }
}

TEST(Tween, ShownValueFollowsTheRun) {
  const Tween t{0.0f, 100.0f, 10.0, 0.3f};
  EXPECT_EQ(tween_value(t, 9.0), 0.0f);     // before the start
  EXPECT_EQ(tween_value(t, 10.0), 0.0f);
  EXPECT_NEAR(tween_value(t, 10.15), 80.24f, 0.1f);
  EXPECT_EQ(tween_value(t, 10.3), 100.0f);
  EXPECT_EQ(tween_value(t, 99.0), 100.0f);
  EXPECT_TRUE(tween_animating(t, 10.29));
  EXPECT_FALSE(tween_animating(t, 10.31));
  EXPECT_EQ(tween_value(Tween{3.0f, 5.0f, 0.0, 0.0f}, 0.0), 5.0f);  // no duration: at the target at once
}

TEST(Tween, RetargetToTheCurrentTargetKeepsTheRun) {
  Tween t{0.0f, 100.0f, 10.0, 0.3f};
  tween_retarget(t, 100.0f + 5e-7f, 10.1);
  EXPECT_EQ(t.start, 10.0);
  EXPECT_EQ(t.value, 0.0f);
  EXPECT_EQ(t.target, 100.0f);
}

TEST(Tween, RetargetMidRunStartsFromTheShownValue) {
  Tween t{0.0f, 100.0f, 10.0, 0.3f};
  const float shown = tween_value(t, 10.15);
  tween_retarget(t, 20.0f, 10.15);
  EXPECT_EQ(t.value, shown);
  EXPECT_EQ(t.target, 20.0f);
  EXPECT_EQ(t.start, 10.15);
  EXPECT_EQ(t.duration, 0.3f);
  EXPECT_EQ(tween_value(t, 10.15), shown);  // no jump at the switch
  EXPECT_EQ(tween_value(t, 10.45), 20.0f);
}

TEST(Tween, RunsStaySmoothAfterAWeekOpen) {
  // A week in seconds: f32 would step by 62.5 ms there; the f64 clock keeps 1-ms steps apart.
  const double week = 7.0 * 24 * 3600;
  const Tween t{0.0f, 1.0f, week, 0.2f};
  const float a = tween_value(t, week + 0.050);
  const float b = tween_value(t, week + 0.051);
  EXPECT_GT(b, a);
  EXPECT_NEAR(a, css_ease(0.25f), 1e-3f);
}

}  // namespace
}  // namespace qo

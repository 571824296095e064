#include "gfx/gradient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/rasterizer.h"

namespace qo {
namespace {

const Color RED{1, 0, 0, 1};
const Color BLUE{0, 0, 1, 1};

LinearGradient as_linear(const Shader& s) {
  const auto* g = std::get_if<LinearGradient>(&s);
  EXPECT_NE(g, nullptr);
  return g ? *g : LinearGradient{};
}

void expect_point_near(Point actual, Point expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-3);
  EXPECT_NEAR(actual.y, expected.y, 1e-3);
}

TEST(BuildLinearGradient, EndPointsFollowTheAngle) {
  const std::vector<ColorStop> stops{{0, RED}, {1, BLUE}};
  const auto right = as_linear(build_linear_gradient(stops, 0, 0, 1100, 660, 90));
  expect_point_near(right.start, {0, 330});
  expect_point_near(right.end, {1100, 330});

  const auto down = as_linear(build_linear_gradient(stops, 0, 0, 1100, 660, 180));
  expect_point_near(down.start, {550, 0});
  expect_point_near(down.end, {550, 660});

  const auto up = as_linear(build_linear_gradient(stops, 0, 0, 1100, 660, 0));
  expect_point_near(up.start, {550, 660});
  expect_point_near(up.end, {550, 0});

  const auto diagonal = as_linear(build_linear_gradient(stops, 10, 10, 100, 100, 135));
  expect_point_near(diagonal.start, {10, 10});
  expect_point_near(diagonal.end, {110, 110});
}

TEST(BuildLinearGradient, StopsAreClampedAndPaddedToTheEnds) {
  const std::vector<ColorStop> stops{{0.3f, RED}, {1.7f, BLUE}, {std::nanf(""), RED}};
  const auto g = as_linear(build_linear_gradient(stops, 0, 0, 10, 10, 90));
  // Clamped to 0.3, 1, 0; copies of the first and last stop added at 0 and 1; made non-decreasing.
  ASSERT_EQ(g.stops.size(), 5u);
  EXPECT_EQ(g.stops[0], (ColorStop{0.0f, RED}));
  EXPECT_EQ(g.stops[1], (ColorStop{0.3f, RED}));
  EXPECT_EQ(g.stops[2], (ColorStop{1.0f, BLUE}));
  EXPECT_EQ(g.stops[3], (ColorStop{1.0f, RED}));
  EXPECT_EQ(g.stops[4], (ColorStop{1.0f, RED}));
}

TEST(BuildLinearGradient, DegenerateCasesGiveSolidColours) {
  const std::vector<ColorStop> one{{0.5f, RED}};
  EXPECT_EQ(std::get<Color>(build_linear_gradient(one, 0, 0, 10, 10, 90)), RED);

  const std::vector<ColorStop> two{{0, RED}, {1, BLUE}};
  EXPECT_EQ(std::get<Color>(build_linear_gradient(two, 5, 5, 0, 0, 45)), BLUE);  // no length: last colour

  EXPECT_EQ(std::get<Color>(build_linear_gradient({}, 0, 0, 10, 10, 90)), COLOR_TRANSPARENT);
  // A box that cannot be measured gives the first stop's colour.
  EXPECT_EQ(std::get<Color>(build_linear_gradient(two, 0, 0, std::nanf(""), 10, 90)), RED);
}

TEST(BuildLinearGradient, FirstStopAtThirtyPercentPadsTheStart) {
  const std::vector<ColorStop> stops{{0.3f, RED}, {1, BLUE}};
  Pixmap pm = Pixmap::make(100, 1);
  fill_rect(pm, {0, 0, 100, 1}, shader_paint(build_linear_gradient(stops, 0, 0, 100, 1, 90)),
            Transform::identity());
  for (uint32_t x = 0; x < 29; ++x) EXPECT_EQ(pm.pixel(x, 0), 0xFFFF0000u) << x;
  // Pixel 64 samples at 0.645: (0.645 - 0.3) / 0.7 of the way from red to blue.
  EXPECT_NEAR(static_cast<int>(pixel_blue(pm.pixel(64, 0))), 126, 1);
  EXPECT_GE(pixel_blue(pm.pixel(99, 0)), 252u);
}

TEST(BuildLinearGradient, FollowsTheCanvasScale) {
  const std::vector<ColorStop> stops{{0, RED}, {1, BLUE}};
  Pixmap pm = Pixmap::make(20, 2);
  fill_rect(pm, {0, 0, 10, 1}, shader_paint(build_linear_gradient(stops, 0, 0, 10, 1, 90)),
            Transform::from_scale(2, 2));
  EXPECT_NEAR(static_cast<int>(pixel_blue(pm.pixel(0, 0))), 6, 1);    // 0.5 / 20 of the way
  EXPECT_NEAR(static_cast<int>(pixel_blue(pm.pixel(10, 1))), 134, 1);  // 10.5 / 20
  EXPECT_NEAR(static_cast<int>(pixel_blue(pm.pixel(19, 1))), 249, 1);  // 19.5 / 20
}

TEST(RadialGradient, CentreTakesTheFirstStopAndTheRimTheLast) {
  const std::vector<ColorStop> stops{{0, RED}, {1, Color{1, 0, 0, 0}}};
  const auto shader = make_radial_gradient({10, 10}, 8, stops);
  ASSERT_TRUE(shader);
  Pixmap pm = Pixmap::make(20, 20);
  fill_rect(pm, {0, 0, 20, 20}, shader_paint(*shader), Transform::identity());
  EXPECT_NEAR(static_cast<int>(pixel_alpha(pm.pixel(10, 10))), 232, 2);  // sampled 0.7 px off centre
  EXPECT_EQ(pm.pixel(0, 0), 0u);
  EXPECT_FALSE(make_radial_gradient({0, 0}, 0, stops));
}

}  // namespace
}  // namespace qo

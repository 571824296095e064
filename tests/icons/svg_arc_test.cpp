#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "icons/svg_arc.h"
#include "path_probe.h"

namespace qo {
namespace {

using test::parse_path;
using V = PathVerb;

Point cubic_at(Point p0, Point p1, Point p2, Point p3, float t) {
  const float u = 1 - t;
  const float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

// Points along every cubic of a path made of one move and cubics.
std::vector<Point> sample_cubics(const test::ParsedPath& p) {
  std::vector<Point> samples;
  for (size_t i = 1; i + 2 < p.points.size(); i += 3) {
    for (float t : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
      samples.push_back(cubic_at(p.points[i - 1], p.points[i], p.points[i + 1], p.points[i + 2], t));
    }
  }
  return samples;
}

void expect_on_circle(const test::ParsedPath& p, Point center, float r) {
  ASSERT_GT(p.points.size(), 1u);
  for (const Point& s : sample_cubics(p)) {
    EXPECT_NEAR(std::hypot(s.x - center.x, s.y - center.y), r, 0.005f * r) << s.x << "," << s.y;
  }
}

TEST(SvgArc, SweepFlagPicksTheSideOfTheChord) {
  // From (0, 0) to (10, 0) with radius 5: a half circle above (sweep set: clockwise on screen) or below.
  const auto above = parse_path("M0 0A5 5 0 0 1 10 0");
  EXPECT_EQ(above.verbs.front(), V::Move);
  for (size_t i = 1; i < above.verbs.size(); ++i) EXPECT_EQ(above.verbs[i], V::Cubic);
  EXPECT_EQ(above.points.back(), (Point{10, 0}));
  expect_on_circle(above, {5, 0}, 5);
  EXPECT_NEAR(above.path->bounds().y, -5.0f, 1e-3f);

  const auto below = parse_path("M0 0A5 5 0 0 0 10 0");
  expect_on_circle(below, {5, 0}, 5);
  EXPECT_NEAR(below.path->bounds().y + below.path->bounds().h, 5.0f, 1e-3f);
}

TEST(SvgArc, LargeArcFlagTakesTheLongWayRound) {
  // Radius 10 over a chord of 10: the two centres lie at (5, +-8.66).
  const auto small = parse_path("M0 0A10 10 0 0 1 10 0");
  const auto large = parse_path("M0 0A10 10 0 1 1 10 0");
  expect_on_circle(small, {5, 8.660254f}, 10);
  expect_on_circle(large, {5, -8.660254f}, 10);
  // The long way round passes the circle's leftmost, rightmost and top points; the short way stays between
  // the end points.
  float left = 0, right = 0, top = 0;
  for (const Point& s : sample_cubics(large)) {
    left = std::min(left, s.x);
    right = std::max(right, s.x);
    top = std::min(top, s.y);
  }
  EXPECT_LT(left, -4.8f);
  EXPECT_GT(right, 14.8f);
  EXPECT_LT(top, -18.5f);
  for (const Point& s : sample_cubics(small)) {
    EXPECT_GE(s.x, -1e-4f);
    EXPECT_LE(s.x, 10 + 1e-4f);
  }
  EXPECT_EQ(large.points.back(), (Point{10, 0}));
}

TEST(SvgArc, RadiiTooSmallGrowUntilTheyJustReach) {
  const auto tiny = parse_path("M0 0A1 1 0 0 1 10 0");
  const auto exact = parse_path("M0 0A5 5 0 0 1 10 0");
  expect_on_circle(tiny, {5, 0}, 5);
  ASSERT_EQ(tiny.points.size(), exact.points.size());
  for (size_t i = 0; i < tiny.points.size(); ++i) {
    EXPECT_NEAR(tiny.points[i].x, exact.points[i].x, 1e-4f);
    EXPECT_NEAR(tiny.points[i].y, exact.points[i].y, 1e-4f);
  }
  // Elliptic radii keep their ratio while they grow: 1 x 2 becomes 5 x 10 across a horizontal chord of 10.
  const auto ellipse = parse_path("M0 0A1 2 0 0 1 10 0");
  EXPECT_NEAR(ellipse.path->bounds().y, -10.0f, 1e-3f);
}

TEST(SvgArc, FlagsNeedNoSeparators) {
  // Large-arc 0, sweep 1, then x = 10 and y = 0: the same half circle as with separators.
  const auto packed = parse_path("M0 0a5 5 0 0110 0");
  const auto spaced = parse_path("M0 0a5 5 0 0 1 10 0");
  EXPECT_EQ(packed.points, spaced.points);
  EXPECT_EQ(packed.points.back(), (Point{10, 0}));
  // Any character other than '1' clears a flag.
  EXPECT_EQ(parse_path("M0 0a5 5 0 x010 0").points, parse_path("M0 0a5 5 0 0 0 10 0").points);
}

TEST(SvgArc, ZeroRadiusIsAStraightLine) {
  const auto p = parse_path("M0 0A0 5 0 0 1 10 0");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line}));
  EXPECT_EQ(p.points.back(), (Point{10, 0}));
  EXPECT_EQ(parse_path("M0 0a5 0 0 0 1 10 0").verbs, (std::vector<V>{V::Move, V::Line}));
}

TEST(SvgArc, NegativeRadiiCountAsPositive) {
  EXPECT_EQ(parse_path("M0 0A-5-5 0 0 1 10 0").points, parse_path("M0 0A5 5 0 0 1 10 0").points);
}

TEST(SvgArc, RotationTurnsTheEllipseAxes) {
  // A 4 x 2 ellipse turned by 90 degrees: its long axis runs down the chord from (0, 0) to (0, 8), so the
  // half ellipse bulges 2 units to the right (sweep set) around the centre (0, 4).
  const auto p = parse_path("M0 0A4 2 90 0 1 0 8");
  EXPECT_EQ(p.points.back(), (Point{0, 8}));
  for (const Point& s : sample_cubics(p)) {
    const float along = (s.y - 4) / 4, across = s.x / 2;
    EXPECT_NEAR(along * along + across * across, 1.0f, 0.01f) << s.x << "," << s.y;
    EXPECT_GE(s.x, -1e-4f);
  }
  EXPECT_NEAR(p.path->bounds().w, 2.0f, 1e-3f);
}

TEST(SvgArc, AnArcThatEndsWhereItStartsDrawsNothing) {
  const auto p = parse_path("M3 3A2 2 0 0 1 3 3L4 4");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line}));
  ASSERT_TRUE(p.path);  // no NaN point spoils the rest of the path
}

TEST(SvgArc, InfiniteRadiiFallBackToALine) {
  PathBuilder builder;
  builder.move_to(0, 0);
  append_svg_arc(builder, {0, 0}, SvgArc{INFINITY, INFINITY, 0, false, true}, {4, 0});
  const auto path = builder.finish();
  ASSERT_TRUE(path);
  EXPECT_EQ(path->points().back(), (Point{4, 0}));
}

TEST(SvgArc, RelativeArcsAddTheCurrentPoint) {
  const auto p = parse_path("M10 10a5 5 0 0 1 10 0");
  EXPECT_EQ(p.points.back(), (Point{20, 10}));
  expect_on_circle(p, {15, 10}, 5);
}

}  // namespace
}  // namespace qo

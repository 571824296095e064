#include "gfx/path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gfx/shapes.h"

namespace qo {
namespace {

std::vector<PathVerb> verbs_of(const Path& p) { return {p.verbs().begin(), p.verbs().end()}; }
std::vector<Point> points_of(const Path& p) { return {p.points().begin(), p.points().end()}; }

using V = PathVerb;

TEST(PathBuilder, MoveAfterMoveReplacesIt) {
  PathBuilder pb;
  pb.move_to(0, 0);
  pb.move_to(5, 5);
  pb.line_to(6, 6);
  const auto path = pb.finish();
  ASSERT_TRUE(path);
  EXPECT_EQ(verbs_of(*path), (std::vector{V::Move, V::Line}));
  EXPECT_EQ(points_of(*path), (std::vector<Point>{{5, 5}, {6, 6}}));
}

TEST(PathBuilder, DrawingAfterCloseStartsAtTheLastMove) {
  PathBuilder pb;
  pb.move_to(1, 2);
  pb.line_to(3, 4);
  pb.close();
  pb.close();  // a second close is dropped
  pb.line_to(7, 8);
  const auto path = pb.finish();
  ASSERT_TRUE(path);
  EXPECT_EQ(verbs_of(*path), (std::vector{V::Move, V::Line, V::Close, V::Move, V::Line}));
  EXPECT_EQ(points_of(*path), (std::vector<Point>{{1, 2}, {3, 4}, {1, 2}, {7, 8}}));
}

TEST(PathBuilder, LoneMovesAndNonFinitePointsGiveNoPath) {
  PathBuilder pb;
  EXPECT_FALSE(pb.finish());
  pb.move_to(1, 1);
  EXPECT_FALSE(pb.finish());
  pb.move_to(0, 0);
  pb.line_to(std::numeric_limits<float>::infinity(), 0);
  EXPECT_FALSE(pb.finish());
  pb.close();
  EXPECT_FALSE(pb.finish());
}

TEST(PathBuilder, LineOnAnEmptyBuilderStartsAtTheOrigin) {
  PathBuilder pb;
  pb.line_to(3, 3);
  const auto path = pb.finish();
  ASSERT_TRUE(path);
  EXPECT_EQ(points_of(*path), (std::vector<Point>{{0, 0}, {3, 3}}));
}

TEST(RoundedRectPath, FollowsTheCornersClockwise) {
  const auto path = rounded_rect_path(10, 20, 100, 50, 8);
  ASSERT_TRUE(path);
  EXPECT_EQ(verbs_of(*path), (std::vector{V::Move, V::Line, V::Cubic, V::Line, V::Cubic, V::Line, V::Cubic,
                                          V::Line, V::Cubic, V::Close}));
  const float k = CIRCLE_KAPPA * 8;
  const auto pts = points_of(*path);
  ASSERT_EQ(pts.size(), 17u);
  EXPECT_EQ(pts[0], (Point{18, 20}));
  EXPECT_EQ(pts[1], (Point{102, 20}));
  EXPECT_EQ(pts[2], (Point{102 + k, 20}));
  EXPECT_EQ(pts[3], (Point{110, 28 - k}));
  EXPECT_EQ(pts[4], (Point{110, 28}));
  EXPECT_EQ(pts[5], (Point{110, 62}));
  EXPECT_EQ(pts[8], (Point{102, 70}));
  EXPECT_EQ(pts[9], (Point{18, 70}));
  EXPECT_EQ(pts[12], (Point{10, 62}));
  EXPECT_EQ(pts[13], (Point{10, 28}));
  EXPECT_EQ(pts[16], (Point{18, 20}));
}

TEST(RoundedRectPath, RadiusIsLimitedToAPill) {
  const auto path = rounded_rect_path(0, 0, 100, 20, 50);
  ASSERT_TRUE(path);
  const auto pts = points_of(*path);
  EXPECT_EQ(pts[0], (Point{10, 0}));
  EXPECT_EQ(pts[4], (Point{100, 10}));
  EXPECT_EQ(pts[5], (Point{100, 10}));  // the straight sides have length 0
}

TEST(RoundedRectPath, ZeroOrInvalidRadiusGivesASharpRectangle) {
  for (float r : {0.0f, -3.0f, std::nanf("")}) {
    const auto path = rounded_rect_path(1, 2, 3, 4, r);
    ASSERT_TRUE(path);
    EXPECT_EQ(verbs_of(*path), (std::vector{V::Move, V::Line, V::Line, V::Line, V::Close}));
    EXPECT_EQ(points_of(*path), (std::vector<Point>{{1, 2}, {4, 2}, {4, 6}, {1, 6}}));
  }
}

TEST(RoundedRectPath, EmptySizesGiveNoPath) {
  EXPECT_FALSE(rounded_rect_path(0, 0, 0, 10, 2));
  EXPECT_FALSE(rounded_rect_path(0, 0, 10, -1, 2));
  EXPECT_FALSE(rounded_rect_path(0, 0, std::nanf(""), 10, 2));
}

TEST(CirclePath, FourQuarterArcsFromTheRightmostPoint) {
  const auto path = circle_path(12, 12, 9);
  ASSERT_TRUE(path);
  EXPECT_EQ(verbs_of(*path), (std::vector{V::Move, V::Cubic, V::Cubic, V::Cubic, V::Cubic, V::Close}));
  const float k = CIRCLE_KAPPA * 9;
  const auto pts = points_of(*path);
  EXPECT_EQ(pts[0], (Point{21, 12}));
  EXPECT_EQ(pts[1], (Point{21, 12 + k}));
  EXPECT_EQ(pts[2], (Point{12 + k, 21}));
  EXPECT_EQ(pts[3], (Point{12, 21}));
  EXPECT_EQ(pts[6], (Point{3, 12}));
  EXPECT_EQ(pts[9], (Point{12, 3}));
  EXPECT_EQ(pts[12], (Point{21, 12}));
  EXPECT_FALSE(circle_path(0, 0, 0));
  EXPECT_FALSE(circle_path(0, 0, std::nanf("")));
}

TEST(Transform, ConcatenationOrder) {
  const Transform t = Transform::from_translate(10, 0).pre_scale(2, 3);  // scale first, then translate
  EXPECT_EQ(t.map_point({1, 1}), (Point{12, 3}));
  const Transform u = Transform::from_translate(10, 0).post_scale(2, 3);  // translate first, then scale
  EXPECT_EQ(u.map_point({1, 1}), (Point{22, 3}));
  EXPECT_FALSE(Transform::from_scale(0, 1).is_invertible());
  EXPECT_TRUE(Transform::identity().is_identity());
}

}  // namespace
}  // namespace qo

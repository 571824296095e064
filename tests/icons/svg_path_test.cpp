#include <gtest/gtest.h>

#include <vector>

#include "icons/svg_path.h"
#include "path_probe.h"

namespace qo {
namespace {

using test::parse_path;
using V = PathVerb;

TEST(SvgPathData, NumbersAfterAMoveDrawLines) {
  const auto abs = parse_path("M1 2 3 4");
  EXPECT_EQ(abs.verbs, (std::vector<V>{V::Move, V::Line}));
  EXPECT_EQ(abs.points, (std::vector<Point>{{1, 2}, {3, 4}}));

  const auto rel = parse_path("m1 2 3 4");
  EXPECT_EQ(rel.verbs, (std::vector<V>{V::Move, V::Line}));
  EXPECT_EQ(rel.points, (std::vector<Point>{{1, 2}, {4, 6}}));
}

TEST(SvgPathData, CommandsRepeatWithoutTheirLetter) {
  const auto p = parse_path("M0 0l1 0 0 1h2 3v-1-1");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line, V::Line, V::Line, V::Line, V::Line, V::Line}));
  EXPECT_EQ(p.points, (std::vector<Point>{{0, 0}, {1, 0}, {1, 1}, {3, 1}, {6, 1}, {6, 0}, {6, -1}}));
}

TEST(SvgPathData, AbsoluteAndRelativeCommandsTrackTheCurrentPoint) {
  const auto p = parse_path("M1 1H5V4h-2v1L0 0l2 2Q3 3 4 2q1 1 2 0C7 1 8 1 9 2c1 1 2 1 3 0");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line, V::Line, V::Line, V::Line, V::Line, V::Line, V::Quad,
                                     V::Quad, V::Cubic, V::Cubic}));
  EXPECT_EQ(p.points, (std::vector<Point>{{1, 1},
                                          {5, 1},
                                          {5, 4},
                                          {3, 4},
                                          {3, 5},
                                          {0, 0},
                                          {2, 2},
                                          {3, 3}, {4, 2},
                                          {5, 3}, {6, 2},
                                          {7, 1}, {8, 1}, {9, 2},
                                          {10, 3}, {11, 3}, {12, 2}}));
}

TEST(SvgPathData, CompactNumbersNeedNoSeparators) {
  const auto p = parse_path("M1-2-3.5.5L1e1,2E0");
  EXPECT_EQ(p.points, (std::vector<Point>{{1, -2}, {-3.5f, 0.5f}, {10, 2}}));
}

TEST(SvgPathData, AMoveRightAfterAMoveReplacesIt) {
  const auto p = parse_path("M0 0 M5 5 L6 6");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line}));
  EXPECT_EQ(p.points, (std::vector<Point>{{5, 5}, {6, 6}}));
}

TEST(SvgPathData, CloseReturnsToTheSubPathStart) {
  // After z the current point is the sub-path's start: the relative line starts there, with a fresh move.
  const auto p = parse_path("M10 10h5v5zl1 1");
  EXPECT_EQ(p.verbs, (std::vector<V>{V::Move, V::Line, V::Line, V::Close, V::Move, V::Line}));
  EXPECT_EQ(p.points, (std::vector<Point>{{10, 10}, {15, 10}, {15, 15}, {10, 10}, {11, 11}}));

  // A relative move after a close is relative to the start too; a repeated close is dropped.
  const auto m = parse_path("M2 2h1zzm1 1h1");
  EXPECT_EQ(m.verbs, (std::vector<V>{V::Move, V::Line, V::Close, V::Move, V::Line}));
  EXPECT_EQ(m.points, (std::vector<Point>{{2, 2}, {3, 2}, {3, 3}, {4, 3}}));

  EXPECT_FALSE(parse_path("z").path);  // a close on an empty path adds nothing
}

TEST(SvgPathData, StopsAtWhatItDoesNotUnderstandKeepingWhatCameBefore) {
  // A number right after a close.
  const auto after_close = parse_path("M0 0h10z 5 L9 9");
  EXPECT_EQ(after_close.verbs, (std::vector<V>{V::Move, V::Line, V::Close}));

  // Commands the reader does not draw.
  const auto smooth = parse_path("M0 0S1 1 2 2");
  EXPECT_EQ(smooth.verbs, (std::vector<V>{V::Move}));
  EXPECT_FALSE(smooth.path);
  EXPECT_EQ(parse_path("M0 0L1 1T2 2L3 3").verbs, (std::vector<V>{V::Move, V::Line}));

  // Other characters.
  EXPECT_EQ(parse_path("M0 0L5 5#L9 9").verbs, (std::vector<V>{V::Move, V::Line}));
  EXPECT_EQ(parse_path("M0 0L5 5 L").verbs.size(), 3u);  // a letter at the end reads its numbers as 0
  EXPECT_EQ(parse_path("M0 0L5 5 L").points.back(), (Point{0, 0}));
  EXPECT_FALSE(parse_path("").path);
  EXPECT_FALSE(parse_path("é M0 0L1 1").path);
}

TEST(SvgPathData, AppendsToWhatTheBuilderAlreadyHolds) {
  PathBuilder builder;
  builder.move_to(20, 20);
  builder.line_to(21, 20);
  parse_svg_path_data(builder, "l1 1");  // the reader's own current point starts at (0, 0)
  const auto path = builder.finish();
  ASSERT_TRUE(path);
  EXPECT_EQ(path->points().back(), (Point{1, 1}));
}

}  // namespace
}  // namespace qo

#include <gtest/gtest.h>

#include <string_view>

#include "icons/builtin_icons.h"

namespace qo {
namespace {

struct ExpectedIcon {
  std::string_view name;
  const Icon& icon;
  bool stroke;
  bool fill;
  RectF bounds;  // of the stroke, or of the fill when there is no stroke
};

void expect_bounds(const Path& path, const RectF& want, float tolerance) {
  const RectF got = path.bounds();
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.x + got.w, want.x + want.w, tolerance);
  EXPECT_NEAR(got.y + got.h, want.y + want.h, tolerance);
}

TEST(BuiltinIcons, EachParsesWholeIntoItsViewBox) {
  const BuiltinIcons icons = build_builtin_icons();
  // Bounds hold the control points: the trophy's handles, arcs of radius 3 that swing past their end points,
  // reach a little further out than the arcs themselves (3.83 and 20.17).
  const ExpectedIcon table[] = {
      {"globe", icons.icon_globe, true, false, {3, 3, 18, 18}},
      {"chat", icons.icon_chat, true, true, {4, 5, 16, 14}},
      {"trophy", icons.icon_trophy, true, false, {3.663f, 4, 16.674f, 16}},
      {"gem", icons.icon_gem, true, false, {3, 4, 18, 16}},
      {"sun large", icons.icon_sun_large, true, false, {2, 2, 20, 20}},
      {"sun small", icons.icon_sun_small, true, false, {2, 2, 20, 20}},
      {"arrow", icons.icon_arrow, true, false, {5, 6, 14, 12}},
      {"clock", icons.icon_clock, true, false, {3, 3, 18, 18}},
      {"play", icons.icon_play, false, true, {8, 5.5f, 11, 13}},
      {"close", icons.icon_close, true, false, {0, 0, 10, 10}},
      {"chevron", icons.icon_chevron, true, false, {6, 9, 12, 6}},
  };
  for (const ExpectedIcon& e : table) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.icon.stroke.has_value(), e.stroke);
    EXPECT_EQ(e.icon.fill.has_value(), e.fill);
    const auto& main = e.stroke ? e.icon.stroke : e.icon.fill;
    ASSERT_TRUE(main);
    EXPECT_GE(main->verbs().size(), 2u);
    expect_bounds(*main, e.bounds, 0.05f);
  }
}

// Counts sub-paths and checks that every part of the data was read (an early stop would drop later moves).
size_t move_count(const Path& path) {
  size_t n = 0;
  for (PathVerb v : path.verbs()) n += v == PathVerb::Move;
  return n;
}

TEST(BuiltinIcons, NoPathDataStopsEarly) {
  const BuiltinIcons icons = build_builtin_icons();
  EXPECT_EQ(move_count(*icons.icon_globe.stroke), 4u);    // circle + three sub-paths
  EXPECT_EQ(move_count(*icons.icon_chat.stroke), 4u);     // bubble + three dots
  EXPECT_EQ(move_count(*icons.icon_chat.fill), 3u);       // the dots alone
  EXPECT_EQ(move_count(*icons.icon_trophy.stroke), 6u);
  EXPECT_EQ(move_count(*icons.icon_gem.stroke), 4u);
  EXPECT_EQ(move_count(*icons.icon_sun_large.stroke), 9u);  // disc + eight rays
  EXPECT_EQ(move_count(*icons.icon_clock.stroke), 2u);
  EXPECT_EQ(move_count(*icons.icon_close.stroke), 2u);
  EXPECT_EQ(icons.icon_play.fill->verbs().back(), PathVerb::Close);
}

TEST(SunIcon, DiscOfTheGivenRadiusThenTheRays) {
  for (float radius : {3.5f, 3.2f, 6.0f}) {
    SCOPED_TRACE(radius);
    const Icon sun = build_sun_icon(radius);
    ASSERT_TRUE(sun.stroke);
    EXPECT_FALSE(sun.fill);
    // The disc comes first: four quarter arcs starting at its rightmost point.
    EXPECT_EQ(sun.stroke->points().front(), (Point{12 + radius, 12}));
    EXPECT_EQ(sun.stroke->verbs()[5], PathVerb::Close);
    EXPECT_EQ(sun.stroke->points().back(), (Point{19.1f, 4.9f}));
  }
  // A disc larger than the rays' inner ends still keeps every ray.
  EXPECT_EQ(move_count(*build_sun_icon(11).stroke), 9u);
}

}  // namespace
}  // namespace qo

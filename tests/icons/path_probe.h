#pragma once
// Helpers for looking at what the path-data reader appended.

#include <optional>
#include <string_view>
#include <vector>

#include "gfx/path.h"
#include "icons/svg_path.h"

namespace qo::test {

struct ParsedPath {
  std::vector<PathVerb> verbs;
  std::vector<Point> points;
  std::optional<Path> path;  // the finished path (none with fewer than two verbs)
};

inline ParsedPath parse_path(std::string_view data) {
  PathBuilder builder;
  parse_svg_path_data(builder, data);
  ParsedPath out;
  // A lone move does not finish into a path; report it from the builder.
  if (builder.verb_count() == 1) {
    out.verbs = {PathVerb::Move};
    out.points = {*builder.last_point()};
    return out;
  }
  out.path = builder.finish();
  if (out.path) {
    out.verbs.assign(out.path->verbs().begin(), out.path->verbs().end());
    out.points.assign(out.path->points().begin(), out.path->points().end());
  }
  return out;
}

}  // namespace qo::test

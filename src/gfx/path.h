#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gfx/geometry.h"

namespace qo {

enum class PathVerb : uint8_t { Move, Line, Quad, Cubic, Close };

// Number of points a verb consumes: Move 1, Line 1, Quad 2 (control, end), Cubic 3 (two controls, end), Close 0.
int path_verb_point_count(PathVerb verb);

// An immutable outline made of sub-paths. Built only by PathBuilder, so it always starts with a move, holds at
// least two verbs and has finite coordinates.
class Path {
 public:
  std::span<const PathVerb> verbs() const { return verbs_; }
  std::span<const Point> points() const { return points_; }
  // Smallest rectangle that holds every point (controls included).
  RectF bounds() const;
  // The same outline with every point mapped through `ts`; none when a mapped point is not finite.
  std::optional<Path> transformed(const Transform& ts) const;

  bool operator==(const Path&) const = default;

 private:
  friend class PathBuilder;
  std::vector<PathVerb> verbs_;
  std::vector<Point> points_;
};

// Collects verbs for a Path. A move right after a move replaces it; a line or curve after a close (or on an
// empty builder) starts at the last move point (or at (0, 0)); a close on an empty path or after a close is
// dropped.
class PathBuilder {
 public:
  void move_to(float x, float y);
  void line_to(float x, float y);
  void quad_to(float x1, float y1, float x, float y);
  void cubic_to(float x1, float y1, float x2, float y2, float x, float y);
  void close();

  // A closed rectangle (clockwise on screen); nothing for a non-positive size.
  void push_rect(float x, float y, float w, float h);
  // Appends every verb of `path`.
  void push_path(const Path& path);

  bool is_empty() const { return verbs_.empty(); }
  size_t verb_count() const { return verbs_.size(); }
  std::optional<PathVerb> last_verb() const;
  // The point the next segment would start from.
  std::optional<Point> last_point() const;

  // The finished path; none when it holds no segment or a coordinate is not finite. The builder is left empty.
  std::optional<Path> finish();

 private:
  void inject_move_if_needed();

  std::vector<PathVerb> verbs_;
  std::vector<Point> points_;
  size_t last_move_index_ = 0;
  bool move_required_ = true;
};

}  // namespace qo

#include "gfx/path.h"

#include <algorithm>
#include <cmath>

namespace qo {

int path_verb_point_count(PathVerb verb) {
  switch (verb) {
    case PathVerb::Move:
    case PathVerb::Line:
      return 1;
    case PathVerb::Quad:
      return 2;
    case PathVerb::Cubic:
      return 3;
    case PathVerb::Close:
      return 0;
  }
  return 0;
}

RectF Path::bounds() const {
  float left = points_.front().x, right = left, top = points_.front().y, bottom = top;
  for (const Point& p : points_) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  return {left, top, right - left, bottom - top};
}

std::optional<Path> Path::transformed(const Transform& ts) const {
  Path out = *this;
  for (Point& p : out.points_) {
    p = ts.map_point(p);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
  }
  return out;
}

void PathBuilder::move_to(float x, float y) {
  if (!verbs_.empty() && verbs_.back() == PathVerb::Move) {
    points_.back() = {x, y};
  } else {
    last_move_index_ = points_.size();
    verbs_.push_back(PathVerb::Move);
    points_.push_back({x, y});
  }
  move_required_ = false;
}

void PathBuilder::inject_move_if_needed() {
  if (!move_required_) return;
  const Point start = points_.empty() ? Point{} : points_[last_move_index_];
  move_to(start.x, start.y);
}

void PathBuilder::line_to(float x, float y) {
  inject_move_if_needed();
  verbs_.push_back(PathVerb::Line);
  points_.push_back({x, y});
}

void PathBuilder::quad_to(float x1, float y1, float x, float y) {
  inject_move_if_needed();
  verbs_.push_back(PathVerb::Quad);
  points_.push_back({x1, y1});
  points_.push_back({x, y});
}

void PathBuilder::cubic_to(float x1, float y1, float x2, float y2, float x, float y) {
  inject_move_if_needed();
  verbs_.push_back(PathVerb::Cubic);
  points_.push_back({x1, y1});
  points_.push_back({x2, y2});
  points_.push_back({x, y});
}

void PathBuilder::close() {
  if (!verbs_.empty() && verbs_.back() != PathVerb::Close) verbs_.push_back(PathVerb::Close);
  move_required_ = true;
}

void PathBuilder::push_rect(float x, float y, float w, float h) {
  if (!(w > 0.0f) || !(h > 0.0f)) return;
  move_to(x, y);
  line_to(x + w, y);
  line_to(x + w, y + h);
  line_to(x, y + h);
  close();
}

void PathBuilder::push_path(const Path& path) {
  size_t p = 0;
  for (PathVerb verb : path.verbs()) {
    const auto pts = path.points().subspan(p, static_cast<size_t>(path_verb_point_count(verb)));
    switch (verb) {
      case PathVerb::Move:
        move_to(pts[0].x, pts[0].y);
        break;
      case PathVerb::Line:
        line_to(pts[0].x, pts[0].y);
        break;
      case PathVerb::Quad:
        quad_to(pts[0].x, pts[0].y, pts[1].x, pts[1].y);
        break;
      case PathVerb::Cubic:
        cubic_to(pts[0].x, pts[0].y, pts[1].x, pts[1].y, pts[2].x, pts[2].y);
        break;
      case PathVerb::Close:
        close();
        break;
    }
    p += pts.size();
  }
}

std::optional<PathVerb> PathBuilder::last_verb() const {
  if (verbs_.empty()) return std::nullopt;
  return verbs_.back();
}

std::optional<Point> PathBuilder::last_point() const {
  if (points_.empty()) return std::nullopt;
  if (move_required_) return points_[last_move_index_];
  return points_.back();
}

std::optional<Path> PathBuilder::finish() {
  Path path;
  path.verbs_ = std::move(verbs_);
  path.points_ = std::move(points_);
  verbs_.clear();
  points_.clear();
  last_move_index_ = 0;
  move_required_ = true;

  if (path.verbs_.size() <= 1) return std::nullopt;
  for (const Point& p : path.points_) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
  }
  return path;
}

}  // namespace qo

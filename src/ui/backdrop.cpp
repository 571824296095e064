#include "ui/backdrop.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <cmath>
#include <utility>

#include "gfx/blur.h"
#include "gfx/canvas.h"
#include "gfx/image_blit.h"
#include "gfx/paint.h"
#include "gfx/path.h"
#include "gfx/pixel_spans.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "ui/easing.h"
#include "ui/layers.h"

namespace qo {
namespace {

// The ground under the hero picture, and how much of the picture shows through.
constexpr uint32_t BACKGROUND_GROUND = pack_argb(255, 6, 10, 9);
constexpr float HERO_OPACITY = 0.55f;
constexpr float ZOOM_HALF_PERIOD_SECS = 18.0f;
// The point the zoom keeps in place: the one that splits the window as the cover fit splits the picture's
// overflow (half left, 30 % above). Zooming about it, the picture covers the window at every zoom from 1 up;
// about the window's centre, a picture of the window's shape would leave a strip at the top below zoom 1.03.
constexpr float ZOOM_CENTRE_X = WINDOW_WIDTH * HERO_OVERFLOW_LEFT;
constexpr float ZOOM_CENTRE_Y = WINDOW_HEIGHT * HERO_OVERFLOW_ABOVE;

// Panels are blurred at a quarter of their size.
constexpr int32_t REDUCTION = 4;

int32_t ceil_div(int32_t value, int32_t divisor) { return (value + divisor - 1) / divisor; }

// Channel sums of up to 16 pixels in the packed pair form: blue and red in the 16-bit halves of `low`, green and
// alpha in those of `high` (16 x 255 fits in 16 bits).
struct BlockSums {
  uint32_t low = 0;
  uint32_t high = 0;

  void add(uint32_t p) {
    low += p & PAIR_MASK;
    high += (p >> 8) & PAIR_MASK;
  }
  uint32_t rounded_mean(uint32_t n) const {
    const auto mean = [n](uint32_t sum) { return (sum + n / 2) / n; };
    return pack_argb(mean(high >> 16), mean(low >> 16), mean(high & 0xFFFF), mean(low & 0xFFFF));
  }
};

// The panel's rounded rectangle in the pixels of its cut.
struct CutOutline {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
  float radius = 0.0f;
};

CutOutline cut_outline(const PanelCut& cut, float scale, const PanelBackdrop& panel) {
  return CutOutline{panel.x * scale - static_cast<float>(cut.left), panel.y * scale - static_cast<float>(cut.top),
                    panel.w * scale, panel.h * scale, panel.radius * scale};
}

// Everything outside the panel's rounded rectangle cleared, with an anti-aliased edge; false when the rectangle
// has no finite outline. The image holds rows band_top onwards of a whole image whole_width x whole_height, in
// whose pixels the rectangle is given: the rasteriser covers pixels alike under whole-pixel moves, so a band cut so
// holds the rows the whole image cut at once holds.
bool cut_to_rounded_rect(Pixmap& image, uint32_t whole_width, uint32_t whole_height, uint32_t band_top,
                         const CutOutline& outline) {
  const auto rounded = rounded_rect_path(outline.x, outline.y, outline.w, outline.h, outline.radius);
  if (!rounded) return false;
  PathBuilder builder;
  builder.push_rect(-1.0f, -1.0f, static_cast<float>(whole_width) + 2.0f, static_cast<float>(whole_height) + 2.0f);
  builder.push_path(*rounded);
  const auto outside = builder.finish();
  if (!outside) return false;
  const Transform to_band =
      band_top == 0 ? Transform::identity() : Transform::from_translate(0.0f, -static_cast<float>(band_top));
  fill_path(image, *outside, Paint{COLOR_BLACK, true, BlendMode::Clear}, FillRule::EvenOdd, to_band);
  return true;
}

// The quarter-size image of the frame behind the cut, blurred.
Pixmap blurred_small_image(const Pixmap& frame, const PanelCut& cut) {
  Pixmap small = reduce_quarter(frame, cut.left, cut.top, cut.right, cut.bottom);
  gaussian_blur(small, cut.sigma);
  return small;
}

// Rows of a kept panel are worked through this many at a time: two such bands are all it holds at full size.
constexpr uint32_t KEPT_PANEL_BAND_ROWS = 32;

// Source-over of a sample whose alpha is at least this is the sample itself (the destination is weighted by at most
// 1/256 and truncated), so such samples may be written rather than blended.
constexpr uint32_t OPAQUE_ENOUGH_ALPHA = 254;

bool every_alpha_at_least(const Pixmap& image, uint32_t alpha) {
  return std::ranges::all_of(image.pixels(), [alpha](uint32_t p) { return pixel_alpha(p) >= alpha; });
}

// What the background is drawn from: the hero layer where the zoom places it, and the overlay.
struct BackgroundSources {
  const Pixmap& hero;
  const Pixmap& overlay;
  HeroPlacement at;
};

// The hero's draw over the target's columns x0..x1-1, every row.
std::unique_ptr<ScaledImageRows> hero_columns(const Pixmap& target, const BackgroundSources& sources, int32_t x0,
                                              int32_t x1) {
  const ClipRect columns{x0, 0, x1, static_cast<int32_t>(std::min<uint32_t>(target.height(), INT32_MAX))};
  return std::make_unique<ScaledImageRows>(sources.hero, target.width(), target.height(), sources.at.x,
                                           sources.at.y, sources.at.factor, sources.at.factor, HERO_OPACITY, true,
                                           columns);
}

// The background inside `area` (within the target), a row at a time: the ground, the hero's row (`hero` draws the
// area's columns) and the overlay's row laid while the row is still in cache. Each pixel is what a draw of the
// whole frame gives it.
void draw_background_within(Pixmap& target, const BackgroundSources& sources, ScaledImageRows& hero,
                            const ClipRect& area) {
  if (area.x0 >= area.x1 || area.y0 >= area.y1) return;
  const Pixmap& overlay = sources.overlay;
  const auto x0 = static_cast<uint32_t>(area.x0);
  const auto width = static_cast<size_t>(area.x1 - area.x0);
  const uint32_t overlay_end = std::min<uint32_t>(overlay.width(), static_cast<uint32_t>(area.x1));
  const size_t overlay_width = overlay_end > x0 ? overlay_end - x0 : 0;
  for (auto y = static_cast<uint32_t>(area.y0); y < static_cast<uint32_t>(area.y1); ++y) {
    uint32_t* row = target.row(y);
    // With the target and the hero's rows streaming too, the overlay's next row is asked for ahead.
    if (y + 1 < overlay.height() && overlay_width > 0) prefetch_words(overlay.row(y + 1) + x0, overlay_width);
    fill_span(row + x0, BACKGROUND_GROUND, width);
    hero.draw_row(static_cast<int32_t>(y), row);
    if (y < overlay.height() && overlay_width > 0) blend_span_over(row + x0, overlay.row(y) + x0, overlay_width);
  }
}

}  // namespace

std::vector<ClipRect> rects_around(const ClipRect& whole, std::span<const ClipRect> holes) {
  std::vector<int32_t> edges{whole.y0, whole.y1};
  for (const ClipRect& hole : holes) {
    edges.push_back(std::clamp(hole.y0, whole.y0, whole.y1));
    edges.push_back(std::clamp(hole.y1, whole.y0, whole.y1));
  }
  std::ranges::sort(edges);
  const auto [unique_end, end] = std::ranges::unique(edges);
  edges.erase(unique_end, end);
  std::vector<ClipRect> areas;
  for (size_t band = 0; band + 1 < edges.size(); ++band) {
    const int32_t top = edges[band];
    const int32_t bottom = edges[band + 1];
    std::vector<std::pair<int32_t, int32_t>> covered;
    for (const ClipRect& hole : holes) {
      if (hole.y0 <= top && hole.y1 >= bottom && hole.x0 < hole.x1) covered.emplace_back(hole.x0, hole.x1);
    }
    std::ranges::sort(covered);
    int32_t x = whole.x0;
    for (const auto& [from, to] : covered) {
      if (from > x) areas.push_back(ClipRect{x, top, std::min(from, whole.x1), bottom});
      x = std::max(x, to);
      if (x >= whole.x1) break;
    }
    if (x < whole.x1) areas.push_back(ClipRect{x, top, whole.x1, bottom});
  }
  return areas;
}

namespace {

bool floats_differ(float a, float b) { return !(a == b); }

// Numbers for drawings of the glass, unique in the process (so across workers too); 0 names none.
uint64_t next_glass_number() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

float background_zoom(double t) {
  const double p = t / ZOOM_HALF_PERIOD_SECS;
  double f = p - std::trunc(p);
  if (std::fmod(std::floor(p), 2.0) != 0.0) f = 1.0 - f;
  const float eased = ease_in_out(static_cast<float>(std::clamp(f, 0.0, 1.0)));
  return 1.02f + 0.06f * eased;
}

HeroPlacement hero_placement(float hero_x, float hero_y, float scale, float zoom) {
  const float factor = zoom / HERO_ZOOM_RESERVE;
  return HeroPlacement{((hero_x - ZOOM_CENTRE_X) * factor + ZOOM_CENTRE_X) * scale,
                       ((hero_y - ZOOM_CENTRE_Y) * factor + ZOOM_CENTRE_Y) * scale, factor};
}

float background_shift_px(float scale, float zoom_a, float zoom_b) {
  // A picture point shown at window point p at zoom a shows at c + (p - c) * b / a at zoom b.
  const float reach_x = std::max(ZOOM_CENTRE_X, WINDOW_WIDTH - ZOOM_CENTRE_X);
  const float reach_y = std::max(ZOOM_CENTRE_Y, WINDOW_HEIGHT - ZOOM_CENTRE_Y);
  return std::hypot(reach_x, reach_y) * std::fabs(zoom_b / zoom_a - 1.0f) * scale;
}

bool backdrop_request_due(const std::optional<BackdropAsked>& last, double t, std::span<const PanelBackdrop> panels,
                          float scale) {
  if (!last) return true;
  if (!(std::fabs(t - last->t) < BACKDROP_REFRESH_SECS)) return true;
  if (panel_lists_differ(panels, last->panels)) return true;
  return !(background_shift_px(scale, background_zoom(last->t), background_zoom(t)) < BACKGROUND_SHIFT_LIMIT_PX);
}

// The ground, the hero layer and the overlay are laid one row at a time while the row is in cache, so the canvas
// (11.6 MB at scale 2) goes through memory once rather than once a layer. The pixels are those of filling the
// frame, drawing the hero with draw_image_scaled and blending the overlay with blend_pixmap_opacity. The ground is
// laid under the hero everywhere: at 55 % no hero pixel is opaque (alpha 140 at most), so each keeps at least
// 115/256 of it.
void draw_animated_background(Pixmap& target, const Pixmap& hero_layer, float scale, float hero_x, float hero_y,
                              const Pixmap& overlay, double t, std::span<const ClipRect> left_alone) {
  const HeroPlacement at = hero_placement(hero_x, hero_y, scale, background_zoom(t));
  const BackgroundSources sources{hero_layer, overlay, at};
  const ClipRect whole = full_clip(target);
  if (left_alone.empty()) {
    draw_background_within(target, sources, *hero_columns(target, sources, whole.x0, whole.x1), whole);
    return;
  }
  // Bands around the glass repeat the same runs of columns: each run's column table is made once.
  std::map<std::pair<int32_t, int32_t>, std::unique_ptr<ScaledImageRows>> heroes;
  for (const ClipRect& area : rects_around(whole, left_alone)) {
    std::unique_ptr<ScaledImageRows>& hero = heroes[{area.x0, area.x1}];
    if (!hero) hero = hero_columns(target, sources, area.x0, area.x1);
    draw_background_within(target, sources, *hero, area);
  }
}

std::optional<PanelCut> panel_cut(uint32_t frame_width, uint32_t frame_height, float scale,
                                  const PanelBackdrop& panel) {
  PanelCut cut;
  cut.left = std::max(saturating_i32(std::floor(panel.x * scale)), 0);
  cut.top = std::max(saturating_i32(std::floor(panel.y * scale)), 0);
  cut.right = static_cast<int32_t>(
      std::min<int64_t>(saturating_i32(std::ceil((panel.x + panel.w) * scale)), int64_t{frame_width}));
  cut.bottom = static_cast<int32_t>(
      std::min<int64_t>(saturating_i32(std::ceil((panel.y + panel.h) * scale)), int64_t{frame_height}));
  if (cut.right <= cut.left || cut.bottom <= cut.top) return std::nullopt;
  cut.small_width = static_cast<uint32_t>(ceil_div(cut.right - cut.left, REDUCTION));
  cut.small_height = static_cast<uint32_t>(ceil_div(cut.bottom - cut.top, REDUCTION));
  cut.sigma = panel.blur * scale / static_cast<float>(REDUCTION);
  return cut;
}

Pixmap reduce_quarter(const Pixmap& frame, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const auto small_width = static_cast<uint32_t>(std::max(ceil_div(right - left, REDUCTION), 1));
  const auto small_height = static_cast<uint32_t>(std::max(ceil_div(bottom - top, REDUCTION), 1));
  Pixmap small = Pixmap::make(small_width, small_height);
  if (right <= left || bottom <= top) return small;
  const int32_t whole_blocks = (right - left) / REDUCTION;
  std::vector<BlockSums> sums(small_width);
  for (uint32_t j = 0; j < small_height; ++j) {
    const int32_t row_begin = top + static_cast<int32_t>(j) * REDUCTION;
    const int32_t row_end = std::min(row_begin + REDUCTION, bottom);
    std::fill(sums.begin(), sums.end(), BlockSums{});
    for (int32_t y = row_begin; y < row_end; ++y) {
      const uint32_t* row = frame.row(static_cast<uint32_t>(y)) + left;
      for (int32_t i = 0; i < whole_blocks; ++i) {
        BlockSums& block = sums[static_cast<size_t>(i)];
        for (int32_t c = 0; c < REDUCTION; ++c) block.add(row[i * REDUCTION + c]);
      }
      if (static_cast<uint32_t>(whole_blocks) < small_width) {  // a last, narrower block
        BlockSums& last = sums[static_cast<size_t>(whole_blocks)];
        for (int32_t x = whole_blocks * REDUCTION; x < right - left; ++x) last.add(row[x]);
      }
    }
    const auto rows = static_cast<uint32_t>(row_end - row_begin);
    uint32_t* out = small.row(j);
    for (uint32_t i = 0; i < small_width; ++i) {
      const int32_t col_begin = left + static_cast<int32_t>(i) * REDUCTION;
      const auto cols = static_cast<uint32_t>(std::min(col_begin + REDUCTION, right) - col_begin);
      out[i] = sums[i].rounded_mean(cols * rows);
    }
  }
  return small;
}

std::optional<PanelImage> draw_panel(const Pixmap& frame, float scale, const PanelBackdrop& panel) {
  const auto cut = panel_cut(frame.width(), frame.height(), scale, panel);
  if (!cut) return std::nullopt;
  const Pixmap small = blurred_small_image(frame, *cut);
  const auto width = static_cast<uint32_t>(cut->right - cut->left);
  const auto height = static_cast<uint32_t>(cut->bottom - cut->top);
  Pixmap image = Pixmap::make(width, height);
  const ClipRect whole{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  const auto factor = static_cast<float>(REDUCTION);
  draw_image_scaled(small, image, 0.0f, 0.0f, factor, factor, 1.0f, false, whole);
  if (!cut_to_rounded_rect(image, width, height, 0, cut_outline(*cut, scale, panel))) {
    return std::nullopt;
  }
  return PanelImage{cut->left, cut->top, std::move(image)};
}

std::vector<PanelImage> draw_panels(const Pixmap& frame, float scale, std::span<const PanelBackdrop> panels) {
  std::vector<PanelImage> images;
  images.reserve(panels.size());
  for (const PanelBackdrop& panel : panels) {
    if (auto image = draw_panel(frame, scale, panel)) images.push_back(std::move(*image));
  }
  return images;
}

std::optional<ClipRect> opaque_interior(const KeptPanel& panel) {
  if (!panel.opaque_enough || panel.width == 0 || panel.height == 0) return std::nullopt;
  // The edge runs of each row of the cut (they come in row order): every other pixel is written, not blended.
  std::vector<size_t> row_runs(size_t{panel.height} + 1, panel.edge_runs.size());
  for (size_t i = panel.edge_runs.size(); i-- > 0;) row_runs[panel.edge_runs[i].row] = i;
  for (size_t row = panel.height; row-- > 0;) row_runs[row] = std::min(row_runs[row], row_runs[row + 1]);
  const auto runs_of = [&](uint32_t row) {
    return std::span<const KeptPanel::Run>(panel.edge_runs).subspan(row_runs[row], row_runs[row + 1] - row_runs[row]);
  };
  const uint32_t middle_row = panel.height / 2;
  uint32_t left = 0;
  uint32_t right = panel.width;
  const uint32_t middle_column = panel.width / 2;
  for (const KeptPanel::Run& run : runs_of(middle_row)) {
    if (run.first + run.count <= middle_column) left = std::max(left, run.first + run.count);
    else if (run.first > middle_column) right = std::min(right, run.first);
    else return std::nullopt;  // the centre itself is an edge pixel
  }
  const auto clear = [&](uint32_t row) {
    return std::ranges::none_of(runs_of(row), [&](const KeptPanel::Run& run) {
      return run.first < right && run.first + run.count > left;
    });
  };
  uint32_t top = middle_row;
  uint32_t bottom = middle_row + 1;
  while (top > 0 && clear(top - 1)) --top;
  while (bottom < panel.height && clear(bottom)) ++bottom;
  return ClipRect{panel.x + static_cast<int32_t>(left), panel.y + static_cast<int32_t>(top),
                  panel.x + static_cast<int32_t>(right), panel.y + static_cast<int32_t>(bottom)};
}

std::vector<ClipRect> opaque_interiors(std::span<const KeptPanel> panels) {
  std::vector<ClipRect> interiors;
  for (const KeptPanel& panel : panels) {
    if (const auto interior = opaque_interior(panel)) interiors.push_back(*interior);
  }
  return interiors;
}

void composite_panels(Pixmap& frame, std::span<const PanelImage> images) {
  for (const PanelImage& panel : images) blend_pixmap_opacity(frame, panel.image, 1.0f, panel.x, panel.y);
}

std::optional<KeptPanel> keep_panel(const Pixmap& frame, float scale, const PanelBackdrop& panel) {
  const auto cut = panel_cut(frame.width(), frame.height(), scale, panel);
  if (!cut) return std::nullopt;
  KeptPanel kept;
  kept.x = cut->left;
  kept.y = cut->top;
  kept.width = static_cast<uint32_t>(cut->right - cut->left);
  kept.height = static_cast<uint32_t>(cut->bottom - cut->top);
  kept.small = blurred_small_image(frame, *cut);
  kept.opaque_enough = every_alpha_at_least(kept.small, OPAQUE_ENOUGH_ALPHA);
  // The glass band by band: enlarged, then cut; the pixels the cut changed are kept as they are.
  const CutOutline outline = cut_outline(*cut, scale, panel);
  const auto factor = static_cast<float>(REDUCTION);
  for (uint32_t top = 0; top < kept.height; top += KEPT_PANEL_BAND_ROWS) {
    const uint32_t rows = std::min(KEPT_PANEL_BAND_ROWS, kept.height - top);
    Pixmap enlarged = Pixmap::make(kept.width, rows);
    draw_image_scaled(kept.small, enlarged, 0.0f, -static_cast<float>(top), factor, factor, 1.0f, false,
                      full_clip(enlarged));
    Pixmap glass = enlarged;
    if (!cut_to_rounded_rect(glass, kept.width, kept.height, top, outline)) {
      return std::nullopt;
    }
    for (uint32_t j = 0; j < rows; ++j) {
      const uint32_t* sample = enlarged.row(j);
      const uint32_t* cut_pixel = glass.row(j);
      for (uint32_t i = 0; i < kept.width;) {
        if (sample[i] == cut_pixel[i]) {
          ++i;
          continue;
        }
        const uint32_t first = i;
        while (i < kept.width && sample[i] != cut_pixel[i]) ++i;
        kept.edge_runs.push_back(KeptPanel::Run{top + j, first, i - first});
        kept.edge_pixels.insert(kept.edge_pixels.end(), cut_pixel + first, cut_pixel + i);
      }
    }
  }
  kept.edge_runs.shrink_to_fit();
  kept.edge_pixels.shrink_to_fit();
  return kept;
}

std::vector<KeptPanel> keep_panels(const Pixmap& frame, float scale, std::span<const PanelBackdrop> panels) {
  std::vector<KeptPanel> kept;
  kept.reserve(panels.size());
  for (const PanelBackdrop& panel : panels) {
    if (auto one = keep_panel(frame, scale, panel)) kept.push_back(std::move(*one));
  }
  return kept;
}

namespace {

// The part of an edge run of a kept panel that lies inside `inside` (the frame's part of the cut): its frame row and
// columns [begin, end); empty when none of it does.
struct RunInFrame {
  int64_t row = 0;
  int64_t begin = 0;
  int64_t end = 0;
  bool empty() const { return begin >= end; }
};

RunInFrame run_in_frame(const KeptPanel& panel, const KeptPanel::Run& run, const ClipRect& inside) {
  const int64_t row = int64_t{panel.y} + run.row;
  if (row < inside.y0 || row >= inside.y1) return RunInFrame{};
  return RunInFrame{row, std::max<int64_t>(int64_t{panel.x} + run.first, inside.x0),
                    std::min<int64_t>(int64_t{panel.x} + run.first + run.count, inside.x1)};
}

}  // namespace

void composite_kept_panels(Pixmap& frame, std::span<const KeptPanel> panels, std::span<const ClipRect> left_alone) {
  std::vector<uint32_t> edges;
  for (const KeptPanel& panel : panels) {
    // The edge pixels are composited first, into a copy, while the frame still holds the background under them;
    // the enlarged glass then covers the cut, and the edge pixels go back over it.
    const ClipRect inside{std::max(panel.x, 0), std::max(panel.y, 0),
                          static_cast<int32_t>(std::min<int64_t>(int64_t{panel.x} + panel.width, frame.width())),
                          static_cast<int32_t>(std::min<int64_t>(int64_t{panel.y} + panel.height, frame.height()))};
    if (inside.x0 >= inside.x1 || inside.y0 >= inside.y1) continue;
    edges.clear();
    size_t next = 0;
    for (const KeptPanel::Run& run : panel.edge_runs) {
      const RunInFrame part = run_in_frame(panel, run, inside);
      if (!part.empty()) {
        const uint32_t* under = frame.row(static_cast<uint32_t>(part.row)) + part.begin;
        const size_t at = edges.size();
        edges.insert(edges.end(), under, under + (part.end - part.begin));
        blend_span_over(edges.data() + at, panel.edge_pixels.data() + next + (part.begin - panel.x - run.first),
                        static_cast<size_t>(part.end - part.begin));
      }
      next += run.count;
    }
    const auto factor = static_cast<float>(REDUCTION);
    for (const ClipRect& area : rects_around(inside, left_alone)) {
      draw_image_scaled(panel.small, frame, static_cast<float>(panel.x), static_cast<float>(panel.y), factor, factor,
                        1.0f, !panel.opaque_enough, area);
    }
    const uint32_t* composed = edges.data();
    for (const KeptPanel::Run& run : panel.edge_runs) {
      const RunInFrame part = run_in_frame(panel, run, inside);
      if (part.empty()) continue;
      std::copy_n(composed, part.end - part.begin, frame.row(static_cast<uint32_t>(part.row)) + part.begin);
      composed += part.end - part.begin;
    }
  }
}

std::vector<PanelBackdrop> main_panel_backdrops(const MainLayout& layout) {
  return {
      PanelBackdrop{0.0f, 0.0f, 1100.0f, 58.0f, 0.0f, 20.0f},
      PanelBackdrop{678.0f, 70.0f, 404.0f, layout.news_panel_height, 16.0f, 12.0f},
      PanelBackdrop{678.0f, layout.server_panel_y, 404.0f, layout.server_panel_height, 16.0f, 12.0f},
      PanelBackdrop{18.0f, 540.0f, 1064.0f, 104.0f, 16.0f, 12.0f},
  };
}

void render_backdrop_now(Pixmap& target, const ScaledLayers& layers, float scale, const BackdropRequest& request) {
  draw_animated_background(target, *layers.hero, scale, layers.hero_x, layers.hero_y, *layers.overlay, request.t);
  composite_panels(target, draw_panels(target, scale, request.panels));
}

BackdropScene copy_backdrop_scene(const UiState& ui) {
  return BackdropScene{ui.layers.hero, ui.layers.hero_x,         ui.layers.hero_y,         ui.layers.overlay,
                       ui.scale,       ui.canvas.pixmap.width(), ui.canvas.pixmap.height()};
}

bool panel_lists_differ(std::span<const PanelBackdrop> a, std::span<const PanelBackdrop> b) {
  if (a.size() != b.size()) return true;
  for (size_t i = 0; i < a.size(); ++i) {
    const PanelBackdrop& p = a[i];
    const PanelBackdrop& q = b[i];
    if (floats_differ(p.x, q.x) || floats_differ(p.y, q.y) || floats_differ(p.w, q.w) || floats_differ(p.h, q.h) ||
        floats_differ(p.radius, q.radius) || floats_differ(p.blur, q.blur)) {
      return true;
    }
  }
  return false;
}

BackdropRenderer::BackdropRenderer(BackdropScene scene) : scene_(std::move(scene)) {}

BackdropReply BackdropRenderer::answer(BackdropRequest request) {
  // The background goes straight into the reply's pixels; the panels, when due, are blurred from it before the
  // glass is composited on. Otherwise the kept glass is composited, and where it is opaque it replaces what lies
  // under it, so the background is not drawn there: in a spare frame (every pixel of it set before) those pixels
  // are only written over, and not even that when the spare already shows this glass.
  const bool spare_fits = request.spare && request.spare->width() == scene_.width &&
                          request.spare->height() == scene_.height;
  Pixmap frame = spare_fits ? std::move(*request.spare) : Pixmap::make_for_overwrite(scene_.width, scene_.height);
  const bool panels_due =
      request.t - last_t_ >= BACKDROP_REFRESH_SECS || panel_lists_differ(request.panels, last_panels_);
  const bool glass_under_interiors = !panels_due && spare_fits;
  const std::span<const ClipRect> left_alone =
      glass_under_interiors ? std::span<const ClipRect>(opaque_glass_) : std::span<const ClipRect>();
  draw_animated_background(frame, *scene_.hero, scene_.scale, scene_.hero_x, scene_.hero_y, *scene_.overlay,
                           request.t, left_alone);
  if (panels_due) {
    kept_panels_.clear();  // the old glass goes before the new is drawn: one set of panels is held at a time
    kept_panels_ = keep_panels(frame, scene_.scale, request.panels);
    opaque_glass_ = opaque_interiors(kept_panels_);
    glass_ = next_glass_number();
    last_panels_ = request.panels;
    last_t_ = request.t;
    ++panel_renders_;
  }
  const bool spare_shows_this_glass = glass_under_interiors && request.spare_glass == glass_;
  const std::span<const ClipRect> glass_shown =
      spare_shows_this_glass ? std::span<const ClipRect>(opaque_glass_) : std::span<const ClipRect>();
  composite_kept_panels(frame, kept_panels_, glass_shown);
  return BackdropReply{std::move(frame), glass_, opaque_glass_};
}

Pixmap BackdropRenderer::render(BackdropRequest request) { return answer(std::move(request)).frame; }

void backdrop_render_worker(BackdropScene scene, BoundedReceiver<BackdropRequest> requests,
                            BoundedSender<BackdropReply> replies) {
  BackdropRenderer renderer(std::move(scene));
  while (std::optional<BackdropRequest> request = requests.receive()) {
    if (!replies.send(renderer.answer(std::move(*request)))) return;
  }
}

BackdropWorkerLink start_backdrop_worker(const UiState& ui) {
  auto [request_sender, request_receiver] = make_bounded_channel<BackdropRequest>(1);
  auto [reply_sender, reply_receiver] = make_bounded_channel<BackdropReply>(1);
  BackdropWorkerLink link;
  link.requests = std::move(request_sender);
  link.replies = std::move(reply_receiver);
  link.thread = std::jthread(backdrop_render_worker, copy_backdrop_scene(ui), std::move(request_receiver),
                             std::move(reply_sender));
  return link;
}

bool offer_backdrop_request(BackdropWorkerLink& link, BackdropRequest&& request) {
  return link.requests.try_send(std::move(request)) == TrySendOutcome::sent;
}

std::optional<BackdropReply> take_backdrop_reply(BackdropWorkerLink& link, uint32_t width, uint32_t height) {
  std::optional<BackdropReply> reply = link.replies.try_receive();
  if (!reply || reply->frame.width() != width || reply->frame.height() != height) return std::nullopt;
  return reply;
}

}  // namespace qo

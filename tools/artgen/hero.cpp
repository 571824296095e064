#include "hero.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "art_layers.h"
#include "art_random.h"
#include "gfx/blur.h"
#include "gfx/path.h"
#include "gfx/rasterizer.h"

namespace art {
namespace {

constexpr float W = static_cast<float>(HERO_WIDTH);
constexpr float H = static_cast<float>(HERO_HEIGHT);

// The moon, and the fortress on its crag below it, sit just right of the picture column's centre so that the
// logo and countdown drawn over the left part of the window do not hide them.
constexpr float MOON_X = 0.565f * W;
constexpr float MOON_Y = 0.215f * H;
constexpr float MOON_R = 64.0f;
constexpr float FORT_X = 0.548f * W;

float gauss(float d, float width) { return std::exp(-(d * d) / (width * width)); }

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// ----- sky -----

void paint_sky(qo::Pixmap& pic) {
  qo::PathBuilder b;
  b.push_rect(0, 0, W, H);
  const qo::Path all = *b.finish();
  fill(pic, all,
       linear_shader({0, 0}, {0, H},
                     {{0.0f, rgb(0x040807)},
                      {0.28f, rgb(0x08171A)},
                      {0.50f, rgb(0x10312E)},
                      {0.64f, rgb(0x1D4A40)},
                      {0.80f, rgb(0x0E2420)},
                      {1.0f, rgb(0x060A09)}}));
  // Warm light around the moon, wide and faint, then closer and stronger.
  fill(pic, all,
       radial_shader({MOON_X, MOON_Y}, 0.62f * H,
                     {{0.0f, rgb(0xD9A845, 0.30f)}, {0.45f, rgb(0xD9A845, 0.10f)}, {1.0f, rgb(0xD9A845, 0.0f)}}));
  fill(pic, all,
       radial_shader({MOON_X, MOON_Y}, 4.2f * MOON_R,
                     {{0.0f, rgb(0xF2D28A, 0.55f)}, {0.35f, rgb(0xE8C270, 0.22f)}, {1.0f, rgb(0xD9A845, 0.0f)}}));
}

// A diagonal band of faint dust and stars across the sky.
qo::Pixmap paint_star_band() {
  return paint_field(HERO_WIDTH, HERO_HEIGHT, 4, [](float x, float y) {
    const float along = (x - 0.15f * W) * 0.92f + (y - 0.05f * H) * 0.39f;
    const float across = -(x - 0.15f * W) * 0.39f + (y - 0.05f * H) * 0.92f - 0.06f * along;
    const float band = gauss(across, 0.16f * H) * clamp01(1.0f - y / (0.62f * H));
    const float dust = clamp01(0.55f + 0.8f * fractal_noise_2d(x / 260.0f, y / 170.0f, 5, 0.55f, 17));
    const float v = band * dust;
    return mix(rgb(0x6FB3A3, 0.0f), rgb(0xA7D8C8, 0.20f), v);
  });
}

// Emerald curtains of light, brightest along a wavy line and streaked vertically.
qo::Pixmap paint_aurora() {
  return paint_field(HERO_WIDTH, HERO_HEIGHT, 4, [](float x, float y) {
    float total = 0.0f;
    for (int i = 0; i < 2; ++i) {
      const uint32_t seed = 300u + static_cast<uint32_t>(i) * 7u;
      const float line = (0.17f + 0.13f * static_cast<float>(i)) * H + 0.09f * H * fractal_noise_1d(x / 700.0f, 3, 0.5f, seed);
      const float d = y - line;
      // Curtains hang down from the line: sharp above, a shorter fade below, their folds leaning with height.
      const float shape = d < 0 ? gauss(d, 0.02f * H) : std::exp(-d / (0.075f * H));
      const float fold_x = x + 0.35f * d + 40.0f * fractal_noise_1d(y / 90.0f, 2, 0.5f, seed + 3);
      const float streaks = clamp01(0.35f + 0.8f * fractal_noise_1d(fold_x / 55.0f + static_cast<float>(i) * 31.0f, 4, 0.6f, seed + 1));
      const float reach = clamp01(0.2f + 1.3f * fractal_noise_1d(x / 480.0f, 2, 0.5f, seed + 2));
      const float fade = clamp01((x - 0.05f * W) / (0.25f * W)) * clamp01((0.95f * W - x) / (0.2f * W));
      total += shape * streaks * reach * fade * (i == 0 ? 1.0f : 0.6f);
    }
    total = clamp01(total);
    return mix(rgb(0x12B880, 0.0f), rgb(0x3FE0A8, 0.30f), total);
  });
}

void paint_stars(qo::Pixmap& pic, Rng& rng) {
  qo::Pixmap stars = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  qo::Pixmap glows = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  const qo::Color tints[] = {rgb(0xFFFFFF), rgb(0xFFF1CF), rgb(0xD9F5EA), rgb(0xF2D28A)};
  for (int i = 0; i < 1100; ++i) {
    const float x = rng.range(0, W);
    const float y = std::pow(rng.next(), 1.5f) * 0.66f * H;
    const float size = rng.next();
    const float r = 0.55f + 1.1f * size * size;
    const float bright = (0.25f + 0.75f * rng.next()) * clamp01(1.15f - y / (0.66f * H));
    const qo::Color tint = tints[rng.next_u64() % 4];
    // Keep the moon's disc and its nearest glow clear.
    if (std::hypot(x - MOON_X, y - MOON_Y) < 2.2f * MOON_R) continue;
    fill_circle(stars, x, y, r, qo::Shader{with_alpha(tint, bright)});
    if (size > 0.93f) {
      fill_circle(glows, x, y, r * 3.0f, qo::Shader{with_alpha(tint, 0.8f * bright)});
      // A faint four-pointed glint.
      const float l = 6.0f + 10.0f * bright;
      fill(stars, polygon({{x - l, y}, {x, y - 0.8f}, {x + l, y}, {x, y + 0.8f}}), qo::Shader{with_alpha(tint, 0.6f * bright)});
      fill(stars, polygon({{x, y - l}, {x + 0.8f, y}, {x, y + l}, {x - 0.8f, y}}), qo::Shader{with_alpha(tint, 0.6f * bright)});
    }
  }
  composite_blurred(pic, glows, 5.0f, 0.8f);
  composite(pic, stars);
}

void paint_moon(qo::Pixmap& pic) {
  qo::Pixmap halo = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  fill_circle(halo, MOON_X, MOON_Y, MOON_R * 1.25f, qo::Shader{rgb(0xF6DFA0, 0.9f)});
  composite_blurred(pic, halo, 26.0f, 0.85f);
  qo::Pixmap disc = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  fill_circle(disc, MOON_X, MOON_Y, MOON_R,
              radial_shader({MOON_X - 0.3f * MOON_R, MOON_Y - 0.3f * MOON_R}, 1.4f * MOON_R,
                            {{0.0f, rgb(0xFFF8E2)}, {0.6f, rgb(0xF4DE9E)}, {1.0f, rgb(0xD9B25E)}}));
  // Soft maria on the disc.
  modulate(disc, 0.16f, [](float x, float y) {
    const float n = fractal_noise_2d(x / 34.0f, y / 34.0f, 4, 0.55f, 911);
    return std::min(0.0f, n) * 1.6f;
  });
  composite(pic, disc);
}

// ----- mountains -----

struct RidgeStyle {
  float base;       // mean ridge height, fraction of the picture's height
  float amplitude;  // peak height, fraction of the picture's height
  float wavelength; // pixels across a main peak
  uint32_t seed;
  qo::Color top;
  qo::Color bottom;
  float rim;        // strength of the moonlit edge
  float texture = 0.10f;  // depth of the rock streaks
};

// Ridge height (y) at x: sharp ridged peaks over a rolling base.
float ridge_y(const RidgeStyle& s, float x) {
  const float n = fractal_noise_1d(x / s.wavelength, 6, 0.5f, s.seed);
  const float ridged = 1.0f - std::abs(fractal_noise_1d(x / (s.wavelength * 1.7f), 6, 0.5f, s.seed + 50));
  const float rough = fractal_noise_1d(x / 24.0f, 3, 0.5f, s.seed + 90);
  const float h = 0.35f * (n * 0.5f + 0.5f) + 0.65f * ridged * ridged * ridged + 0.035f * rough;
  return (s.base - s.amplitude * (h - 0.4f)) * H;
}

std::vector<qo::Point> ridge_points(const RidgeStyle& s, const std::function<float(float)>& extra) {
  std::vector<qo::Point> pts;
  for (float x = -8.0f; x <= W + 8.0f; x += 2.0f) pts.push_back({x, ridge_y(s, x) - extra(x)});
  return pts;
}

qo::Path ridge_fill_path(const std::vector<qo::Point>& pts) {
  qo::PathBuilder b;
  b.move_to(pts.front().x, H + 10.0f);
  for (const qo::Point& p : pts) b.line_to(p.x, p.y);
  b.line_to(pts.back().x, H + 10.0f);
  b.close();
  return *b.finish();
}

qo::Path ridge_line_path(const std::vector<qo::Point>& pts) {
  qo::PathBuilder b;
  b.move_to(pts.front().x, pts.front().y);
  for (const qo::Point& p : pts) b.line_to(p.x, p.y);
  return *b.finish();
}

void paint_ridge(qo::Pixmap& pic, const RidgeStyle& s, const std::vector<qo::Point>& pts) {
  float top = H;
  for (const qo::Point& p : pts) top = std::min(top, p.y);
  const qo::Path body = ridge_fill_path(pts);
  qo::Pixmap layer = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  fill(layer, body, linear_shader({0, top}, {0, std::min(H, top + 0.45f * H)}, {{0.0f, s.top}, {1.0f, s.bottom}}));
  // Streaky rock texture, stretched along the slopes.
  modulate(layer, s.texture, [&](float x, float y) {
    return fractal_noise_2d(x / 90.0f + y / 160.0f, y / 22.0f, 4, 0.55f, s.seed + 7);
  });
  composite(pic, layer);
  if (s.rim > 0.0f) {
    // Moonlight catching the ridge: strongest near the moon, fading with distance.
    qo::Pixmap rim = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
    stroke(rim, ridge_line_path(pts),
           radial_shader({MOON_X, MOON_Y}, 0.75f * W,
                         {{0.0f, rgb(0xF2D28A, s.rim)}, {0.5f, rgb(0xD9A845, 0.35f * s.rim)}, {1.0f, rgb(0xD9A845, 0.0f)}}),
           2.2f);
    composite_blurred(pic, rim, 1.2f, 1.0f);
  }
}

// Drifting mist lying in the valley at height `level` (fraction of the picture's height).
void paint_mist(qo::Pixmap& pic, float level, float thickness, float strength, uint32_t seed) {
  qo::Pixmap mist = paint_field(HERO_WIDTH, HERO_HEIGHT, 4, [=](float x, float y) {
    const float d = (y - level * H) / (thickness * H);
    const float band = d < 0 ? std::exp(-d * d * 2.5f) : std::exp(-d * d * 0.6f);
    const float wisps = clamp01(0.5f + 0.9f * fractal_noise_2d(x / 420.0f, y / 70.0f, 5, 0.55f, seed));
    const float v = band * wisps * strength;
    const qo::Color warm = mix(rgb(0x8CC8B8), rgb(0xE6CC8F), gauss(x - MOON_X, 0.22f * W) * 0.6f);
    return with_alpha(warm, clamp01(v));
  });
  composite(pic, mist);
}

// ----- fortress -----

struct Tower {
  float dx;      // centre, from the fortress centre
  float width;
  float height;  // above the crag
  float roof;    // height of the pointed roof; 0 for battlements
};

constexpr Tower TOWERS[] = {
    {-150.0f, 26.0f, 92.0f, 34.0f}, {-108.0f, 34.0f, 128.0f, 0.0f}, {-62.0f, 40.0f, 176.0f, 58.0f},
    {0.0f, 54.0f, 236.0f, 92.0f},   {58.0f, 36.0f, 150.0f, 50.0f},  {104.0f, 40.0f, 116.0f, 0.0f},
    {146.0f, 24.0f, 84.0f, 30.0f},
};

void push_battlements(qo::PathBuilder& b, float left, float right, float top, float merlon) {
  b.push_rect(left, top, right - left, merlon + 2.0f);
  for (float x = left; x + merlon * 0.7f <= right; x += merlon * 1.6f) b.push_rect(x, top - merlon, merlon * 0.8f, merlon);
}

qo::Path fortress_path(float base_y) {
  qo::PathBuilder b;
  // Curtain wall with battlements, stepping down the crag on both sides.
  b.push_rect(FORT_X - 150.0f, base_y - 58.0f, 300.0f, 100.0f);
  push_battlements(b, FORT_X - 150.0f, FORT_X + 150.0f, base_y - 58.0f, 7.0f);
  for (const Tower& t : TOWERS) {
    const float cx = FORT_X + t.dx;
    const float left = cx - t.width / 2;
    const float top = base_y - t.height;
    b.push_rect(left, top, t.width, t.height + 40.0f);
    if (t.roof > 0.0f) {
      b.move_to(left - 4.0f, top + 1.0f);
      b.line_to(cx, top - t.roof);
      b.line_to(left + t.width + 4.0f, top + 1.0f);
      b.close();
      b.push_rect(cx - 0.8f, top - t.roof - 16.0f, 1.6f, 18.0f);  // spire
    } else {
      push_battlements(b, left - 3.0f, left + t.width + 3.0f, top, 6.0f);
      b.push_rect(left - 3.0f, top, t.width + 6.0f, 4.0f);
    }
  }
  return *b.finish();
}

void paint_fortress(qo::Pixmap& pic, float base_y, Rng& rng) {
  const qo::Path shape = fortress_path(base_y);
  // Moonlight spilling round the silhouette.
  qo::Pixmap rim = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  stroke(rim, shape, qo::Shader{rgb(0xF2D28A, 0.75f)}, 3.0f, qo::LineJoin::Miter);
  composite_blurred(pic, rim, 2.0f, 0.9f);
  fill(pic, shape, linear_shader({0, base_y - 330.0f}, {0, base_y + 20.0f}, {{0.0f, rgb(0x0C1C1A)}, {1.0f, rgb(0x07110F)}}));

  // Lit windows with a warm glow.
  qo::Pixmap lights = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  for (const Tower& t : TOWERS) {
    const float cx = FORT_X + t.dx;
    for (float y = base_y - t.height + 18.0f; y < base_y - 14.0f; y += 26.0f) {
      for (float ox : {-t.width * 0.22f, t.width * 0.22f}) {
        if (rng.next() < 0.6f) continue;
        const qo::Color c = mix(rgb(0xF2D28A), rgb(0xFFB95A), rng.next());
        qo::PathBuilder w;
        w.push_rect(cx + ox - 1.8f, y, 3.6f, 7.0f);
        fill(lights, *w.finish(), qo::Shader{c});
      }
    }
  }
  composite_blurred(pic, lights, 6.0f, 1.0f);
  composite_blurred(pic, lights, 1.5f, 0.9f);
  composite(pic, lights);
}

// Cracks running down the crag's faces, each with a faint moonlit lip, kept inside the rock.
void paint_crevices(qo::Pixmap& pic, const std::vector<qo::Point>& ridge, Rng& rng) {
  qo::Pixmap cracks = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  qo::Pixmap lips = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  for (int i = 0; i < 20; ++i) {
    float x = FORT_X + rng.range(-430.0f, 430.0f);
    const auto at = std::lower_bound(ridge.begin(), ridge.end(), x, [](const qo::Point& p, float v) { return p.x < v; });
    if (at == ridge.end()) continue;
    float y = at->y + rng.range(18.0f, 90.0f);
    const float length = rng.range(60.0f, 280.0f);
    const float lean = (x < FORT_X ? -0.25f : 0.25f) * rng.next();
    qo::PathBuilder b;
    b.move_to(x, y);
    for (float run = 0; run < length; run += 14.0f) {
      x += lean * 14.0f + rng.range(-2.5f, 2.5f);
      y += 14.0f;
      b.line_to(x, y);
    }
    const qo::Path crack = *b.finish();
    const float width = rng.range(1.2f, 3.2f);
    stroke(cracks, crack, qo::Shader{rgb(0x030807, 0.42f)}, width);
    if (auto lip = crack.transformed(qo::Transform::from_translate(width, 0))) {
      stroke(lips, *lip, qo::Shader{rgb(0xE6CC8F, 0.10f)}, 1.2f);
    }
  }
  qo::Mask rock = qo::Mask::make(HERO_WIDTH, HERO_HEIGHT);
  qo::fill_mask_path(rock, ridge_fill_path(ridge), qo::FillRule::Winding, true, qo::Transform::identity());
  composite(cracks, lips);
  qo::draw_pixmap(pic, 0, 0, cracks, qo::PixmapPaint{}, qo::Transform::identity(), &rock);
}

// ----- foreground -----

// Pine silhouettes standing on a ridge.
void paint_pines(qo::Pixmap& pic, const std::vector<qo::Point>& ridge, const qo::Color& colour, float scale,
                 float density, Rng& rng) {
  qo::PathBuilder b;
  for (size_t i = 0; i < ridge.size(); i += 2) {
    if (rng.next() > density) continue;
    const qo::Point p = ridge[i];
    const float h = scale * (0.6f + 0.8f * rng.next());
    const float w = h * 0.32f;
    for (int tier = 0; tier < 4; ++tier) {
      const float t = static_cast<float>(tier) / 4.0f;
      const float ty = p.y - h * (0.25f + 0.75f * t);
      const float tw = w * (1.0f - 0.7f * t);
      b.move_to(p.x - tw, ty + h * 0.28f);
      b.line_to(p.x, ty - h * 0.12f);
      b.line_to(p.x + tw, ty + h * 0.28f);
      b.close();
    }
    b.push_rect(p.x - 0.12f * w, p.y - h * 0.3f, 0.24f * w, h * 0.3f + 6.0f);
  }
  if (auto path = b.finish()) fill(pic, *path, qo::Shader{colour});
}

void add_vignette_and_grain(qo::Pixmap& pic) {
  qo::PathBuilder b;
  b.push_rect(0, 0, W, H);
  fill(pic, *b.finish(),
       radial_shader({0.5f * W, 0.42f * H}, 0.78f * W,
                     {{0.0f, rgb(0x060A09, 0.0f)}, {0.62f, rgb(0x060A09, 0.05f)}, {1.0f, rgb(0x060A09, 0.6f)}}));
  // A fine brush texture: keeps the large gradients from banding and gives the picture a painted surface.
  modulate(pic, 0.035f, [](float x, float y) {
    return fractal_noise_2d(x / 5.0f + y / 11.0f, y / 3.0f - x / 17.0f, 2, 0.5f, 4242);
  });
}

}  // namespace

qo::Pixmap paint_hero() {
  Rng rng(0x51A7F3E2024ULL);
  qo::Pixmap pic = qo::Pixmap::make(HERO_WIDTH, HERO_HEIGHT);
  paint_sky(pic);
  composite(pic, paint_star_band());
  paint_stars(pic, rng);
  composite(pic, paint_aurora());
  paint_moon(pic);

  const auto none = [](float) { return 0.0f; };
  // Far to near: each range darker, sharper and lower than the last.
  const RidgeStyle far{0.565f, 0.16f, 360.0f, 11, rgb(0x2E6E60), rgb(0x1A4A40), 0.55f};
  const RidgeStyle back{0.615f, 0.20f, 520.0f, 23, rgb(0x1D5247), rgb(0x10302A), 0.7f};
  const RidgeStyle crag{0.70f, 0.14f, 430.0f, 37, rgb(0x143A33), rgb(0x0A201C), 0.85f, 0.2f};
  const RidgeStyle middle{0.80f, 0.12f, 380.0f, 41, rgb(0x0D2A25), rgb(0x081614), 0.5f};
  const RidgeStyle near{0.90f, 0.10f, 300.0f, 53, rgb(0x081A17), rgb(0x050C0B), 0.35f};
  const RidgeStyle front{0.985f, 0.06f, 240.0f, 67, rgb(0x050E0C), rgb(0x030605), 0.0f};

  paint_ridge(pic, far, ridge_points(far, none));
  paint_mist(pic, 0.60f, 0.05f, 0.55f, 101);
  paint_ridge(pic, back, ridge_points(back, none));
  paint_mist(pic, 0.66f, 0.05f, 0.55f, 102);

  // The crag rises to a flat shoulder under the fortress.
  // The crag: a nearly flat top under the fortress, then broken cliffs falling away until they meet the range.
  const float crag_top = 0.56f * H;
  const auto lift = [&](float x) {
    const float dx = std::abs(x - FORT_X);
    const float edge = clamp01((dx - 160.0f) / 80.0f);
    // Rocky teeth: ridged noise turned upward, stronger away from the fortress's footing.
    const float teeth = 1.0f - std::abs(fractal_noise_1d(x / 36.0f, 4, 0.55f, 777));
    const float jag = 3.0f * fractal_noise_1d(x / 20.0f, 3, 0.5f, 779) +
                      edge * (34.0f * (0.45f - teeth * teeth * teeth) + 30.0f * fractal_noise_1d(x / 140.0f, 2, 0.5f, 778));
    const float d = std::max(0.0f, dx - 178.0f) + 40.0f * edge * fractal_noise_1d(x / 110.0f, 2, 0.5f, 780);
    // Broken ledges: the slope eases off after each drop.
    const float ledge = d / 70.0f - std::floor(d / 70.0f);
    const float steep = x < FORT_X ? 1.7f : 1.35f;  // a sheerer face on the side away from the moon
    const float cliff = crag_top + steep * d + 0.004f * d * d + 30.0f * edge * ledge * ledge + jag;
    return std::max(0.0f, ridge_y(crag, x) - cliff);
  };
  const std::vector<qo::Point> crag_ridge = ridge_points(crag, lift);
  paint_fortress(pic, crag_top + 10.0f, rng);
  paint_ridge(pic, crag, crag_ridge);
  paint_crevices(pic, crag_ridge, rng);
  // Moonlight on the crag's right-hand faces.
  fill(pic, ridge_fill_path(crag_ridge),
       linear_shader({FORT_X - 120.0f, 0}, {FORT_X + 320.0f, 0}, {{0.0f, rgb(0xE6CC8F, 0.0f)}, {1.0f, rgb(0xE6CC8F, 0.10f)}}));
  paint_mist(pic, 0.74f, 0.06f, 0.65f, 103);

  const std::vector<qo::Point> middle_ridge = ridge_points(middle, none);
  paint_ridge(pic, middle, middle_ridge);
  paint_pines(pic, middle_ridge, rgb(0x0A1F1B), 22.0f, 0.25f, rng);
  paint_mist(pic, 0.84f, 0.05f, 0.45f, 104);

  const std::vector<qo::Point> near_ridge = ridge_points(near, none);
  paint_ridge(pic, near, near_ridge);
  paint_pines(pic, near_ridge, rgb(0x06100E), 40.0f, 0.4f, rng);
  const std::vector<qo::Point> front_ridge = ridge_points(front, none);
  paint_ridge(pic, front, front_ridge);
  paint_pines(pic, front_ridge, rgb(0x030706), 70.0f, 0.35f, rng);

  add_vignette_and_grain(pic);
  return pic;
}

}  // namespace art

#include "logo.h"

#include <algorithm>
#include <string_view>

#include "art_layers.h"
#include "gfx/path.h"
#include "text/font.h"
#include "text/shaping.h"
#include "util/embedded_assets.h"

namespace art {
namespace {

constexpr float W = static_cast<float>(LOGO_WIDTH);
constexpr std::string_view WORDMARK = "QO FENRO";

// The shaped text as one outline in picture pixels, its pen starting at x 0 on baseline 0.
std::optional<qo::Path> text_outline(const qo::Font& font, float size, float spacing) {
  const qo::GlyphRun run = qo::shape_line(font, size, spacing, WORDMARK, false);
  const float k = size / font.units_per_em();
  qo::PathBuilder b;
  for (const qo::PlacedGlyph& g : run.glyphs) {
    const auto& outline = font.glyph_outline(g.glyph_id);
    if (!outline) continue;
    if (auto placed = outline->transformed(qo::Transform::from_row(k, 0, 0, -k, g.x, g.y))) b.push_path(*placed);
  }
  return b.finish();
}

void paint_ornament(qo::Pixmap& pic, float cx, float y) {
  const qo::Shader gold_left = linear_shader({cx - 330.0f, y}, {cx - 20.0f, y},
                                             {{0.0f, rgb(0xD9A845, 0.0f)}, {1.0f, rgb(0xF2D28A, 0.95f)}});
  const qo::Shader gold_right = linear_shader({cx + 330.0f, y}, {cx + 20.0f, y},
                                              {{0.0f, rgb(0xD9A845, 0.0f)}, {1.0f, rgb(0xF2D28A, 0.95f)}});
  fill(pic, polygon({{cx - 22.0f, y - 2.2f}, {cx - 330.0f, y}, {cx - 22.0f, y + 2.2f}}), gold_left);
  fill(pic, polygon({{cx + 22.0f, y - 2.2f}, {cx + 330.0f, y}, {cx + 22.0f, y + 2.2f}}), gold_right);
  // Small gold studs part-way along the rule.
  for (float d : {-150.0f, 150.0f}) {
    fill(pic, polygon({{cx + d, y - 5.0f}, {cx + d + 5.0f, y}, {cx + d, y + 5.0f}, {cx + d - 5.0f, y}}),
         qo::Shader{rgb(0xE9C063, 0.9f)});
  }
  // The emerald gem: a dark setting, the stone, and a highlight facet.
  const qo::Path setting = polygon({{cx, y - 15.0f}, {cx + 15.0f, y}, {cx, y + 15.0f}, {cx - 15.0f, y}});
  fill(pic, setting, linear_shader({cx, y - 15.0f}, {cx, y + 15.0f}, {{0.0f, rgb(0xF6DC95)}, {1.0f, rgb(0x9C6B1E)}}));
  fill(pic, polygon({{cx, y - 10.5f}, {cx + 10.5f, y}, {cx, y + 10.5f}, {cx - 10.5f, y}}),
       linear_shader({cx - 8.0f, y - 8.0f}, {cx + 8.0f, y + 8.0f},
                     {{0.0f, rgb(0x7DF2C6)}, {0.45f, rgb(0x12B880)}, {1.0f, rgb(0x07553B)}}));
  fill(pic, polygon({{cx - 1.0f, y - 8.0f}, {cx - 8.0f, y - 1.0f}, {cx - 3.0f, y - 1.0f}}),
       qo::Shader{rgb(0xFFFFFF, 0.55f)});
}

}  // namespace

std::optional<qo::Pixmap> paint_logo() {
  const auto font = qo::load_font(qo::embedded_asset("fonts/Urbanist-ExtraBold.ttf"));
  if (!font) return std::nullopt;

  // Fit the wordmark to the width, leaving room on each side for the glow.
  const float probe_size = 100.0f;
  const auto probe = text_outline(*font, probe_size, probe_size * 0.08f);
  if (!probe) return std::nullopt;
  const float size = probe_size * (W - 96.0f) / probe->bounds().w;
  auto outline = text_outline(*font, size, size * 0.08f);
  if (!outline) return std::nullopt;
  const qo::RectF box = outline->bounds();
  const float left = (W - box.w) / 2.0f;
  // The wordmark and the ornament beneath it (34 px lower, 15 px deep) are centred as one block.
  const float top = (static_cast<float>(LOGO_HEIGHT) - (box.h + 49.0f)) / 2.0f;
  outline = outline->transformed(qo::Transform::from_translate(left - box.x, top - box.y));
  if (!outline) return std::nullopt;
  const qo::RectF text = outline->bounds();

  qo::Pixmap pic = qo::Pixmap::make(LOGO_WIDTH, LOGO_HEIGHT);
  qo::Pixmap silhouette = qo::Pixmap::make(LOGO_WIDTH, LOGO_HEIGHT);
  fill(silhouette, *outline, qo::Shader{rgb(0x000000)});
  stroke(silhouette, *outline, qo::Shader{rgb(0x000000)}, 6.0f);
  composite_blurred(pic, silhouette, 7.0f, 0.75f, 0, 6);  // drop shadow

  qo::Pixmap glow = qo::Pixmap::make(LOGO_WIDTH, LOGO_HEIGHT);
  fill(glow, *outline, qo::Shader{rgb(0xD9A845)});
  composite_blurred(pic, glow, 12.0f, 0.45f);

  // Dark bronze edge, then the gold face: pale at the top, deep at the foot, with a bright band at mid height
  // as if lit from above.
  stroke(pic, *outline, qo::Shader{rgb(0x2A1C07)}, 6.0f);
  fill(pic, *outline,
       linear_shader({0, text.y}, {0, text.y + text.h},
                     {{0.0f, rgb(0xFFF3CC)},
                      {0.38f, rgb(0xF0CB74)},
                      {0.52f, rgb(0xD9A845)},
                      {0.56f, rgb(0xC08E33)},
                      {1.0f, rgb(0x8E611B)}}));
  // A thin inner highlight along the upper edges.
  qo::Pixmap shine = qo::Pixmap::make(LOGO_WIDTH, LOGO_HEIGHT);
  stroke(shine, *outline, linear_shader({0, text.y}, {0, text.y + text.h * 0.6f},
                                        {{0.0f, rgb(0xFFFFFF, 0.55f)}, {1.0f, rgb(0xFFFFFF, 0.0f)}}),
         1.4f);
  composite(pic, shine);

  paint_ornament(pic, W / 2.0f, text.y + text.h + 34.0f);
  return pic;
}

}  // namespace art

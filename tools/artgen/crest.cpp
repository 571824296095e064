#include "crest.h"

#include "art_layers.h"
#include "gfx/path.h"

namespace art {
namespace {

constexpr float C = 128.0f;  // vertical axis of symmetry

qo::Path shield_path(float inset) {
  qo::PathBuilder b;
  const float l = 30.0f + inset, r = 226.0f - inset, top = 28.0f + inset, bottom = 244.0f - inset * 1.4f;
  b.move_to(l, top);
  b.quad_to(C, top - 16.0f + inset * 0.3f, r, top);
  b.line_to(r, 118.0f);
  b.cubic_to(r, 178.0f, r - 46.0f, 220.0f - inset * 0.6f, C, bottom);
  b.cubic_to(l + 46.0f, 220.0f - inset * 0.6f, l, 178.0f, l, 118.0f);
  b.close();
  return *b.finish();
}

// Left half of the wolf's head, top of the skull round to the chin; mirrored for the right half.
constexpr qo::Point HEAD_LEFT[] = {{128, 96},  {106, 90},  {82, 50},   {72, 112}, {52, 150},
                                   {78, 150},  {88, 176},  {112, 198}, {128, 214}};

qo::Path head_path() {
  qo::PathBuilder b;
  b.move_to(HEAD_LEFT[0].x, HEAD_LEFT[0].y);
  for (const qo::Point& p : HEAD_LEFT) b.line_to(p.x, p.y);
  for (int i = static_cast<int>(std::size(HEAD_LEFT)) - 2; i >= 1; --i) b.line_to(2 * C - HEAD_LEFT[i].x, HEAD_LEFT[i].y);
  b.close();
  return *b.finish();
}

void paint_head(qo::Pixmap& pic) {
  const qo::Path head = head_path();
  fill(pic, head, linear_shader({0, 50}, {0, 214}, {{0.0f, rgb(0xFBE3A2)}, {0.5f, rgb(0xE2B658)}, {1.0f, rgb(0xA9782A)}}));
  // Shade the right half, so the head reads as carved facets.
  fill(pic, polygon({{128, 96}, {150, 90}, {174, 50}, {184, 112}, {204, 150}, {178, 150}, {168, 176}, {144, 198}, {128, 214}}),
       qo::Shader{rgb(0x5A3C0E, 0.28f)});
  fill(pic, polygon({{128, 132}, {150, 150}, {128, 176}, {106, 150}}), qo::Shader{rgb(0xFFF4D0, 0.22f)});

  const qo::Shader dark{rgb(0x0A1E19)};
  for (float axis : {0.0f, 1.0f}) {
    const auto shape = [&](std::initializer_list<qo::Point> pts) {
      return axis == 0.0f ? polygon(pts) : mirrored_polygon(pts, C);
    };
    fill(pic, shape({{86, 66}, {100, 94}, {80, 108}}), dark);                 // inner ear
    fill(pic, shape({{92, 126}, {118, 134}, {114, 144}, {98, 138}}), dark);    // eye socket
    fill(pic, shape({{98, 130}, {114, 135}, {112, 140}, {101, 137}}),           // eye
         qo::Shader{rgb(0x2EE6A6)});
    fill(pic, shape({{66, 150}, {80, 150}, {90, 172}}), qo::Shader{rgb(0x5A3C0E, 0.45f)});  // cheek fur
  }
  fill(pic, polygon({{128, 100}, {134, 114}, {128, 126}, {122, 114}}), dark);  // brow mark
  fill(pic, polygon({{116, 184}, {140, 184}, {128, 198}}), dark);              // nose
  fill(pic, polygon({{127, 150}, {129, 150}, {129, 184}, {127, 184}}), qo::Shader{rgb(0x0A1E19, 0.6f)});
}

}  // namespace

qo::Pixmap paint_crest() {
  qo::Pixmap pic = qo::Pixmap::make(CREST_SIZE, CREST_SIZE);
  const qo::Path shield = shield_path(0.0f);

  qo::Pixmap shadow = qo::Pixmap::make(CREST_SIZE, CREST_SIZE);
  fill(shadow, shield, qo::Shader{rgb(0x000000)});
  composite_blurred(pic, shadow, 4.0f, 0.6f, 0, 3);

  fill(pic, shield, radial_shader({C, 96}, 170.0f, {{0.0f, rgb(0x1B4A3D)}, {0.55f, rgb(0x0D2620)}, {1.0f, rgb(0x060A09)}}));
  // Emerald light rising behind the head.
  fill(pic, shield, radial_shader({C, 140}, 90.0f, {{0.0f, rgb(0x12B880, 0.35f)}, {1.0f, rgb(0x12B880, 0.0f)}}));

  const qo::Shader gold = linear_shader({0, 14}, {0, 244}, {{0.0f, rgb(0xFBE3A2)}, {0.45f, rgb(0xD9A845)}, {1.0f, rgb(0x8E611B)}});
  stroke(pic, shield, gold, 11.0f, qo::LineJoin::Miter);
  stroke(pic, shield, qo::Shader{rgb(0x2A1C07, 0.8f)}, 1.5f, qo::LineJoin::Miter);
  stroke(pic, shield_path(13.0f), qo::Shader{rgb(0xD9A845, 0.75f)}, 2.0f, qo::LineJoin::Miter);

  qo::Pixmap head_glow = qo::Pixmap::make(CREST_SIZE, CREST_SIZE);
  fill(head_glow, head_path(), qo::Shader{rgb(0x000000)});
  composite_blurred(pic, head_glow, 5.0f, 0.55f, 0, 4);
  paint_head(pic);
  return pic;
}

}  // namespace art

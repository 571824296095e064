#include "ui/layers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <future>

#include "gfx/blur.h"
#include "gfx/glow.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/image_codec.h"
#include "gfx/rasterizer.h"
#include "gfx/resample.h"
#include "gfx/row_trimmed_image.h"
#include "gfx/shapes.h"
#include "ui/layout.h"
#include "ui/rune.h"
#include "ui/sparks.h"

namespace qo {
namespace {

// The window's gold and green, and the near-black of its shadows, at an 8-bit alpha.
Color gold(uint8_t alpha) { return Color::from_rgba8(217, 168, 69, alpha); }
Color green(uint8_t alpha) { return Color::from_rgba8(18, 184, 128, alpha); }
Color shade(uint8_t alpha) { return Color::from_rgba8(6, 10, 9, alpha); }

uint32_t rounded_pixels(float v) { return static_cast<uint32_t>(std::max(round_to_i32(v), 0)); }

void fill_window_with_gradient(Canvas& canvas, std::span<const ColorStop> stops, float angle) {
  const Shader shader = build_linear_gradient(stops, 0.0f, 0.0f, WINDOW_WIDTH, WINDOW_HEIGHT, angle);
  fill_rect(canvas.pixmap, RectF{0.0f, 0.0f, WINDOW_WIDTH, WINDOW_HEIGHT}, shader_paint(shader), canvas.transform());
}

// A soft round glow: the circle filled with a radial fade from the colour to transparent.
void paint_round_glow(Canvas& canvas, Point centre, float circle_radius, float gradient_radius, Color colour) {
  Color clear = colour;
  clear.a = 0.0f;
  const std::array<ColorStop, 2> stops{ColorStop{0.0f, colour}, ColorStop{1.0f, clear}};
  const auto shader = make_radial_gradient(centre, gradient_radius, stops);
  const auto circle = circle_path(centre.x, centre.y, circle_radius);
  if (!shader || !circle) return;
  fill_path(canvas.pixmap, *circle, shader_paint(*shader), FillRule::Winding, canvas.transform());
}

// The gold and green glows of the background, painted at one eighth of the scale, blurred there, and drawn
// eight times larger over the overlay.
void paint_background_glows(Canvas& overlay, float scale) {
  const float g = scale * 0.125f;
  Canvas glows = Canvas::make(std::max<uint32_t>(device_size(1580.0f, g), 1),
                              std::max<uint32_t>(device_size(1140.0f, g), 1), -240.0f, -240.0f, g);
  paint_round_glow(glows, {100.0f, 120.0f}, 260.0f, 257.3869f, gold(77));
  paint_round_glow(glows, {490.0f, 350.0f}, 230.0f, 227.6884f, green(46));
  gaussian_blur(glows.pixmap, 80.0f * g);
  const Transform enlarge = Transform::from_row(8.0f, 0.0f, 0.0f, 8.0f, -240.0f * scale, -240.0f * scale);
  draw_pixmap(overlay.pixmap, 0, 0, glows.pixmap, PixmapPaint{1.0f, BlendMode::SourceOver, FilterQuality::Bilinear},
              enlarge);
}

Canvas build_overlay(uint32_t width, uint32_t height, float scale) {
  Canvas overlay = Canvas::make(width, height, 0.0f, 0.0f, scale);
  const std::array<ColorStop, 3> across{ColorStop{0.0f, shade(26)}, ColorStop{0.55f, shade(26)},
                                        ColorStop{1.0f, shade(191)}};
  fill_window_with_gradient(overlay, across, 90.0f);
  const std::array<ColorStop, 4> down{ColorStop{0.0f, shade(140)}, ColorStop{0.3f, shade(38)},
                                      ColorStop{0.7f, shade(140)}, ColorStop{1.0f, shade(255)}};
  fill_window_with_gradient(overlay, down, 180.0f);
  paint_background_glows(overlay, scale);
  return overlay;
}

// The crest fitted inside its square, centred there when it is not square itself.
Pixmap fit_crest(const Pixmap& crest, float scale) {
  const uint32_t side = rounded_pixels(CREST_BOX_SIDE * scale);
  const DeviceSize fitted = fit_inside_box(crest.width(), crest.height(), CREST_BOX_SIDE, CREST_BOX_SIDE, scale);
  if (fitted.width == side && fitted.height == side) return resample_pixmap(crest, side, side);
  Pixmap square = Pixmap::make(side, side);
  blend_pixmap_opacity(square, resample_pixmap(crest, fitted.width, fitted.height), 1.0f,
                       static_cast<int32_t>((side - std::min(fitted.width, side)) / 2),
                       static_cast<int32_t>((side - std::min(fitted.height, side)) / 2));
  return square;
}

void build_crest_glow(ScaledLayers& layers, const Pixmap& crest, float scale) {
  const std::array<GlowLayer, 1> glow{GlowLayer{gold(140), 5.0f * scale}};
  layers.crest_glow_pad = rounded_pixels(15.0f * scale);
  layers.crest_glow = make_glow_image(fit_crest(crest, scale), glow, layers.crest_glow_pad);
}

// The logo inside its two glows: its size and pad, and the glow's four subpixel copies (only they are drawn).
struct LogoGlow {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pad = 0;
  std::array<VisiblePart, 4> copies;
};

LogoGlow build_logo_glow(const Pixmap& logo, float scale) {
  const DeviceSize size = fit_inside_box(logo.width(), logo.height(), LOGO_BOX_WIDTH, LOGO_BOX_HEIGHT, scale);
  const std::array<GlowLayer, 2> glows{GlowLayer{gold(89), 15.0f * scale}, GlowLayer{green(77), 5.0f * scale}};
  LogoGlow logo_glow;
  logo_glow.pad = rounded_pixels(60.0f * scale);
  const Pixmap glow = make_glow_image(resample_pixmap(logo, size.width, size.height), glows, logo_glow.pad);
  logo_glow.width = glow.width();
  logo_glow.height = glow.height();
  logo_glow.copies = visible_subpixel_copies(glow);
  return logo_glow;
}

// A sharp pale-gold dot inside a soft gold halo, centred in a square spanning logical -12..18.
Canvas build_glow_dot(float scale) {
  const uint32_t side = std::max<uint32_t>(device_size(30.0f, scale), 1);
  Canvas dot = Canvas::make(side, side, -12.0f, -12.0f, scale);
  const auto circle = circle_path(3.0f, 3.0f, 3.0f);
  if (!circle) return dot;
  fill_path(dot.pixmap, *circle, solid_paint(gold(255)), FillRule::Winding, dot.transform());
  gaussian_blur(dot.pixmap, 4.0f * scale);
  fill_path(dot.pixmap, *circle, solid_paint(Color::from_rgba8(242, 210, 138)), FillRule::Winding, dot.transform());
  return dot;
}

PictureArea build_picture_area(float scale) {
  const RectF& a = PICTURE_AREA;
  PictureArea area;
  area.clip = ClipRect{saturating_i32(std::floor(a.x * scale)), saturating_i32(std::floor(a.y * scale)),
                       saturating_i32(std::ceil((a.x + a.w) * scale)), saturating_i32(std::ceil((a.y + a.h) * scale))};
  return area;
}

// A decoded picture, or a transparent 16 x 16 square in place of one that did not decode.
Pixmap or_blank_square(std::optional<Pixmap> picture) {
  return picture ? std::move(*picture) : Pixmap::make(16, 16);
}

void set_hero_layer(ScaledLayers& layers, HeroLayer hero) {
  layers.hero = std::move(hero.pixels);
  layers.hero_x = hero.rect.x;
  layers.hero_y = hero.rect.y;
  layers.hero_w = hero.rect.w;
  layers.hero_h = hero.rect.h;
}

// What make_aligned_layer makes: the device size and the logical origin.
struct AlignedLayerShape {
  uint32_t width = 1;
  uint32_t height = 1;
  float origin_x = 0.0f;
  float origin_y = 0.0f;
};

AlignedLayerShape aligned_layer_shape(float x, float y, float w, float h, float scale) {
  const float left = std::floor(x * scale);
  const float top = std::floor(y * scale);
  const float right = std::ceil((x + w) * scale);
  const float bottom = std::ceil((y + h) * scale);
  return AlignedLayerShape{std::max<uint32_t>(saturating_u32(right - left), 1),
                           std::max<uint32_t>(saturating_u32(bottom - top), 1), left / scale, top / scale};
}

// The image drawn k/4 device pixel lower into a transparent pixmap one row taller.
Pixmap subpixel_copy(const Pixmap& image, size_t k) {
  Pixmap copy = Pixmap::make(image.width(), image.height() + 1);
  draw_image_scaled(image, copy, 0.0f, static_cast<float>(k) * 0.25f, 1.0f, 1.0f, 1.0f, false, full_clip(copy));
  return copy;
}

}  // namespace

HeroLayer build_hero_layer(std::span<const uint8_t> hero_file, float scale) {
  const Pixmap hero = crop_hero_picture(decode_hero_picture(hero_file));
  const RectF rect = hero_cover_rect(hero.width(), hero.height());
  Pixmap fitted = resample_pixmap(hero, device_size(rect.w, scale), device_size(rect.h, scale));
  return HeroLayer{std::make_shared<const Pixmap>(std::move(fitted)), rect};
}

std::future<HeroLayer> start_hero_layer(std::span<const uint8_t> hero_file, float scale) {
  return std::async(std::launch::async, build_hero_layer, hero_file, scale);
}

Pixmap decode_hero_picture(std::span<const uint8_t> file) {
  return or_blank_square(decode_webp_to_pixmap(file, PICTURE_MAX_PIXELS));
}

Pixmap decode_png_picture(std::span<const uint8_t> file) {
  return or_blank_square(decode_png(file, PICTURE_MAX_PIXELS));
}

Pixmap decode_window_icon_picture(std::span<const uint8_t> crest_file) {
  constexpr float ICON_SIDE = 256.0f;
  Pixmap crest = decode_png_picture(crest_file);
  if (crest.width() <= ICON_SIDE && crest.height() <= ICON_SIDE) return crest;
  const DeviceSize fitted = fit_inside_box(crest.width(), crest.height(), ICON_SIDE, ICON_SIDE, 1.0f);
  return resample_pixmap(crest, fitted.width, fitted.height);
}

DeviceSize fit_inside_box(uint32_t width, uint32_t height, float box_width, float box_height, float scale) {
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);
  if (h * box_width <= w * box_height)  // as wide as the box or wider: its width fills the box
    return DeviceSize{std::max<uint32_t>(rounded_pixels(box_width * scale), 1),
                      std::max<uint32_t>(rounded_pixels(box_width * (h / w) * scale), 1)};
  return DeviceSize{std::max<uint32_t>(rounded_pixels(box_height * (w / h) * scale), 1),
                    std::max<uint32_t>(rounded_pixels(box_height * scale), 1)};
}

Pixmap crop_hero_picture(Pixmap hero) {
  const auto w = static_cast<double>(hero.width());
  const auto h = static_cast<double>(hero.height());
  const double window_aspect = static_cast<double>(WINDOW_WIDTH) / WINDOW_HEIGHT;
  const double widest = window_aspect * HERO_MAX_ASPECT_FACTOR;
  const double tallest = window_aspect / HERO_MAX_ASPECT_FACTOR;
  uint32_t keep_w = hero.width();
  uint32_t keep_h = hero.height();
  if (w > h * widest) keep_w = static_cast<uint32_t>(std::clamp(std::round(h * widest), 1.0, w));
  if (w < h * tallest) keep_h = static_cast<uint32_t>(std::clamp(std::round(w / tallest), 1.0, h));
  if (keep_w == hero.width() && keep_h == hero.height()) return hero;
  const auto left = static_cast<uint32_t>(std::floor((hero.width() - keep_w) * HERO_OVERFLOW_LEFT));
  const auto top = static_cast<uint32_t>(std::floor((hero.height() - keep_h) * HERO_OVERFLOW_ABOVE));
  Pixmap kept = Pixmap::make_for_overwrite(keep_w, keep_h);
  for (uint32_t y = 0; y < keep_h; ++y)
    std::copy_n(hero.row(top + y) + left, keep_w, kept.row(y));
  return kept;
}

std::array<Pixmap, 4> make_subpixel_copies(const Pixmap& image) {
  std::array<Pixmap, 4> copies;
  for (size_t k = 0; k < copies.size(); ++k) copies[k] = subpixel_copy(image, k);
  return copies;
}

VisiblePart visible_part(const Pixmap& image) {
  const auto box = alpha_box(image, full_clip(image));
  if (!box) return VisiblePart{RowTrimmedImage(Pixmap::make(1, 1)), 0, 0};
  const auto width = static_cast<uint32_t>(box->x1 - box->x0);
  Pixmap rectangle = Pixmap::make_for_overwrite(width, static_cast<uint32_t>(box->y1 - box->y0));
  for (int32_t y = box->y0; y < box->y1; ++y) {
    const uint32_t* from = image.row(static_cast<uint32_t>(y)) + box->x0;
    std::copy_n(from, width, rectangle.row(static_cast<uint32_t>(y - box->y0)));
  }
  return VisiblePart{RowTrimmedImage(rectangle), box->x0, box->y0};
}

std::array<VisiblePart, 4> visible_subpixel_copies(const Pixmap& image) {
  std::array<VisiblePart, 4> parts;
  for (size_t k = 0; k < parts.size(); ++k) parts[k] = visible_part(subpixel_copy(image, k));
  return parts;
}

RectF hero_cover_rect(uint32_t image_width, uint32_t image_height) {
  const auto w = static_cast<float>(image_width);
  const auto h = static_cast<float>(image_height);
  const float k = std::max(WINDOW_WIDTH / w, WINDOW_HEIGHT / h) * HERO_ZOOM_RESERVE;
  return RectF{(WINDOW_WIDTH - w * k) * HERO_OVERFLOW_LEFT, (WINDOW_HEIGHT - h * k) * HERO_OVERFLOW_ABOVE, w * k,
               h * k};
}

Canvas make_aligned_layer(float x, float y, float w, float h, float scale) {
  const AlignedLayerShape shape = aligned_layer_shape(x, y, w, h, scale);
  return Canvas::make(shape.width, shape.height, shape.origin_x, shape.origin_y, scale);
}

void remake_aligned_layer(Canvas& layer, float x, float y, float w, float h, float scale) {
  const AlignedLayerShape shape = aligned_layer_shape(x, y, w, h, scale);
  if (layer.pixmap.width() != shape.width || layer.pixmap.height() != shape.height) {
    layer = Canvas::make(shape.width, shape.height, shape.origin_x, shape.origin_y, scale);
    return;
  }
  layer.pixmap.fill_word(0);
  layer.origin_x = shape.origin_x;
  layer.origin_y = shape.origin_y;
  layer.scale = scale;
}

void rebuild_scaled_layers(UiState& ui, float scale) {
  rebuild_scaled_layers(ui, scale, start_hero_layer(ui.images.hero_file, scale));
}

void rebuild_scaled_layers(UiState& ui, float scale, std::future<HeroLayer> hero) {
  const uint32_t width = device_size(WINDOW_WIDTH, scale);
  const uint32_t height = device_size(WINDOW_HEIGHT, scale);
  // The overlay and the logo's glow, the longest after the hero, are painted on threads of their own as well; each
  // reads only its arguments (the logo's file bytes are not changed meanwhile).
  std::future<Canvas> overlay = std::async(std::launch::async, build_overlay, width, height, scale);
  std::future<LogoGlow> logo_glow = std::async(std::launch::async, [&logo_file = ui.images.logo_file, scale] {
    return build_logo_glow(decode_png_picture(logo_file), scale);
  });
  ui.scale = scale;
  ui.canvas = Canvas::make(width, height, 0.0f, 0.0f, scale);
  ui.canvas_width = ui.canvas.pixmap.width();
  ui.canvas_height = ui.canvas.pixmap.height();

  ScaledLayers& layers = ui.layers;
  build_crest_glow(layers, decode_png_picture(ui.images.crest_file), scale);
  layers.glow_dot = build_glow_dot(scale);
  layers.picture_area = build_picture_area(scale);
  layers.rune = SparseImage(rasterize_rune(build_rune_outlines(), scale));
  LogoGlow logo = logo_glow.get();
  layers.logo_glow_width = logo.width;
  layers.logo_glow_height = logo.height;
  layers.logo_glow_pad = logo.pad;
  layers.logo_glow_copies = std::move(logo.copies);
  layers.overlay = std::make_shared<const Pixmap>(overlay.get().pixmap);
  set_hero_layer(layers, hero.get());

  build_spark_sprites(ui);
  relayout_texts(ui);
}

}  // namespace qo

#pragma once
// Everything that depends on the scale but not on the frame, prepared once per scale: the canvas, the hero
// picture fitted to cover the window, the darkening overlay with its glows, the logo and crest with their glows,
// the glow dot, the picture area, the rune and the spark sprites.
#include <array>
#include <cstdint>
#include <future>
#include <span>

#include "gfx/canvas.h"
#include "gfx/geometry.h"
#include "ui/ui_state.h"

namespace qo {

// The area over the hero picture where the sparks, the rune, the logo and the countdown move (logical px).
inline constexpr RectF PICTURE_AREA{0.0f, 58.0f, 660.0f, 478.0f};

// Extra zoom the hero layer is made with, so the background's slow zoom never uncovers an edge.
inline constexpr float HERO_ZOOM_RESERVE = 1.08f;

// Shares of the hero picture's overflow that lie left of and above the window.
inline constexpr float HERO_OVERFLOW_LEFT = 0.5f;
inline constexpr float HERO_OVERFLOW_ABOVE = 0.3f;

// The built-in pictures' boxes on screen (logical px): an override picture is fitted inside its box, aspect kept.
inline constexpr float LOGO_BOX_WIDTH = 430.0f;
inline constexpr float LOGO_BOX_HEIGHT = 130.0f;
inline constexpr float CREST_BOX_SIDE = 34.0f;

// A hero picture further from the window's shape than this factor (wider or taller) keeps only its middle part
// of that shape (cut where the cover fit lets it overflow): the rest would never be seen, only held.
inline constexpr float HERO_MAX_ASPECT_FACTOR = 2.0f;

// Pictures with more pixels than this (64 MB decoded) are not decoded: the built-in one is shown instead.
inline constexpr uint64_t PICTURE_MAX_PIXELS = 4096 * 4096;

// The device size of a width x height picture fitted inside the box, aspect kept: a picture wider than the box
// fills its width, another its height; each side at least 1.
struct DeviceSize {
  uint32_t width = 1;
  uint32_t height = 1;
};
DeviceSize fit_inside_box(uint32_t width, uint32_t height, float box_width, float box_height, float scale);

// The crest for the window's icon: the picture fitted inside the built-in crest's 256 x 256, aspect kept (an
// icon is sent to the display whole, and one too large for its requests would end the connection).
Pixmap decode_window_icon_picture(std::span<const uint8_t> crest_file);

// The part of a hero picture that is kept (whole when its shape is near the window's, see HERO_MAX_ASPECT_FACTOR).
Pixmap crop_hero_picture(Pixmap hero);

// The hero picture's logical rectangle: covering the window with the zoom reserve, overflow split evenly left
// and right and 30 % above, 70 % below.
RectF hero_cover_rect(uint32_t image_width, uint32_t image_height);

// The hero picture from its file's bytes; a transparent 16 x 16 square when they do not decode or hold more than
// PICTURE_MAX_PIXELS.
Pixmap decode_hero_picture(std::span<const uint8_t> file);
// The logo or the crest from its file's bytes; the same square in the same cases.
Pixmap decode_png_picture(std::span<const uint8_t> file);

// A transparent layer for the logical rectangle whose pixels fall on the canvas's pixels: its origin is
// floor(x s) / s (same for y) and its size ceil((x + w) s) - floor(x s) by ceil((y + h) s) - floor(y s), at
// least 1. Layers, bands and glass cuts made this way agree at fractional scales.
Canvas make_aligned_layer(float x, float y, float w, float h, float scale);

// The layer made transparent as make_aligned_layer would make it, in its own pixels when it already has that size
// and origin. The element layers are made again at every relayout (each server status, every few seconds): a new
// layer beside the old one would leave the old one's pages behind, freed but resident, amid the heap.
void remake_aligned_layer(Canvas& layer, float x, float y, float w, float h, float scale);

// Four copies of an image, each one row taller, copy k drawn k/4 device pixel lower: the floating logo then
// moves in quarter pixels with plain integer blits.
std::array<Pixmap, 4> make_subpixel_copies(const Pixmap& image);

// The visible part of an image (see VisiblePart); an image with no pixel showing gives a 1 x 1 transparent part.
VisiblePart visible_part(const Pixmap& image);

// make_subpixel_copies, each copy kept as its visible part (one whole copy at a time is made): what the floating
// logo keeps.
std::array<VisiblePart, 4> visible_subpixel_copies(const Pixmap& image);

// The hero picture decoded and resampled to its cover-fitted device size, with its logical rectangle.
struct HeroLayer {
  SharedPixmap pixels;
  RectF rect;
};

HeroLayer build_hero_layer(std::span<const uint8_t> hero_file, float scale);

// build_hero_layer on a thread of its own: the decode and resample take longer than all the other layers
// together. The bytes must outlive the future.
std::future<HeroLayer> start_hero_layer(std::span<const uint8_t> hero_file, float scale);

// Rebuilds every scaled layer at `scale`, then the spark sprites and the text layout. The hero layer, the overlay
// and the logo's glow are each made on a thread of their own while the rest is made on this one.
void rebuild_scaled_layers(UiState& ui, float scale);

// The same with the hero layer already started (start_hero_layer at the same scale), taken once the rest is made.
void rebuild_scaled_layers(UiState& ui, float scale, std::future<HeroLayer> hero);

}  // namespace qo

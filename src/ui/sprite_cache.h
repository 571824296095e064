#pragma once
// Finished text and soft shadows, kept as pixels. Drawing a line of text rasterises every glyph outline, and a
// shadow is a blur, both far dearer than copying the result; the element layers repaint the same texts and
// shadows at the same places again and again (a hover changes one colour), so each is kept, keyed by everything
// that decides its pixels, and placed again with the one pixmap composite its drawing ends with. For text that
// is face, size, letter spacing, text, scale and the pen's sub-pixel position, with a colour per picture kept; for
// a shadow its colour, size, radius, blur and scale (its pixels do not depend on where it goes).
//
// Content decides the texts, so nothing here grows with them: a line is drawn only as far as the canvas it goes
// onto can show it (a megabyte link costs a canvas-wide picture), a text keeps at most two colours (the steps of a
// hover fade replace each other), and both maps are bounded by the bytes they hold, the least recently used out.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/pixmap.h"
#include "gfx/rasterizer.h"
#include "text/font.h"

namespace qo {

struct TextSprite {
  Pixmap pixels;            // the line's coverage in its colour, premultiplied
  int32_t left = 0;         // device offset of the pixmap from the pen's whole-pixel position
  int32_t top = 0;          // and from the baseline's
  float width = 0.0f;       // the shaped run's advance, logical px
  bool has_pixels = false;  // false for a line without ink (no glyphs, or white space only)
  // Device columns, from the pen's whole-pixel position, whose pixels the picture holds; a line drawn whole holds
  // all of them.
  int64_t holds_left = INT64_MIN;
  int64_t holds_right = INT64_MAX;
};

// One text's pictures, one per colour drawn lately.
struct TextEntry {
  struct Picture {
    Color color;
    TextSprite sprite;
    uint64_t last_use = 0;
  };
  std::array<Picture, 2> pictures;
  size_t count = 0;
  size_t bytes = 0;  // key and pixels
};

// A picture kept packed: its rows and columns, each left out where it equals the one before it, and how many rows
// and columns each kept one stands for. A soft shadow is a blurred rounded rectangle whose middle rows and columns
// repeat: the settings dialog's two large ones pack to a fifth of their pixels or less.
struct PackedPixmap {
  Pixmap kept;                        // the distinct rows and columns
  std::vector<uint32_t> row_runs;     // per kept row, the rows it stands for (at least 1)
  std::vector<uint32_t> column_runs;  // per kept column, likewise
};

PackedPixmap pack_repeats(const Pixmap& pixels);
Pixmap unpack_repeats(const PackedPixmap& packed);

struct ShadowEntry {
  Pixmap pixels;                      // 1 x 1 while packed
  std::optional<PackedPixmap> packed;  // set while the shadow is kept packed
  uint64_t last_use = 0;
};

// Faces are told apart by the Font object's address: the state's fonts never change after construction, and the
// cache travels with the state, so an address always names the same slot and face. Whoever replaces a state's
// fonts empties its cache.
struct SpriteCache {
  std::unordered_map<std::string, TextEntry> texts;
  std::unordered_map<std::string, ShadowEntry> shadows;
  size_t text_bytes = 0;    // keys and pixels held in `texts`
  size_t shadow_bytes = 0;  // and in `shadows`
  uint64_t clock = 0;       // counts uses, for least recently used
  uint32_t passing = 0;     // open PassingTexts scopes: while any is, texts not kept yet are drawn but not kept
};

// While it lives, a text the cache does not hold yet is drawn as on any miss but not kept (one it holds is still
// placed from it). For texts whose colour or place changes every frame, as those fading and rising in during the
// window's intro: each frame's picture would be kept and never drawn again (the rising subtitle pill alone left 30
// such pictures, 2.5 MB at scale 2).
class PassingTexts {
 public:
  explicit PassingTexts(SpriteCache& cache) : cache_(cache) { ++cache_.passing; }
  ~PassingTexts() { --cache_.passing; }
  PassingTexts(const PassingTexts&) = delete;
  PassingTexts& operator=(const PassingTexts&) = delete;

 private:
  SpriteCache& cache_;
};

// Bytes each map may hold at scale 1; the bound grows with the square of the scale, as the pictures do (and stops
// growing at scale 8). A text or shadow larger than its whole bound is drawn without being kept. The built-in
// content's texts, settings dialog open, take about a third of their bound, and the dialog's shadows 3.4 of the
// shadows' 6 MB.
inline constexpr size_t SPRITE_CACHE_TEXT_BYTES = size_t{3} << 19;
inline constexpr size_t SPRITE_CACHE_SHADOW_BYTES = size_t{6} << 20;
// What an entry is counted for besides its key and pixels (map node, strings, bookkeeping), roughly.
inline constexpr size_t SPRITE_ENTRY_OVERHEAD_BYTES = 160;
// And at most this many entries in one map.
inline constexpr size_t SPRITE_CACHE_LIMIT = 512;

// The byte bound of the text or shadow map at `scale`.
size_t sprite_cache_text_bound(float scale);
size_t sprite_cache_shadow_bound(float scale);

// Packs every shadow (see PackedPixmap): for the moments the shadows drawn lately are not drawn for a while, as
// when the settings dialog closes. A packed shadow is unpacked when it is drawn again and kept so.
void pack_sprite_shadows(SpriteCache& cache);

// Draws one line with its pen at logical x and its baseline at logical `baseline`, through the cache; returns the
// width of the run shaped for it (of the whole text, unless only a prefix of a very long one could be seen).
float draw_cached_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                       float baseline, std::string_view text, const Color& color);

// draw_soft_shadow (same arguments, blur in logical px) through the cache.
void draw_cached_soft_shadow(SpriteCache& cache, Canvas& canvas, const Color& color, float x, float y, float w, float h,
                             float radius, float blur, const Mask* mask = nullptr);

}  // namespace qo

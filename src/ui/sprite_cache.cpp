#include "ui/sprite_cache.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <optional>

#include "gfx/image_blit.h"
#include "gfx/paint.h"
#include "gfx/rasterizer.h"
#include "gfx/row_trimmed_image.h"
#include "gfx/shapes.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"

namespace qo {
namespace {

// Texts longer than this are keyed by their first bytes, their length and a hash of the whole, so that a megabyte
// text does not keep a megabyte key.
constexpr size_t KEY_TEXT_BYTES = 1024;
// Pen positions farther than this from the canvas (device px) draw nothing.
constexpr float FARTHEST_PEN = 1 << 30;

void append_bits(std::string& key, float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v);
  key.append(reinterpret_cast<const char*>(&bits), sizeof bits);
}

void append_word(std::string& key, uint64_t v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); }

std::string text_key(const Font& font, float size, float letter_spacing, std::string_view text, float scale,
                     float frac_x, float frac_y) {
  std::string key;
  key.reserve(64 + std::min(text.size(), KEY_TEXT_BYTES));
  append_word(key, reinterpret_cast<uintptr_t>(&font));
  for (float v : {size, letter_spacing, scale, frac_x, frac_y}) append_bits(key, v);
  if (text.size() <= KEY_TEXT_BYTES) {
    key.append(text);
  } else {
    append_word(key, text.size());
    append_word(key, std::hash<std::string_view>{}(text));
    key.append(text.substr(0, KEY_TEXT_BYTES));
  }
  return key;
}

size_t pixel_bytes(const Pixmap& pixels) { return size_t{pixels.width()} * pixels.height() * 4; }

size_t picture_bytes(const TextSprite& sprite) { return sprite.has_pixels ? pixel_bytes(sprite.pixels) : 0; }

bool same_color(const Color& a, const Color& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

// The line drawn alone with its pen at (pad + frac_x, pad + frac_y) device pixels of a scratch canvas, cut to its
// ink: its pixels depend only on the run, colour, scale and fractions. The pad keeps the glyph box (ascender and
// margins above the baseline, a few pixels left of the pen) inside the scratch canvas. The box is the font's
// ascender to half the size below the baseline with margins, about twice the rows the ink takes; what lies
// outside the ink is transparent and source-over leaves the target unchanged there, so only the ink is kept.
TextSprite render_sprite(const Font& font, const GlyphRun& run, const Color& color, float scale, float frac_x,
                         float frac_y) {
  TextSprite sprite;
  sprite.width = run.width;
  if (run.glyphs.empty()) return sprite;
  const auto pad_x = static_cast<int32_t>(std::ceil(4.0f * scale)) + 4;
  const auto pad_y = static_cast<int32_t>(std::ceil((2.0f * run.size + 4.0f) * scale)) + 4;
  const float pen_x = (static_cast<float>(pad_x) + frac_x) / scale;
  const float pen_y = (static_cast<float>(pad_y) + frac_y) / scale;
  const Canvas probe = Canvas::make(1, 1, 0.0f, 0.0f, scale);
  const std::optional<GlyphLayerBox> box = glyph_layer_box(probe, font, pen_x, pen_y, run);
  if (!box || box->left < 0 || box->top < 0) return sprite;  // cannot happen with the pads above
  const uint64_t scratch_width = static_cast<uint64_t>(box->left) + box->width;
  const uint64_t scratch_height = static_cast<uint64_t>(box->top) + box->height;
  if (scratch_width > UINT32_MAX || scratch_height > UINT32_MAX ||
      !pixmap_byte_count(static_cast<uint32_t>(scratch_width), static_cast<uint32_t>(scratch_height)))
    return sprite;  // cannot happen for a run cut to a canvas
  Canvas scratch = Canvas::make(static_cast<uint32_t>(scratch_width), static_cast<uint32_t>(scratch_height), 0.0f,
                                0.0f, scale);
  draw_glyph_run(scratch, font, pen_x, pen_y, run, solid_paint(color));
  const auto ink = alpha_box(scratch.pixmap, ClipRect{box->left, box->top, box->left + static_cast<int32_t>(box->width),
                                                    box->top + static_cast<int32_t>(box->height)});
  if (!ink) return sprite;  // glyphs without ink (white space): nothing to place
  const auto ink_width = static_cast<uint32_t>(ink->x1 - ink->x0);
  sprite.pixels = Pixmap::make_for_overwrite(ink_width, static_cast<uint32_t>(ink->y1 - ink->y0));
  for (int32_t y = ink->y0; y < ink->y1; ++y) {
    const uint32_t* from = scratch.pixmap.row(static_cast<uint32_t>(y)) + ink->x0;
    std::copy_n(from, ink_width, sprite.pixels.row(static_cast<uint32_t>(y - ink->y0)));
  }
  sprite.has_pixels = true;
  sprite.left = ink->x0 - pad_x;
  sprite.top = ink->y0 - pad_y;
  return sprite;
}

// Device columns of the canvas, counted from the pen's whole pixel.
struct Columns {
  int64_t left = 0;
  int64_t right = 0;
};

// The line as far as `visible` can show it: glyphs whose ink cannot reach those columns are left out, and the
// picture spans no more than them (plus a margin), so its size follows the canvas, not the text.
TextSprite render_visible(const Font& font, float size, float letter_spacing, std::string_view text,
                          const Color& color, float scale, float frac_x, float frac_y, Columns visible) {
  // A glyph's ink lies within two ems of its pen position; the box adds a few pixels on each side.
  const float margin = 2.0f * size + 4.0f;
  const float left_edge = (static_cast<float>(visible.left) - frac_x) / scale;
  const float right_edge = (static_cast<float>(visible.right) - frac_x) / scale;
  const GlyphRun run = shape_line_reaching(font, size, letter_spacing, text, right_edge + margin);
  const bool cut_left = left_edge - margin > 0.0f;
  const bool cut_right = run.width > right_edge + margin;
  if (!cut_left && !cut_right) return render_sprite(font, run, color, scale, frac_x, frac_y);

  // The kept glyphs move left by whole device pixels, so they fall on the same pixel grid as in the whole line.
  const double shift_device = cut_left ? std::floor(static_cast<double>(left_edge - margin) * scale) : 0.0;
  const auto shift = static_cast<float>(shift_device / scale);
  GlyphRun cut;
  cut.size = run.size;
  cut.width = std::min(run.width, right_edge + margin) - shift;
  for (const PlacedGlyph& glyph : run.glyphs) {
    if (cut_left && glyph.x < left_edge - margin) continue;
    if (cut_right && glyph.x > right_edge + margin) continue;
    cut.glyphs.push_back({glyph.x - shift, glyph.glyph_id, glyph.y});
  }
  TextSprite sprite = render_sprite(font, cut, color, scale, frac_x, frac_y);
  sprite.left += static_cast<int32_t>(shift_device);
  sprite.width = run.width;
  if (cut_left) sprite.holds_left = visible.left;
  if (cut_right) sprite.holds_right = visible.right;
  return sprite;
}

bool holds(const TextSprite& sprite, Columns visible) {
  return sprite.holds_left <= visible.left && sprite.holds_right >= visible.right;
}

uint64_t last_use(const TextEntry& entry) {
  uint64_t last = 0;
  for (size_t i = 0; i < entry.count; ++i) last = std::max(last, entry.pictures[i].last_use);
  return last;
}

uint64_t last_use(const ShadowEntry& entry) { return entry.last_use; }

// Removes the least recently used entry other than `keep`; false when there is none.
template <typename Entry>
bool evict_oldest(std::unordered_map<std::string, Entry>& map, size_t& bytes, const Entry* keep,
                  size_t (*entry_bytes)(const std::string&, const Entry&)) {
  auto oldest = map.end();
  for (auto it = map.begin(); it != map.end(); ++it)
    if (&it->second != keep && (oldest == map.end() || last_use(it->second) < last_use(oldest->second))) oldest = it;
  if (oldest == map.end()) return false;
  bytes -= entry_bytes(oldest->first, oldest->second);
  map.erase(oldest);
  return true;
}

size_t text_entry_bytes(const std::string&, const TextEntry& entry) { return entry.bytes; }

size_t shadow_bytes_of(const std::string& key, const Pixmap& pixels) {
  return key.size() + pixel_bytes(pixels) + SPRITE_ENTRY_OVERHEAD_BYTES;
}

size_t packed_bytes(const PackedPixmap& packed) {
  return pixel_bytes(packed.kept) + (packed.row_runs.size() + packed.column_runs.size()) * sizeof(uint32_t);
}

size_t shadow_entry_bytes(const std::string& key, const ShadowEntry& entry) {
  if (entry.packed) return key.size() + packed_bytes(*entry.packed) + SPRITE_ENTRY_OVERHEAD_BYTES;
  return shadow_bytes_of(key, entry.pixels);
}

// Evicts the least recently used shadows other than `keep` until the map is within `bound` with `adding` bytes
// more and has room for one more entry when `adding_entry`.
void make_room_for_shadow(SpriteCache& cache, size_t adding, bool adding_entry, const ShadowEntry* keep,
                          size_t bound) {
  while ((cache.shadow_bytes + adding > bound || (adding_entry && cache.shadows.size() >= SPRITE_CACHE_LIMIT)) &&
         evict_oldest(cache.shadows, cache.shadow_bytes, keep, shadow_entry_bytes)) {
  }
}

// A packed shadow unpacked in its entry, its bytes counted anew; other shadows make room as for a new one.
void unpack_shadow(SpriteCache& cache, const std::string& key, ShadowEntry& entry, float scale) {
  const size_t before = shadow_entry_bytes(key, entry);
  Pixmap pixels = unpack_repeats(*entry.packed);
  cache.shadow_bytes -= before;
  make_room_for_shadow(cache, shadow_bytes_of(key, pixels), false, &entry, sprite_cache_shadow_bound(scale));
  entry.pixels = std::move(pixels);
  entry.packed.reset();
  cache.shadow_bytes += shadow_entry_bytes(key, entry);
}

// Keeps `sprite` as the entry's picture for `color`, in place of its least recently used one when it has two
// already, then evicts until the texts are within `bound`.
void keep_picture(SpriteCache& cache, TextEntry& entry, const Color& color, TextSprite sprite, size_t bound) {
  TextEntry::Picture* slot = nullptr;
  if (entry.count < entry.pictures.size()) {
    slot = &entry.pictures[entry.count++];
  } else {
    slot = &*std::ranges::min_element(entry.pictures, {}, &TextEntry::Picture::last_use);
    const size_t old = picture_bytes(slot->sprite);
    entry.bytes -= old;
    cache.text_bytes -= old;
  }
  const size_t added = picture_bytes(sprite);
  *slot = TextEntry::Picture{color, std::move(sprite), cache.clock};
  entry.bytes += added;
  cache.text_bytes += added;
  while (cache.text_bytes > bound && evict_oldest(cache.texts, cache.text_bytes, &entry, text_entry_bytes)) {
  }
  if (cache.text_bytes > bound && entry.count == 2) {  // this text's other colour goes too
    TextEntry::Picture& other = slot == &entry.pictures[0] ? entry.pictures[1] : entry.pictures[0];
    const size_t old = picture_bytes(other.sprite);
    entry.bytes -= old;
    cache.text_bytes -= old;
    if (&other == &entry.pictures[0]) entry.pictures[0] = std::move(entry.pictures[1]);
    entry.count = 1;
  }
}

void place(Canvas& canvas, float whole_x, float whole_y, const TextSprite& sprite, const Color& color) {
  if (color.a > 0.0f && sprite.has_pixels)
    draw_pixmap(canvas.pixmap, saturating_i32(whole_x) + sprite.left, saturating_i32(whole_y) + sprite.top,
                sprite.pixels, PixmapPaint{1.0f, BlendMode::SourceOver, FilterQuality::Nearest}, Transform::identity());
}

size_t bound_at(size_t bytes_at_one, float scale) {
  const double s = std::clamp(static_cast<double>(scale), 1.0, 8.0);
  return static_cast<size_t>(static_cast<double>(bytes_at_one) * s * s);
}

}  // namespace

PackedPixmap pack_repeats(const Pixmap& pixels) {
  const uint32_t width = pixels.width();
  const uint32_t height = pixels.height();
  PackedPixmap packed;
  std::vector<uint32_t> kept_rows;
  for (uint32_t y = 0; y < height; ++y) {
    if (y > 0 && std::equal(pixels.row(y), pixels.row(y) + width, pixels.row(y - 1))) {
      ++packed.row_runs.back();
    } else {
      kept_rows.push_back(y);
      packed.row_runs.push_back(1);
    }
  }
  std::vector<uint32_t> kept_columns;
  for (uint32_t x = 0; x < width; ++x) {
    const bool repeats = x > 0 && std::ranges::all_of(kept_rows, [&](uint32_t y) {
      return pixels.row(y)[x] == pixels.row(y)[x - 1];
    });
    if (repeats) {
      ++packed.column_runs.back();
    } else {
      kept_columns.push_back(x);
      packed.column_runs.push_back(1);
    }
  }
  packed.kept = Pixmap::make_for_overwrite(static_cast<uint32_t>(kept_columns.size()),
                                           static_cast<uint32_t>(kept_rows.size()));
  for (size_t j = 0; j < kept_rows.size(); ++j) {
    const uint32_t* from = pixels.row(kept_rows[j]);
    uint32_t* to = packed.kept.row(static_cast<uint32_t>(j));
    for (size_t i = 0; i < kept_columns.size(); ++i) to[i] = from[kept_columns[i]];
  }
  return packed;
}

Pixmap unpack_repeats(const PackedPixmap& packed) {
  uint64_t width = 0;
  for (const uint32_t run : packed.column_runs) width += run;
  uint64_t height = 0;
  for (const uint32_t run : packed.row_runs) height += run;
  Pixmap pixels = Pixmap::make_for_overwrite(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  uint32_t y = 0;
  for (size_t j = 0; j < packed.row_runs.size(); ++j) {
    const uint32_t* from = packed.kept.row(static_cast<uint32_t>(j));
    uint32_t* first = pixels.row(y);
    uint32_t* to = first;
    for (size_t i = 0; i < packed.column_runs.size(); ++i) {
      std::fill_n(to, packed.column_runs[i], from[i]);
      to += packed.column_runs[i];
    }
    for (uint32_t k = 1; k < packed.row_runs[j]; ++k) std::copy_n(first, width, pixels.row(y + k));
    y += packed.row_runs[j];
  }
  return pixels;
}

void pack_sprite_shadows(SpriteCache& cache) {
  for (auto& [key, entry] : cache.shadows) {
    if (entry.packed) continue;
    const size_t before = shadow_entry_bytes(key, entry);
    entry.packed = pack_repeats(entry.pixels);
    entry.pixels = Pixmap();
    cache.shadow_bytes = cache.shadow_bytes - before + shadow_entry_bytes(key, entry);
  }
}

size_t sprite_cache_text_bound(float scale) { return bound_at(SPRITE_CACHE_TEXT_BYTES, scale); }
size_t sprite_cache_shadow_bound(float scale) { return bound_at(SPRITE_CACHE_SHADOW_BYTES, scale); }

float draw_cached_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                       float baseline, std::string_view text, const Color& color) {
  const float device_x = (x - canvas.origin_x) * canvas.scale;
  const float device_y = (baseline - canvas.origin_y) * canvas.scale;
  const float whole_x = std::floor(device_x);
  const float whole_y = std::floor(device_y);
  if (!(std::fabs(whole_x) < FARTHEST_PEN) || !(std::fabs(whole_y) < FARTHEST_PEN)) return 0.0f;
  const float frac_x = device_x - whole_x;
  const float frac_y = device_y - whole_y;
  const auto pen = static_cast<int64_t>(whole_x);
  const Columns visible{-pen, int64_t{canvas.pixmap.width()} - pen};

  std::string key = text_key(font, size, letter_spacing, text, canvas.scale, frac_x, frac_y);
  ++cache.clock;
  auto found = cache.texts.find(key);
  if (found != cache.texts.end()) {
    TextEntry& entry = found->second;
    for (size_t i = 0; i < entry.count; ++i) {
      TextEntry::Picture& picture = entry.pictures[i];
      if (same_color(picture.color, color) && holds(picture.sprite, visible)) {
        picture.last_use = cache.clock;
        place(canvas, whole_x, whole_y, picture.sprite, color);
        return picture.sprite.width;
      }
    }
  }

  TextSprite sprite =
      render_visible(font, size, letter_spacing, text, color, canvas.scale, frac_x, frac_y, visible);
  place(canvas, whole_x, whole_y, sprite, color);
  const float width = sprite.width;
  if (cache.passing > 0) return width;
  const size_t bound = sprite_cache_text_bound(canvas.scale);
  if (key.size() + SPRITE_ENTRY_OVERHEAD_BYTES + picture_bytes(sprite) > bound) return width;  // too large to keep
  if (found == cache.texts.end()) {
    if (cache.texts.size() >= SPRITE_CACHE_LIMIT)
      evict_oldest(cache.texts, cache.text_bytes, static_cast<const TextEntry*>(nullptr), text_entry_bytes);
    const size_t key_bytes = key.size() + SPRITE_ENTRY_OVERHEAD_BYTES;
    found = cache.texts.emplace(std::move(key), TextEntry{}).first;
    found->second.bytes = key_bytes;
    cache.text_bytes += key_bytes;
  }
  keep_picture(cache, found->second, color, std::move(sprite), bound);
  return width;
}

void draw_cached_soft_shadow(SpriteCache& cache, Canvas& canvas, const Color& color, float x, float y, float w, float h,
                             float radius, float blur, const Mask* mask) {
  const float margin = soft_shadow_margin(blur);
  std::string key;
  for (float v : {color.r, color.g, color.b, color.a, w, h, radius, blur, canvas.scale}) append_bits(key, v);
  const DevicePosition at = soft_shadow_layer_position(canvas, x, y, blur);
  ++cache.clock;
  auto found = cache.shadows.find(key);
  if (found != cache.shadows.end()) {
    found->second.last_use = cache.clock;
    if (found->second.packed) unpack_shadow(cache, found->first, found->second, canvas.scale);
    draw_pixmap(canvas.pixmap, at.x, at.y, found->second.pixels, PixmapPaint{}, Transform::identity(), mask);
    return;
  }
  // Drawn alone on a transparent canvas that is exactly the shadow's own layer: the pixels are that layer's. A
  // layer past the pixmap limits is left out rather than ending the process.
  const uint32_t layer_width = device_size(w + 2.0f * margin, canvas.scale);
  const uint32_t layer_height = device_size(h + 2.0f * margin, canvas.scale);
  if (!pixmap_byte_count(layer_width, layer_height)) return;
  Canvas alone = Canvas::make(layer_width, layer_height, -margin, -margin, canvas.scale);
  draw_soft_shadow(alone, color, 0.0f, 0.0f, w, h, radius, blur);
  draw_pixmap(canvas.pixmap, at.x, at.y, alone.pixmap, PixmapPaint{}, Transform::identity(), mask);
  const size_t bound = sprite_cache_shadow_bound(canvas.scale);
  const size_t bytes = shadow_bytes_of(key, alone.pixmap);
  if (bytes > bound) return;  // too large to keep
  make_room_for_shadow(cache, bytes, true, nullptr, bound);
  cache.shadow_bytes += bytes;
  cache.shadows.emplace(std::move(key), ShadowEntry{std::move(alone.pixmap), std::nullopt, cache.clock});
}

}  // namespace qo

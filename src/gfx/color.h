#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qo {

// A straight (not premultiplied) colour, each component 0..1.
struct Color {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;

  // From 8-bit channels, each divided by 255.
  static Color from_rgba8(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);

  bool operator==(const Color&) const = default;

  // The premultiplied ARGB32 word of this colour (components clamped to 0..1, NaN read as 0).
  uint32_t premultiplied_word() const;
};

inline constexpr Color COLOR_TRANSPARENT{0.0f, 0.0f, 0.0f, 0.0f};
inline constexpr Color COLOR_BLACK{0.0f, 0.0f, 0.0f, 1.0f};
inline constexpr Color COLOR_WHITE{1.0f, 1.0f, 1.0f, 1.0f};

// One gradient stop as the UI supplies it.
struct ColorStop {
  float position = 0.0f;
  Color color;

  bool operator==(const ColorStop&) const = default;
};

// "#rgb", "#rrggbb" or "#rrggbbaa" (any number of leading '#', white space around it ignored); anything else
// gives no colour.
std::optional<Color> parse_hex_color(std::string_view text);

// A colour from components that must already lie in 0..1; anything else (NaN included) ends the process.
Color make_color(float r, float g, float b, float a);

}  // namespace qo

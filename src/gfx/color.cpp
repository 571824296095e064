#include "gfx/color.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "gfx/fatal.h"
#include "util/text.h"

namespace qo {

namespace {

float unit_clamp(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

uint32_t unit_to_byte(float v) { return static_cast<uint32_t>(unit_clamp(v) * 255.0f + 0.5f); }

int hex_digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint8_t> hex_byte(char hi, char lo) {
  const int h = hex_digit_value(hi);
  const int l = hex_digit_value(lo);
  if (h < 0 || l < 0) return std::nullopt;
  return static_cast<uint8_t>(h * 16 + l);
}

}  // namespace

Color Color::from_rgba8(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

uint32_t Color::premultiplied_word() const {
  const float alpha = unit_clamp(a);
  return (unit_to_byte(alpha) << 24) | (unit_to_byte(unit_clamp(r) * alpha) << 16) |
         (unit_to_byte(unit_clamp(g) * alpha) << 8) | unit_to_byte(unit_clamp(b) * alpha);
}

std::optional<Color> parse_hex_color(std::string_view text) {
  std::string_view s = trim_white_space(text);
  while (!s.empty() && s.front() == '#') s.remove_prefix(1);

  uint8_t channel[4] = {0, 0, 0, 255};
  if (s.size() == 3) {
    for (size_t i = 0; i < 3; ++i) {
      const int d = hex_digit_value(s[i]);
      if (d < 0) return std::nullopt;
      channel[i] = static_cast<uint8_t>(d * 17);
    }
  } else if (s.size() == 6 || s.size() == 8) {
    for (size_t i = 0; i < s.size() / 2; ++i) {
      const auto byte = hex_byte(s[2 * i], s[2 * i + 1]);
      if (!byte) return std::nullopt;
      channel[i] = *byte;
    }
  } else {
    return std::nullopt;
  }
  return Color::from_rgba8(channel[0], channel[1], channel[2], channel[3]);
}

Color make_color(float r, float g, float b, float a) {
  for (float v : {r, g, b, a}) {
    if (!(v >= 0.0f && v <= 1.0f)) gfx_fatal("colour component outside 0..1");
  }
  return {r, g, b, a};
}

}  // namespace qo

#include "icons/svg_path.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "icons/svg_arc.h"
#include "util/text.h"

namespace qo {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == ','; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void skip_separators(std::string_view& cursor) {
  size_t i = 0;
  while (i < cursor.size() && is_separator(cursor[i])) ++i;
  cursor.remove_prefix(i);
}

// Length of the number text at the start of `s`: an optional sign, then digits, the first '.', and 'e' or 'E'
// (with its own optional sign) once something has been taken.
size_t number_length(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool seen_dot = false;
  while (i < s.size()) {
    const char c = s[i];
    if (is_digit(c)) {
      ++i;
    } else if (c == '.' && !seen_dot) {
      seen_dot = true;
      ++i;
    } else if ((c == 'e' || c == 'E') && i > 0) {
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    } else {
      break;
    }
  }
  return i;
}

// Rough decimal order of magnitude of an unsigned number text (digits before the point, or minus the zeros
// right after it, plus the exponent): below zero means the value is below 1.
long decimal_magnitude(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == '0') ++i;
  long magnitude = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++magnitude;
  if (magnitude == 0 && i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] == '0') ++i, --magnitude;
  }
  const size_t e = text.find_first_of("eE");
  if (e != std::string_view::npos) {
    size_t j = e + 1;
    const bool negative = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    long exponent = 0;
    for (; j < text.size() && is_digit(text[j]); ++j) exponent = std::min(exponent * 10 + (text[j] - '0'), 1000000L);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude;
}

// Decimal text to float, locale-free and correctly rounded. Magnitudes beyond float's range give infinity, tiny
// ones 0; text that is not a complete number gives 0.
float parse_decimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars takes no sign of its own: a second one makes the text malformed.
  if (text.empty() || text.front() == '+' || text.front() == '-') return 0.0f;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  float value = 0.0f;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (end != last) return 0.0f;
  if (ec == std::errc::result_out_of_range) {
    value = decimal_magnitude(text) < 0 ? 0.0f : std::numeric_limits<float>::infinity();
  } else if (ec != std::errc{}) {
    return 0.0f;
  }
  return negative ? -value : value;
}

bool read_flag(std::string_view& cursor) {
  skip_separators(cursor);
  if (cursor.empty()) return false;
  const bool set = cursor.front() == '1';
  cursor.remove_prefix(1);
  return set;
}

Point read_point(std::string_view& cursor, Point offset) {
  const float x = svg_scan_number(cursor);
  const float y = svg_scan_number(cursor);
  return {offset.x + x, offset.y + y};
}

class PathDataReader {
 public:
  PathDataReader(PathBuilder& builder, std::string_view text) : builder_(builder), cursor_(text) {}

  void run() {
    while (next_command()) {
      if (!apply(pending_)) return;
    }
  }

 private:
  // Picks the command to run next: a letter sets it, a number repeats the pending one. False to stop.
  bool next_command() {
    skip_separators(cursor_);
    if (cursor_.empty()) return false;
    const char c = cursor_.front();
    if (is_ascii_letter(c)) {
      pending_ = c;
      cursor_.remove_prefix(1);
      return true;
    }
    if (c == '+' || c == '-' || c == '.' || is_digit(c)) return ascii_upper(pending_) != 'Z';
    return false;
  }

  // Runs one command with its numbers; false for a command this reader does not know.
  bool apply(char command) {
    const bool relative = command >= 'a' && command <= 'z';
    const Point offset = relative ? current_ : Point{};
    switch (ascii_upper(command)) {
      case 'M': {
        const Point p = read_point(cursor_, offset);
        builder_.move_to(p.x, p.y);
        start_ = current_ = p;
        pending_ = relative ? 'l' : 'L';
        return true;
      }
      case 'L': {
        const Point p = read_point(cursor_, offset);
        builder_.line_to(p.x, p.y);
        current_ = p;
        return true;
      }
      case 'H': {
        const Point p{offset.x + svg_scan_number(cursor_), current_.y};
        builder_.line_to(p.x, p.y);
        current_ = p;
        return true;
      }
      case 'V': {
        const Point p{current_.x, offset.y + svg_scan_number(cursor_)};
        builder_.line_to(p.x, p.y);
        current_ = p;
        return true;
      }
      case 'Q': {
        const Point c1 = read_point(cursor_, offset);
        const Point p = read_point(cursor_, offset);
        builder_.quad_to(c1.x, c1.y, p.x, p.y);
        current_ = p;
        return true;
      }
      case 'C': {
        const Point c1 = read_point(cursor_, offset);
        const Point c2 = read_point(cursor_, offset);
        const Point p = read_point(cursor_, offset);
        builder_.cubic_to(c1.x, c1.y, c2.x, c2.y, p.x, p.y);
        current_ = p;
        return true;
      }
      case 'A': {
        SvgArc arc;
        arc.rx = svg_scan_number(cursor_);
        arc.ry = svg_scan_number(cursor_);
        arc.x_axis_rotation_deg = svg_scan_number(cursor_);
        arc.large_arc = read_flag(cursor_);
        arc.sweep = read_flag(cursor_);
        const Point p = read_point(cursor_, offset);
        append_svg_arc(builder_, current_, arc, p);
        current_ = p;
        return true;
      }
      case 'Z':
        builder_.close();
        current_ = start_;
        return true;
      default:
        return false;
    }
  }

  PathBuilder& builder_;
  std::string_view cursor_;
  Point current_;
  Point start_;
  char pending_ = 'M';
};

}  // namespace

float svg_scan_number(std::string_view& cursor) {
  skip_separators(cursor);
  const size_t length = number_length(cursor);
  const float value = parse_decimal(cursor.substr(0, length));
  cursor.remove_prefix(length);
  return value;
}

void parse_svg_path_data(PathBuilder& builder, std::string_view text) { PathDataReader(builder, text).run(); }

}  // namespace qo

#include "util/unicode_case.h"

#include "util/utf8_decode.h"

namespace qo {
namespace {

// Latin Extended-A pairs capital/small by parity: even code points are capitals in 0100..0137 and 014A..0177,
// odd ones in 0139..0148 and 0179..017E.
bool latin_a_capital_is_even(char32_t c) { return (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177); }
bool latin_a_capital_is_odd(char32_t c) { return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E); }

char32_t simple_upper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c == 0xB5) return 0x39C;                                         // micro sign -> capital mu
    if ((c >= 0xE0 && c <= 0xFE) && c != 0xF7) return c - 0x20;         // à..þ
    if (c == 0xFF) return 0x178;                                         // ÿ -> Ÿ
    if (c == 0x131) return 'I';                                          // dotless i
    if (latin_a_capital_is_even(c) && (c & 1) == 1) return c - 1;
    if (latin_a_capital_is_odd(c) && (c & 1) == 0) return c - 1;
    if (c == 0x17F) return 'S';                                          // long s
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;         // α..ω
    if (c == 0x3C2) return 0x3A3;                                        // final sigma
    if (c >= 0x3AC && c <= 0x3AF) {                                      // ά έ ή ί
        constexpr char32_t accented[] = {0x386, 0x388, 0x389, 0x38A};
        return accented[c - 0x3AC];
    }
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;                       // ύ ώ
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                       // а..я
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;                       // ѐ..џ
    return c;
}

char32_t simple_lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if ((c >= 0xC0 && c <= 0xDE) && c != 0xD7) return c + 0x20;         // À..Þ
    if (c == 0x178) return 0xFF;
    if (latin_a_capital_is_even(c) && (c & 1) == 0 && c != 0x130) return c + 1;
    if (latin_a_capital_is_odd(c) && (c & 1) == 1) return c + 1;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;         // Α..Ω
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 0x25;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 0x3F;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                       // А..Я
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                       // Ѐ..Џ
    return c;
}

template <typename Map>
std::string map_text(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step step = decode_utf8_at(text, pos);
        if (step.valid)
            map(out, step.code_point);
        else
            out.append(text.substr(pos, step.length));
        pos += step.length;
    }
    return out;
}

}  // namespace

std::string unicode_uppercase(std::string_view text) {
    return map_text(text, [](std::string& out, char32_t c) {
        switch (c) {
            case 0xDF: out += "SS"; return;                     // ß
            case 0x149: out += "\xCA\xBCN"; return;             // ŉ -> ʼN
            default: append_utf8(out, simple_upper(c));
        }
    });
}

std::string unicode_lowercase(std::string_view text) {
    return map_text(text, [](std::string& out, char32_t c) {
        if (c == 0x130) {                                       // İ -> i + combining dot above
            out += "i\xCC\x87";
            return;
        }
        append_utf8(out, simple_lower(c));
    });
}

}  // namespace qo

#include "util/utf16.h"

#include "util/utf8_decode.h"

namespace qo {

std::u16string utf8_to_wide_z(std::string_view text) {
    std::u16string out;
    out.reserve(text.size() + 1);
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step step = decode_utf8_at(text, pos);
        pos += step.length;
        const char32_t c = step.code_point;
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    out.push_back(u'\0');
    return out;
}

std::string wide_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (high || low) {
            append_utf8(out, replacement_character);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const Utf8Step step = decode_utf8_at(bytes, pos);
        if (!step.valid) return false;
        pos += step.length;
    }
    return true;
}

std::string utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Utf8Step step = decode_utf8_at(bytes, pos);
        if (step.valid) {
            out.append(bytes.substr(pos, step.length));
        } else {
            append_utf8(out, replacement_character);
        }
        pos += step.length;
    }
    return out;
}

}  // namespace qo

#pragma once
// Fonts for the text tests: the embedded faces, each loaded once per test process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "text/font.h"
#include "util/embedded_assets.h"

namespace qo::test {

inline std::span<const std::uint8_t> embedded_font_bytes(std::string_view file) {
    return embedded_asset("fonts/" + std::string(file));
}

// A fresh font of its own (an empty outline cache), for tests that count outline builds.
inline Font load_embedded_font(std::string_view file) {
    auto font = load_font(embedded_font_bytes(file));
    if (!font) {
        ADD_FAILURE() << "cannot load the embedded font " << file;
        std::abort();
    }
    return std::move(*font);
}

inline const Font& manrope_regular() {
    static const Font font = load_embedded_font("Manrope-Regular.ttf");
    return font;
}

inline const Font& manrope_bold() {
    static const Font font = load_embedded_font("Manrope-Bold.ttf");
    return font;
}

}  // namespace qo::test

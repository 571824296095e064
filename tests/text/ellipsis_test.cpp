#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "text/shaping.h"
#include "text/text_fixtures.h"

namespace qo {
namespace {

constexpr float SIZE = 14.0f;
const std::string ELLIPSIS = "\xE2\x80\xA6";

float width_of(std::string_view text) { return shape_line(test::manrope_regular(), SIZE, 0, text, false).width; }

std::string fit(float max_width, std::string_view text) {
    return fit_text_ellipsis(test::manrope_regular(), SIZE, max_width, text);
}

// The smallest width limit at which `width` still counts as fitting.
float tightest_limit_for(float width) {
    float limit = width - ELLIPSIS_FIT_EPSILON;
    while (limit + ELLIPSIS_FIT_EPSILON < width) limit = std::nextafter(limit, INFINITY);
    while (std::nextafter(limit, -INFINITY) + ELLIPSIS_FIT_EPSILON >= width) limit = std::nextafter(limit, -INFINITY);
    return limit;
}

TEST(Ellipsis, TextThatFitsIsReturnedWhole) {
    EXPECT_EQ(fit(1000, "Servidor online"), "Servidor online");
    EXPECT_EQ(fit(0, ""), "");
    const float width = width_of("Servidor");
    const float limit = tightest_limit_for(width);
    EXPECT_EQ(fit(limit, "Servidor"), "Servidor");
    // Below that limit the text no longer fits, and one more letter never fits the limit.
    EXPECT_NE(fit(std::nextafter(limit, -INFINITY), "Servidor"), "Servidor");
    std::string longer = fit(limit, "Servidore");
    EXPECT_EQ(longer.substr(longer.size() - ELLIPSIS.size()), ELLIPSIS);
    EXPECT_EQ(longer.substr(0, 5), "Servi");
}

TEST(Ellipsis, KeepsTheLongestPrefixThatFitsWithTheEllipsis) {
    const std::string text = "Verificando arquivos do cliente";
    for (float max_width : {40.0f, 75.5f, 120.0f, 180.0f}) {
        std::string result = fit(max_width, text);
        ASSERT_GE(result.size(), ELLIPSIS.size());
        ASSERT_EQ(result.substr(result.size() - ELLIPSIS.size()), ELLIPSIS);
        std::string prefix = result.substr(0, result.size() - ELLIPSIS.size());
        EXPECT_EQ(text.substr(0, prefix.size()), prefix);
        EXPECT_LE(width_of(result), max_width + ELLIPSIS_FIT_EPSILON) << max_width;
        // One more character would not fit (unless the cut fell on a dropped space).
        std::string one_more = text.substr(0, prefix.size() + 1);
        if (one_more.back() != ' ') {
            EXPECT_GT(width_of(one_more + ELLIPSIS), max_width + ELLIPSIS_FIT_EPSILON);
        }
    }
}

TEST(Ellipsis, CutsBetweenCharactersNeverInsideOne) {
    const std::string text = "Atualização concluída";  // several two-byte letters
    for (float max_width = 10; max_width < width_of(text); max_width += 3) {
        std::string result = fit(max_width, text);
        std::string prefix = result.substr(0, result.size() - ELLIPSIS.size());
        ASSERT_EQ(text.substr(0, prefix.size()), prefix);
        if (!prefix.empty() && prefix.size() < text.size()) {
            EXPECT_NE(static_cast<unsigned char>(text[prefix.size()]) & 0xC0, 0x80) << max_width;
        }
    }
}

TEST(Ellipsis, DropsTrailingSpacesOfThePrefixOnly) {
    // The best prefix is "ab " (the width of "ab …" exactly); its space goes before the ellipsis is added.
    EXPECT_EQ(fit(width_of("ab " + ELLIPSIS), "ab cd"), "ab" + ELLIPSIS);
    EXPECT_EQ(fit(width_of("ab   " + ELLIPSIS), "ab   cd"), "ab" + ELLIPSIS);
    // Other white space stays.
    const std::string nbsp = "\xC2\xA0";
    EXPECT_EQ(fit(width_of("ab" + nbsp + ELLIPSIS), "ab" + nbsp + "cd"), "ab" + nbsp + ELLIPSIS);
}

TEST(Ellipsis, NothingFitsGivesTheEllipsisAlone) {
    EXPECT_EQ(fit(-5, "Servidor"), ELLIPSIS);
    EXPECT_EQ(fit(-5, ""), ELLIPSIS);
    EXPECT_EQ(fit(1, "Servidor"), ELLIPSIS);  // narrower than the ellipsis itself
    EXPECT_EQ(fit(width_of(" " + ELLIPSIS), "  x"), ELLIPSIS);  // the prefix was spaces only
}

}  // namespace
}  // namespace qo

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "text/coverage.h"
#include "text/text_tuning.h"

namespace qo {
namespace {

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

TEST(CoverageCurve, BlackTextKeepsItsCoverage) {
    CoverageLut lut = build_coverage_lut(TextTuning{}, coverage_inputs_for_color(0, 0, 0, 1));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(lut[i], i);

    std::vector<std::uint32_t> pixels{argb(0, 0, 0, 0), argb(128, 0, 0, 0), argb(255, 0, 0, 0), argb(17, 0, 0, 0)};
    const auto before = pixels;
    remap_coverage(pixels, lut);
    EXPECT_EQ(pixels, before);
}

TEST(CoverageCurve, WhiteTextGetsABolderCurve) {
    CoverageInputs white = coverage_inputs_for_color(1, 1, 1, 1);
    EXPECT_NEAR(white.luminance, 1.0f, 1e-6);
    CoverageLut lut = build_coverage_lut(TextTuning{}, white);
    const auto expected_128 = static_cast<int>(std::round(255 * (1 - std::pow(1 - 128.0 / 255, 2.4))));
    EXPECT_EQ(lut[128], expected_128);
    EXPECT_EQ(lut[0], 0);
    EXPECT_EQ(lut[255], 255);
    for (int i = 1; i < 255; ++i) EXPECT_GE(lut[i], i) << i;

    // A half-covered white pixel becomes the tuned coverage, colour channels scaled with it.
    std::vector<std::uint32_t> pixels{argb(128, 128, 128, 128)};
    remap_coverage(pixels, lut);
    const auto a = static_cast<std::uint32_t>(expected_128);
    EXPECT_EQ(pixels[0], argb(a, a, a, a));
}

TEST(CoverageCurve, PaintAlphaCapsTheCoverage) {
    CoverageInputs half_white = coverage_inputs_for_color(1, 1, 1, 0.5f);
    CoverageLut lut = build_coverage_lut(TextTuning{}, half_white);
    EXPECT_EQ(lut[128], 128);  // t reaches 1 at i = 128
    EXPECT_EQ(lut[255], 128);
    for (int i = 0; i < 256; ++i) EXPECT_LE(lut[i], 128) << i;

    // A fully transparent paint still gives a usable table (alpha clamped to 1/255).
    CoverageLut clear = build_coverage_lut(TextTuning{}, coverage_inputs_for_color(0, 0, 0, 0));
    EXPECT_EQ(clear[255], 1);
    EXPECT_EQ(clear[1], 1);
}

TEST(CoverageCurve, NonSolidPaintUsesTheWhiteCurve) {
    CoverageLut shader = build_coverage_lut(TextTuning{}, CoverageInputs{});
    CoverageLut white = build_coverage_lut(TextTuning{}, coverage_inputs_for_color(1, 1, 1, 1));
    EXPECT_EQ(shader, white);
}

TEST(CoverageCurve, RemapKeepsPremultipliedChannelsWithinAlpha) {
    CoverageLut lut = build_coverage_lut(TextTuning{}, CoverageInputs{});
    std::vector<std::uint32_t> pixels{argb(100, 100, 50, 0), argb(3, 3, 2, 1), argb(255, 255, 255, 255)};
    remap_coverage(pixels, lut);
    // (c * a' + a / 2) / a, capped at a'.
    const std::uint32_t a0 = lut[100];
    EXPECT_EQ(pixels[0], argb(a0, std::min(a0, (100 * a0 + 50) / 100), (50 * a0 + 50) / 100, 0));
    const std::uint32_t a1 = lut[3];
    EXPECT_EQ(pixels[1], argb(a1, std::min(a1, (3 * a1 + 1) / 3), (2 * a1 + 1) / 3, (1 * a1 + 1) / 3));
    EXPECT_EQ(pixels[2], argb(255, 255, 255, 255));
    for (std::uint32_t p : pixels)
        for (int shift = 0; shift < 24; shift += 8) EXPECT_LE((p >> shift) & 0xFF, p >> 24);
}

TEST(CoverageCurve, TuningChangesTheExponent) {
    // g0 = 2 darkens the black-text curve; k = 0 makes colour irrelevant.
    CoverageLut heavy = build_coverage_lut(TextTuning{2.0f, 0.0f}, coverage_inputs_for_color(0, 0, 0, 1));
    EXPECT_EQ(heavy[128], static_cast<int>(std::round(255 * (1 - std::pow(1 - 128.0 / 255, 2.0)))));
    EXPECT_EQ(build_coverage_lut(TextTuning{2.0f, 0.0f}, coverage_inputs_for_color(1, 1, 1, 1)), heavy);
    // A NaN exponent gives 0 rather than garbage.
    CoverageLut broken = build_coverage_lut(TextTuning{NAN, 1.4f}, CoverageInputs{});
    EXPECT_EQ(broken[128], 0);
}

TEST(TextTuningValues, DefaultsHoldForMissingOrMalformedValues) {
    TextTuning defaults = tuning_from_values(std::nullopt, std::nullopt);
    EXPECT_EQ(defaults.g0, 1.0f);
    EXPECT_EQ(defaults.k, 1.4f);
    TextTuning junk = tuning_from_values("abc", " 2");
    EXPECT_EQ(junk.g0, 1.0f);
    EXPECT_EQ(junk.k, 1.4f);
    TextTuning set = tuning_from_values("0.8", "-2e-1");
    EXPECT_EQ(set.g0, 0.8f);
    EXPECT_EQ(set.k, -0.2f);
}

TEST(TextTuningValues, AcceptsPlainDecimalFloatSyntaxOnly) {
    EXPECT_EQ(parse_tuning_value("1"), 1.0f);
    EXPECT_EQ(parse_tuning_value("+1.5"), 1.5f);
    EXPECT_EQ(parse_tuning_value("-.5"), -0.5f);
    EXPECT_EQ(parse_tuning_value("2."), 2.0f);
    EXPECT_EQ(parse_tuning_value("1E2"), 100.0f);
    EXPECT_EQ(parse_tuning_value("inf"), INFINITY);
    EXPECT_EQ(parse_tuning_value("-Infinity"), -INFINITY);
    EXPECT_EQ(parse_tuning_value("1e40"), INFINITY);  // beyond a float: rounds to infinity
    EXPECT_EQ(parse_tuning_value("1e-60"), 0.0f);
    ASSERT_TRUE(parse_tuning_value("NaN"));
    EXPECT_TRUE(std::isnan(*parse_tuning_value("NaN")));
    for (std::string_view bad : {"", " 1", "1 ", "1.0f", "0x10", "--1", "+-1", ".", "e5", ".e5", "1e", "nan(1)",
                                 "1,5", "infinit"})
        EXPECT_FALSE(parse_tuning_value(bad)) << bad;
}

}  // namespace
}  // namespace qo

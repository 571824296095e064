#include "platform/display_scale.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qo {
namespace {

TEST(DisplayScale, XftDpiFromResourceText) {
    struct Case {
        const char* resources;
        std::optional<double> dpi;
        std::optional<double> scale;
    };
    const std::vector<Case> cases = {
        {"Xft.dpi:\t96\n", 96, 1.0},
        {"Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n", 192, 2.0},
        {"Xft.dpi: 144.5 \n", 144.5, 144.5 / 96},
        {"Xft*dpi:\t120\n", 120, 1.25},  // a loose binding matches too
        {"Xcursor.size:\t24\n", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"Xft.dpi:\tmuitos\n", std::nullopt, std::nullopt},
        {"Xft.dpi:\t96dpi\n", std::nullopt, std::nullopt},
        {"Xft.dpi:\t0\n", std::nullopt, std::nullopt},
        {"Xft.dpi:\t-96\n", std::nullopt, std::nullopt},
        {"Xft.dpi:\tinf\n", std::nullopt, std::nullopt},
        {"Xft.dpi:\t24\n", 24, 0.5},     // clamped up
        {"Xft.dpi:\t9600\n", 9600, 3.0}, // clamped down: a mistyped value must not ask for huge pictures
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resources);
        EXPECT_EQ(xft_dpi_from_resources(c.resources), c.dpi);
        EXPECT_EQ(scale_from_resources(c.resources), c.scale);
    }
}

}  // namespace
}  // namespace qo

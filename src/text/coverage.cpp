#include "text/coverage.h"

#include <algorithm>
#include <cmath>

namespace qo {

CoverageInputs coverage_inputs_for_color(float r, float g, float b, float a) {
    return {0.2126f * r + 0.7152f * g + 0.0722f * b, std::clamp(a, 1.0f / 255.0f, 1.0f)};
}

CoverageLut build_coverage_lut(const TextTuning& tuning, CoverageInputs inputs) {
    const float gamma = tuning.g0 + tuning.k * inputs.luminance * inputs.luminance;
    const float alpha = inputs.alpha;
    CoverageLut lut{};
    for (int i = 0; i < 256; ++i) {
        float t = std::min(static_cast<float>(i) / 255.0f / alpha, 1.0f);
        float v = std::round(alpha * (1.0f - std::pow(1.0f - t, gamma)) * 255.0f);
        lut[i] = std::isnan(v) ? 0 : static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
    }
    return lut;
}

void remap_coverage(std::span<std::uint32_t> pixels, const CoverageLut& lut) {
    for (std::uint32_t& pixel : pixels) {
        const std::uint32_t alpha = pixel >> 24;
        const std::uint32_t tuned = lut[alpha];
        if (alpha == 0 || tuned == alpha) continue;
        std::uint32_t out = tuned << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            std::uint32_t c = (pixel >> shift) & 0xFF;
            out |= std::min((c * tuned + alpha / 2) / alpha, tuned) << shift;
        }
        pixel = out;
    }
}

}  // namespace qo

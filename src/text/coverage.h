#pragma once
// Retuning of text anti-aliasing coverage: darker text keeps its coverage, lighter text gets a bolder curve.
#include <array>
#include <cstdint>
#include <span>

#include "text/text_tuning.h"

namespace qo {

using CoverageLut = std::array<std::uint8_t, 256>;

// What the curve depends on: the paint's luminance (0..1) and its alpha (straight, 0..1).
struct CoverageInputs {
    float luminance = 1.0f;
    float alpha = 1.0f;
};

// Inputs for a solid straight colour; shaders other than a solid colour use the defaults (white, opaque).
CoverageInputs coverage_inputs_for_color(float r, float g, float b, float a);

// Maps a coverage (layer alpha) 0..255 to the tuned coverage: exponent g0 + k * L^2, capped at the paint alpha.
CoverageLut build_coverage_lut(const TextTuning& tuning, CoverageInputs inputs);

// Applies the table to premultiplied ARGB32 pixels, scaling the colour channels with their alpha.
void remap_coverage(std::span<std::uint32_t> pixels, const CoverageLut& lut);

}  // namespace qo

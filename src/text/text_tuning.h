#pragma once
// Process-wide tuning of the anti-aliasing coverage curve of text, read once from the environment.
#include <optional>
#include <string_view>

namespace qo {

struct TextTuning {
    float g0 = 1.0f;  // base exponent of the coverage curve
    float k = 1.4f;   // weight of the text colour's luminance in the exponent
};

// Reads "KX_TG0" and "KX_TGK" once per process (later calls do nothing); a missing or malformed value keeps
// its default.
void init_text_tuning_from_env();

// The tuning in force; reads the environment on first use.
const TextTuning& text_tuning();

// A decimal float as the tuning variables accept it: optional sign, digits with an optional point and exponent,
// or "inf"/"infinity"/"nan" in any case; no surrounding blanks.
std::optional<float> parse_tuning_value(std::string_view text);

// The tuning for the given variable values (absent when unset).
TextTuning tuning_from_values(std::optional<std::string_view> g0, std::optional<std::string_view> k);

}  // namespace qo

#include "text/text_tuning.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace qo {
namespace {

TextTuning g_tuning;
std::once_flag g_tuning_once;

std::optional<std::string_view> environment_value(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string_view(value);
}

bool is_digit_or_point(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// A number too large or too small for a float becomes infinity or zero, as a decimal-to-float conversion rounds.
float out_of_range_value(std::string_view body) {
    double wide = 0;
    if (std::from_chars(body.data(), body.data() + body.size(), wide, std::chars_format::general).ec == std::errc{})
        return static_cast<float>(wide);
    std::size_t exponent = body.find_first_of("eE");
    bool tiny = exponent != std::string_view::npos && exponent + 1 < body.size() && body[exponent + 1] == '-';
    return tiny ? 0.0f : std::numeric_limits<float>::infinity();
}

}  // namespace

std::optional<float> parse_tuning_value(std::string_view text) {
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // from_chars takes no '+', no second sign and accepts "nan(...)"; keep to the plain forms.
    if (body.empty() || body.front() == '+' || body.front() == '-' || body.find('(') != std::string_view::npos)
        return std::nullopt;
    // A lone point or a point-led exponent ("." / ".e1") is no number.
    if (body.front() == '.' && (body.size() == 1 || !is_digit_or_point(body[1]))) return std::nullopt;
    const char* first = body.data();
    const char* last = body.data() + body.size();
    float value = 0;
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range && end == last) value = out_of_range_value(body);
    else if (error != std::errc{} || end != last) return std::nullopt;
    return negative ? -value : value;
}

TextTuning tuning_from_values(std::optional<std::string_view> g0, std::optional<std::string_view> k) {
    TextTuning tuning;
    if (auto value = g0 ? parse_tuning_value(*g0) : std::nullopt) tuning.g0 = *value;
    if (auto value = k ? parse_tuning_value(*k) : std::nullopt) tuning.k = *value;
    return tuning;
}

void init_text_tuning_from_env() {
    std::call_once(g_tuning_once,
                   [] { g_tuning = tuning_from_values(environment_value("KX_TG0"), environment_value("KX_TGK")); });
}

const TextTuning& text_tuning() {
    init_text_tuning_from_env();
    return g_tuning;
}

}  // namespace qo

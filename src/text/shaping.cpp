#include "text/shaping.h"

#include <hb.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace qo {
namespace {

struct BufferDeleter {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};

// Byte offsets where each Unicode scalar value starts (continuation bytes never start one).
std::vector<std::size_t> scalar_starts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    return starts;
}

float measure(const Font& font, float size, float letter_spacing, std::string_view text) {
    return shape_line(font, size, letter_spacing, text, false).width;
}

hb_language_t neutral_language() {
    static const hb_language_t language = hb_language_from_string("und", -1);
    return language;
}

constexpr std::string_view ELLIPSIS = "\xE2\x80\xA6";  // U+2026

}  // namespace

namespace {

// Shapes `text` into `run`; returns the direction the engine settled on.
hb_direction_t shape_into(GlyphRun& run, const Font& font, float size, float letter_spacing, std::string_view text,
                          bool tabular) {
    run.size = size;
    if (text.empty()) return HB_DIRECTION_LTR;

    std::unique_ptr<hb_buffer_t, BufferDeleter> buffer(hb_buffer_create());
    const std::size_t length = std::min<std::size_t>(text.size(), std::numeric_limits<int>::max());
    hb_buffer_add_utf8(buffer.get(), text.data(), static_cast<int>(length), 0, -1);
    // A fixed neutral language: left unset, the engine would take it from the process locale, and a locale's
    // language-specific forms (Turkish has no "fi" ligature) would change how the launcher's texts look.
    hb_buffer_set_language(buffer.get(), neutral_language());
    hb_buffer_guess_segment_properties(buffer.get());
    const hb_feature_t tnum{HB_TAG('t', 'n', 'u', 'm'), 1, 0, std::numeric_limits<unsigned>::max()};
    hb_shape(font.shaping_font(), buffer.get(), tabular ? &tnum : nullptr, tabular ? 1 : 0);

    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
    const float k = size / font.units_per_em();
    float pen = 0;
    run.glyphs.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        run.glyphs.push_back({pen + k * static_cast<float>(positions[i].x_offset),
                              static_cast<std::uint16_t>(infos[i].codepoint),
                              -k * static_cast<float>(positions[i].y_offset)});
        pen += k * static_cast<float>(positions[i].x_advance);
        bool cluster_ends = i + 1 == count || infos[i + 1].cluster != infos[i].cluster;
        if (cluster_ends) pen += letter_spacing;
    }
    run.width = pen;
    return hb_buffer_get_direction(buffer.get());
}

// The largest scalar boundary at or below `bytes`.
std::size_t scalar_boundary_at_or_below(std::string_view text, std::size_t bytes) {
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
    return bytes;
}

}  // namespace

GlyphRun shape_line(const Font& font, float size, float letter_spacing, std::string_view text, bool tabular) {
    GlyphRun run;
    shape_into(run, font, size, letter_spacing, text, tabular);
    return run;
}

GlyphRun shape_line_reaching(const Font& font, float size, float letter_spacing, std::string_view text,
                             float reach) {
    // The glyphs a cut changes (a ligature or a mark broken apart at the cut) lie within a few ems of it.
    const float needed = reach + SHAPING_CUT_CONTEXT_EMS * size;
    for (std::size_t bytes = SHAPING_PREFIX_BYTES; bytes < text.size(); bytes *= 4) {
        GlyphRun run;
        const std::string_view prefix = text.substr(0, scalar_boundary_at_or_below(text, bytes));
        const hb_direction_t direction = shape_into(run, font, size, letter_spacing, prefix, false);
        if (direction != HB_DIRECTION_LTR) break;  // the line's left end is the text's end: shaped whole below
        if (run.width >= needed) return run;
    }
    return shape_line(font, size, letter_spacing, text, false);
}

std::size_t fitting_scalar_bound(float size, float max_width) {
    constexpr float SCALARS_PER_EM = 8.0f;
    constexpr float MOST = 1.0e6f;
    const float per_pixel = SCALARS_PER_EM / std::max(size, 1.0f);
    const float bound = std::clamp(std::ceil(std::max(max_width, 0.0f) * per_pixel), 0.0f, MOST);
    return 16 + static_cast<std::size_t>(bound);
}

std::string_view first_scalars(std::string_view text, std::size_t max_scalars) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen == max_scalars) return text.substr(0, i);
        ++seen;
    }
    return text;
}

std::string fit_text_ellipsis(const Font& font, float size, float max_width, std::string_view text,
                              float letter_spacing) {
    const float limit = max_width + ELLIPSIS_FIT_EPSILON;
    const std::string_view bounded = first_scalars(text, fitting_scalar_bound(size, max_width));
    const bool cut = bounded.size() < text.size();
    if (!cut && measure(font, size, letter_spacing, text) <= limit) return std::string(text);

    const std::vector<std::size_t> starts = scalar_starts(bounded);
    auto prefix = [&](std::size_t chars) {
        return bounded.substr(0, chars < starts.size() ? starts[chars] : bounded.size());
    };
    std::size_t lo = 0;
    std::size_t hi = starts.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi + 1) / 2;
        std::string candidate = std::string(prefix(mid)) + std::string(ELLIPSIS);
        if (measure(font, size, letter_spacing, candidate) <= limit)
            lo = mid;
        else
            hi = mid - 1;
    }
    std::string_view kept = prefix(lo);
    while (!kept.empty() && kept.back() == ' ') kept.remove_suffix(1);
    return std::string(kept) + std::string(ELLIPSIS);
}

}  // namespace qo

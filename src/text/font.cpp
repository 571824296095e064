#include "text/font.h"

#include <hb-ot.h>
#include <hb.h>

#include <cmath>
#include <limits>

namespace qo {
namespace {

constexpr std::uint32_t TAG_TRUETYPE = 0x00010000;
constexpr std::uint32_t TAG_OTTO = 0x4F54544F;  // "OTTO": CFF outlines
constexpr std::uint32_t TAG_TRUE = 0x74727565;  // "true"
constexpr std::uint32_t TAG_TTCF = 0x74746366;  // "ttcf": collection

std::uint32_t read_u32_be(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           std::uint32_t{bytes[at + 3]};
}

bool is_single_face_signature(std::uint32_t tag) {
    return tag == TAG_TRUETYPE || tag == TAG_OTTO || tag == TAG_TRUE;
}

// Judges the container by its first four bytes; a collection must hold a face whose first offset points at a
// single-face signature inside the data.
bool has_font_signature(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4) return false;
    std::uint32_t tag = read_u32_be(bytes, 0);
    if (is_single_face_signature(tag)) return true;
    if (tag != TAG_TTCF || bytes.size() < 16) return false;
    std::uint32_t face_count = read_u32_be(bytes, 8);
    std::uint64_t first_offset = read_u32_be(bytes, 12);
    if (face_count == 0 || first_offset + 4 > bytes.size()) return false;
    return is_single_face_signature(read_u32_be(bytes, static_cast<std::size_t>(first_offset)));
}

unsigned table_length(hb_face_t* face, hb_tag_t tag) {
    hb_blob_t* table = hb_face_reference_table(face, tag);
    unsigned length = hb_blob_get_length(table);
    hb_blob_destroy(table);
    return length;
}

// The big-endian 32-bit word at `at` of a table; 0 when the table is shorter.
std::uint32_t table_u32(hb_face_t* face, hb_tag_t tag, unsigned at) {
    hb_blob_t* table = hb_face_reference_table(face, tag);
    unsigned length = 0;
    const char* data = hb_blob_get_data(table, &length);
    const std::uint32_t value =
        at + 4 <= length ? read_u32_be({reinterpret_cast<const std::uint8_t*>(data), length}, at) : 0;
    hb_blob_destroy(table);
    return value;
}

// The maximum profile must be version 0.5 (CFF outlines) or 1.0 (TrueType outlines) and count at least one
// glyph; anything else is a table the parser rejects.
bool has_valid_maximum_profile(hb_face_t* face) {
    constexpr hb_tag_t MAXP = HB_TAG('m', 'a', 'x', 'p');
    if (table_length(face, MAXP) < 6) return false;
    const std::uint32_t version = table_u32(face, MAXP, 0);
    const std::uint32_t glyph_count = table_u32(face, MAXP, 2) & 0xFFFF;
    return (version == 0x00005000 || version == 0x00010000) && glyph_count != 0;
}

// The tables every face needs for shaping and metrics, at their smallest valid sizes, and a sane em size.
bool has_required_tables(hb_face_t* face) {
    if (table_length(face, HB_TAG('h', 'e', 'a', 'd')) < 54) return false;
    if (table_length(face, HB_TAG('h', 'h', 'e', 'a')) < 36) return false;
    if (!has_valid_maximum_profile(face)) return false;
    const unsigned upem = table_u32(face, HB_TAG('h', 'e', 'a', 'd'), 16) & 0xFFFF;
    return upem >= 16 && upem <= 16384;
}

}  // namespace

void Font::HbDeleter::operator()(hb_blob_t* p) const { hb_blob_destroy(p); }
void Font::HbDeleter::operator()(hb_face_t* p) const { hb_face_destroy(p); }
void Font::HbDeleter::operator()(hb_font_t* p) const { hb_font_destroy(p); }

std::optional<Font> load_font(std::span<const std::uint8_t> bytes) {
    if (!has_font_signature(bytes) || bytes.size() > std::numeric_limits<unsigned>::max()) return std::nullopt;
    Font font;
    font.blob_.reset(hb_blob_create(reinterpret_cast<const char*>(bytes.data()), static_cast<unsigned>(bytes.size()),
                                    HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    font.face_.reset(hb_face_create(font.blob_.get(), 0));
    if (!has_required_tables(font.face_.get())) return std::nullopt;
    font.font_.reset(hb_font_create(font.face_.get()));  // scale stays at units per em
    font.units_per_em_ = static_cast<float>(hb_face_get_upem(font.face_.get()));
    hb_position_t ascender = 0;
    hb_position_t descender = 0;
    hb_ot_metrics_get_position_with_fallback(font.font_.get(), HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &ascender);
    hb_ot_metrics_get_position_with_fallback(font.font_.get(), HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &descender);
    font.ascender_ = static_cast<float>(ascender);
    font.descender_ = -static_cast<float>(descender);
    return font;
}

float baseline_offset(const Font& font, float size) {
    return std::round(font.ascender() * size / font.units_per_em());
}

}  // namespace qo

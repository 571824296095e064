#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "support/temp_dir.h"
#include "text/font.h"
#include "text/shaping.h"
#include "text/text_fixtures.h"

namespace qo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes to_bytes(std::span<const std::uint8_t> span) { return Bytes(span.begin(), span.end()); }

void put_u32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t get_u32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// A collection of the given single-face files: the header, then each face with its table offsets moved to
// count from the start of the collection.
Bytes make_collection(const std::vector<Bytes>& faces) {
    Bytes out(12 + 4 * faces.size(), 0);
    put_u32(out, 0, 0x74746366);  // "ttcf"
    put_u32(out, 4, 0x00010000);
    put_u32(out, 8, static_cast<std::uint32_t>(faces.size()));
    for (std::size_t f = 0; f < faces.size(); ++f) {
        while (out.size() % 4 != 0) out.push_back(0);
        const auto base = static_cast<std::uint32_t>(out.size());
        put_u32(out, 12 + 4 * f, base);
        Bytes face = faces[f];
        const unsigned tables = face[4] << 8 | face[5];
        for (unsigned t = 0; t < tables; ++t) {
            const std::size_t record = 12 + 16 * t;
            put_u32(face, record + 8, get_u32(face, record + 8) + base);
        }
        out.insert(out.end(), face.begin(), face.end());
    }
    return out;
}

float width_of(const Font& font, std::string_view text) { return shape_line(font, 40, 0, text, false).width; }

TEST(FontLoading, EmbeddedFacesLoadWithTheirMetrics) {
    for (auto file : {"Manrope-Regular.ttf", "Manrope-Medium.ttf", "Manrope-SemiBold.ttf", "Manrope-Bold.ttf",
                      "Urbanist-Bold.ttf", "Urbanist-ExtraBold.ttf"}) {
        auto font = load_font(test::embedded_font_bytes(file));
        ASSERT_TRUE(font) << file;
        EXPECT_EQ(font->units_per_em(), 2000.0f) << file;
        EXPECT_GT(font->ascender(), 0.0f) << file;
        EXPECT_GT(font->descender(), 0.0f) << file;  // a depth, so positive
    }
    const Font& manrope = test::manrope_regular();
    EXPECT_EQ(manrope.ascender(), 2132.0f);
    EXPECT_EQ(manrope.descender(), 600.0f);
    EXPECT_EQ(baseline_offset(manrope, 13.0f), 14.0f);  // 2132 * 13 / 2000 = 13.858
    EXPECT_EQ(baseline_offset(manrope, 15.0f), 16.0f);  // 15.99
}

TEST(FontLoading, CollectionLoadsItsFirstFace) {
    Bytes bold = to_bytes(test::embedded_font_bytes("Manrope-Bold.ttf"));
    Bytes regular = to_bytes(test::embedded_font_bytes("Manrope-Regular.ttf"));
    Bytes collection = make_collection({bold, regular});
    auto font = load_font(collection);
    ASSERT_TRUE(font);
    EXPECT_FLOAT_EQ(width_of(*font, "Servidor"), width_of(test::manrope_bold(), "Servidor"));
    EXPECT_NE(width_of(*font, "Servidor"), width_of(test::manrope_regular(), "Servidor"));

    Bytes swapped = make_collection({regular, bold});
    auto first_regular = load_font(swapped);
    ASSERT_TRUE(first_regular);
    EXPECT_FLOAT_EQ(width_of(*first_regular, "Servidor"), width_of(test::manrope_regular(), "Servidor"));
}

TEST(FontLoading, BrokenCollectionsLoadNothing) {
    Bytes regular = to_bytes(test::embedded_font_bytes("Manrope-Regular.ttf"));
    Bytes no_faces = make_collection({regular});
    put_u32(no_faces, 8, 0);
    EXPECT_FALSE(load_font(no_faces));

    Bytes offset_past_end = make_collection({regular});
    put_u32(offset_past_end, 12, static_cast<std::uint32_t>(offset_past_end.size() - 2));
    EXPECT_FALSE(load_font(offset_past_end));

    Bytes offset_to_garbage = make_collection({regular});
    put_u32(offset_to_garbage, 12, 0);  // points at "ttcf" itself
    EXPECT_FALSE(load_font(offset_to_garbage));

    EXPECT_FALSE(load_font(make_collection({})));
}

TEST(FontLoading, BytesThatAreNoFontLoadNothing) {
    const Bytes three{0x00, 0x01, 0x00};
    EXPECT_FALSE(load_font(three));
    EXPECT_FALSE(load_font(Bytes{}));

    Bytes wrong_signature = to_bytes(test::embedded_font_bytes("Manrope-Regular.ttf"));
    put_u32(wrong_signature, 0, 0x774F4646);  // "wOFF": a web font wrapper is not accepted
    EXPECT_FALSE(load_font(wrong_signature));

    // The right signature in front of nothing usable.
    Bytes signature_only{0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(load_font(signature_only));
    Bytes cut_short = to_bytes(test::embedded_font_bytes("Manrope-Regular.ttf"));
    cut_short.resize(400);  // the table directory survives, the tables do not
    EXPECT_FALSE(load_font(cut_short));
}

// Offset of a table of a single-face file, found through its table directory.
std::size_t table_offset(const Bytes& face, std::uint32_t tag) {
    const unsigned tables = face[4] << 8 | face[5];
    for (unsigned t = 0; t < tables; ++t) {
        if (get_u32(face, 12 + 16 * t) == tag) return get_u32(face, 12 + 16 * t + 8);
    }
    ADD_FAILURE() << "no table " << std::hex << tag;
    return 0;
}

TEST(FontLoading, InvalidMaximumProfileLoadsNothing) {
    const Bytes regular = to_bytes(test::embedded_font_bytes("Manrope-Regular.ttf"));
    const std::size_t maxp = table_offset(regular, 0x6D617870);  // "maxp": version (16.16), then the glyph count
    struct Case {
        std::uint32_t version;
        std::uint16_t glyphs;
        bool loads;
    };
    for (auto [version, glyphs, loads] : {Case{0x00010000, 1, true}, Case{0x00005000, 400, true},
                                          Case{0x00010000, 0, false}, Case{0x00005000, 0, false},
                                          Case{0x00000000, 400, false}, Case{0x00020000, 400, false},
                                          Case{0x00008000, 400, false}, Case{0x00015000, 400, false}}) {
        Bytes patched = regular;
        put_u32(patched, maxp, version);
        patched[maxp + 4] = static_cast<std::uint8_t>(glyphs >> 8);
        patched[maxp + 5] = static_cast<std::uint8_t>(glyphs);
        EXPECT_EQ(load_font(patched).has_value(), loads) << std::hex << "version " << version << std::dec
                                                         << ", " << glyphs << " glyphs";
    }
}

TEST(FontLoading, SystemFontFileLoads) {
    const std::filesystem::path path = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
    std::string bytes = test::read_file(path);
    if (bytes.empty()) GTEST_SKIP() << "no system font at " << path;
    auto font = load_font({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(font);
    EXPECT_EQ(font->units_per_em(), 2048.0f);
    EXPECT_EQ(font->ascender(), 1854.0f);
    EXPECT_EQ(font->descender(), 434.0f);
}

}  // namespace
}  // namespace qo

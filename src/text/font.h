#pragma once
// A loaded font face: the shaping face, its vertical metrics and a per-font cache of glyph outlines.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>

#include "gfx/path.h"

struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

namespace qo {

class Font {
public:
    Font(Font&&) noexcept = default;
    Font& operator=(Font&&) noexcept = default;
    ~Font() = default;

    float units_per_em() const { return units_per_em_; }
    // Ascender in font units (typographic value when the face asks for it).
    float ascender() const { return ascender_; }
    // Depth below the baseline in font units, positive.
    float descender() const { return descender_; }

    // The face as the shaping engine sees it; its scale is left at units per em.
    hb_font_t* shaping_font() const { return font_.get(); }

    // The glyph's outline in font units, y up; empty for a glyph without one (a space). Built on first use and
    // kept for the font's life.
    const std::optional<Path>& glyph_outline(std::uint16_t glyph_id) const;
    // How many outlines have been built from the face so far.
    std::size_t outline_builds() const { return outline_builds_; }

private:
    struct HbDeleter {
        void operator()(hb_blob_t* p) const;
        void operator()(hb_face_t* p) const;
        void operator()(hb_font_t* p) const;
    };
    Font() = default;
    friend std::optional<Font> load_font(std::span<const std::uint8_t> bytes);

    std::unique_ptr<hb_blob_t, HbDeleter> blob_;
    std::unique_ptr<hb_face_t, HbDeleter> face_;
    std::unique_ptr<hb_font_t, HbDeleter> font_;
    mutable std::unordered_map<std::uint16_t, std::optional<Path>> glyph_paths_;
    mutable std::size_t outline_builds_ = 0;
    float units_per_em_ = 0;
    float ascender_ = 0;
    float descender_ = 0;
};

// Loads face 0 of a TrueType, CFF or collection file. The bytes are borrowed and must outlive the font (embedded
// fonts are static; a font read from disk is kept for the program's life). Anything that is not a usable face
// gives no font.
std::optional<Font> load_font(std::span<const std::uint8_t> bytes);

// Distance from a text's top to its baseline in pixels at `size`: round(ascender * size / units_per_em).
float baseline_offset(const Font& font, float size);

}  // namespace qo

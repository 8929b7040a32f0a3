// The character a glyph drawn as an image stands for, told in a metafile comment just before
// the image: a printer font's bitmap glyphs then read as text in a PDF, while pictures and
// other players pass the comment over. A glyph drawn as a filled outline is told the same
// way just before the path that draws it.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

// "SPSG", a version, the character as a 32-bit code point, then the glyph's reference point
// (on the baseline) from the image's top-left corner and its advance from that point, in 1/16
// of the image's columns and rows; each number little-endian. Version 2 tells an outline: its
// reference point and advance (along x) are in 1/16 of the page's logical units.
inline constexpr uint8_t kGlyphCommentTag[4] = {'S', 'P', 'S', 'G'};
inline constexpr size_t kGlyphCommentSize = 24;

struct GlyphComment {
    char32_t character = 0;
    double originX = 0, originY = 0;  // the reference point in the image, in columns and rows
    double advance = 0;               // along the rows, to the next glyph's reference point
    bool outline = false;             // a filled path, its numbers in logical units
};

// The comment's bytes, for GdiComment.
inline std::array<uint8_t, kGlyphCommentSize> GlyphCommentBytes(const GlyphComment& glyph) {
    std::array<uint8_t, kGlyphCommentSize> data{};
    std::memcpy(data.data(), kGlyphCommentTag, 4);
    data[4] = glyph.outline ? 2 : 1;
    auto put = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto sixteenths = [](double v) {
        return static_cast<uint32_t>(static_cast<int32_t>(std::lround(std::clamp(v, -1e6, 1e6) * 16)));
    };
    put(8, static_cast<uint32_t>(glyph.character));
    put(12, sixteenths(glyph.originX));
    put(16, sixteenths(glyph.originY));
    put(20, sixteenths(glyph.advance));
    return data;
}

// What a glyph comment tells; false for any other comment.
inline bool ReadGlyphComment(const uint8_t* data, size_t size, GlyphComment& glyph) {
    if (size != kGlyphCommentSize || std::memcmp(data, kGlyphCommentTag, 4) != 0 || (data[4] != 1 && data[4] != 2))
        return false;
    auto get = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data[at + i]) << (8 * i);
        return v;
    };
    uint32_t code = get(8);
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    glyph.character = static_cast<char32_t>(code);
    glyph.originX = static_cast<int32_t>(get(12)) / 16.0;
    glyph.originY = static_cast<int32_t>(get(16)) / 16.0;
    glyph.advance = static_cast<int32_t>(get(20)) / 16.0;
    glyph.outline = data[4] == 2;
    return true;
}

// A page whose pattern brushes are laid at the resolution each brush's image names, rather than
// in the pixels of whatever the page is played on, says so in a metafile comment at its start:
// a pattern then keeps its size on the paper at every resolution the page is pictured in, as a
// printer's does. Other players pass the comment over and lay brushes in their own pixels.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

// "SPSP" and a version. Each brush's resolution is its image's pixels per metre (a brush that
// names none is laid in device pixels).
inline constexpr uint8_t kPatternCommentTag[4] = {'S', 'P', 'S', 'P'};
inline constexpr size_t kPatternCommentSize = 8;

// The comment's bytes, for GdiComment.
inline std::array<uint8_t, kPatternCommentSize> PatternCommentBytes() {
    std::array<uint8_t, kPatternCommentSize> data{};
    std::memcpy(data.data(), kPatternCommentTag, 4);
    data[4] = 1;
    return data;
}

inline bool IsPatternComment(const uint8_t* data, size_t size) {
    return size == kPatternCommentSize && std::memcmp(data, kPatternCommentTag, 4) == 0 && data[4] == 1;
}

// Pixels per metre of a resolution in dots per inch, for a DIB header.
inline int32_t PixelsPerMetre(double dpi) { return static_cast<int32_t>(dpi / 0.0254 + 0.5); }

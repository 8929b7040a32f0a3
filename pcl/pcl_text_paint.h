// The paint PCL5 text takes from the current pattern and colour: a solid colour, or a
// shading, cross-hatch or user pattern laid from the pattern reference point, as rectangles take it.
#pragma once
#include "gdi.h"

// Selected into the page DC while characters are drawn, given back when it goes. The page
// must be in its top-down mapping.
class PclTextPaint {
public:
    PclTextPaint();
    ~PclTextPaint();
    PclTextPaint(const PclTextPaint&) = delete;
    PclTextPaint& operator=(const PclTextPaint&) = delete;

    // Characters take a pattern rather than one colour: they are drawn as filled outlines.
    bool patterned() const { return patterned_; }
    // The raster operation a glyph image (black dots on white) is drawn with: its dots take the
    // brush; the rest, and the white of a transparent pattern, leave the page as it is.
    DWORD glyphRop() const;

private:
    HBRUSH brush_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int previousMix_ = 0;
    bool patterned_ = false, transparent_ = false;
};

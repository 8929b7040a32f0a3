// The header of a top-down DIB with a two-colour table, as converters paint
// bi-level images with StretchDIBits.
#pragma once
#include "gdi.h"

struct TwoColourDib {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// Colour 0 white and colour 1 black unless told otherwise.
inline TwoColourDib MakeTwoColourDib(long width, long height, WORD bitCount, RGBQUAD one = {0, 0, 0, 0}) {
    TwoColourDib d{};
    d.header.biSize = sizeof(BITMAPINFOHEADER);
    d.header.biWidth = static_cast<LONG>(width);
    d.header.biHeight = -static_cast<LONG>(height);
    d.header.biPlanes = 1;
    d.header.biBitCount = bitCount;
    d.header.biCompression = BI_RGB;
    // The table holds two colours whatever the depth: said outright, as GDI then reads (and an
    // EMF recorder copies) exactly those two.
    d.header.biClrUsed = 2;
    d.colors[0] = {255, 255, 255, 0};
    d.colors[1] = one;
    return d;
}

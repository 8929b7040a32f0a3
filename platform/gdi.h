// GDI drawing calls with their Win32 names and contracts. Device contexts are
// either recording (enhanced metafile), memory (drawing into a bitmap through
// Cairo) or the reference screen ("DISPLAY").
//
// The reference screen is fixed: 1920 x 1080 pixels at 96 dpi, so
// HORZRES 1920, VERTRES 1080, HORZSIZE 508 mm, VERTSIZE 286 mm,
// LOGPIXELSX = LOGPIXELSY = 96. A recording DC answers for the page it records:
// its HORZSIZE/VERTSIZE are the frame in millimetres and HORZRES/VERTRES the
// frame in pixels at 96 dpi, which is also what the file header stores.
#pragma once
#include "win_types.h"

// Device caps.
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define RASTERCAPS 38
#define TECHNOLOGY 2
#define DT_RASDISPLAY 1
#define RC_BITBLT 1
#define RC_STRETCHDIB 0x2000

// Mapping.
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8
#define GM_COMPATIBLE 1
#define GM_ADVANCED 2
#define MWT_IDENTITY 1
#define MWT_LEFTMULTIPLY 2
#define MWT_RIGHTMULTIPLY 3
#define MWT_SET 4

// Modes.
#define TRANSPARENT 1
#define OPAQUE 2
#define ALTERNATE 1
#define WINDING 2
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2

// ROP2.
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary raster operations.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Pens.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

// Brushes.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW 1
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define DIB_PAL_INDICES 2

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// Object types.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12

// Fonts.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// Text.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_PDY 0x2000
#define ETO_NO_RECT 0x0100
#define ETO_SMALL_CHARS 0x0200

// Regions and clipping.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// PolyDraw point types.
#define PT_CLOSEFIGURE 1
#define PT_LINETO 2
#define PT_BEZIERTO 4
#define PT_MOVETO 6

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define BI_JPEG 4
#define BI_PNG 5
#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR ((HANDLE)(intptr_t)-1)
#define AC_SRC_OVER 0
#define AC_SRC_ALPHA 1

struct BLENDFUNCTION {
    BYTE BlendOp, BlendFlags, SourceConstantAlpha, AlphaFormat;
};

// Device contexts.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const void* devmode);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// What a call batches (runs of bitmap glyphs) is drawn before playback returns and before any
// call that reads pixels: nothing is left waiting here.
BOOL GdiFlush();
int GetDeviceCaps(HDC hdc, int index);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);
int GetObjectType(HGDIOBJ obj);

// Metafiles.
HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description);
HENHMETAFILE CloseEnhMetaFile(HDC hdc);
BOOL DeleteEnhMetaFile(HENHMETAFILE emf);
HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, BYTE* data);
UINT GetEnhMetaFileHeader(HENHMETAFILE emf, UINT size, ENHMETAHEADER* header);
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE emf, const RECT* rect);
BOOL GdiComment(HDC hdc, UINT size, const BYTE* data);

// Mapping and coordinates.
int SetGraphicsMode(HDC hdc, int mode);
int GetGraphicsMode(HDC hdc);
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* old);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* old);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL ScaleViewportExtEx(HDC hdc, int xn, int xd, int yn, int yd, SIZE* old);
BOOL ScaleWindowExtEx(HDC hdc, int xn, int xd, int yn, int yd, SIZE* old);
BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetWindowExtEx(HDC hdc, SIZE* size);
BOOL GetViewportExtEx(HDC hdc, SIZE* size);
BOOL GetWindowOrgEx(HDC hdc, POINT* pt);
BOOL GetViewportOrgEx(HDC hdc, POINT* pt);
BOOL SetWorldTransform(HDC hdc, const XFORM* xf);
BOOL ModifyWorldTransform(HDC hdc, const XFORM* xf, DWORD mode);
BOOL GetWorldTransform(HDC hdc, XFORM* xf);
BOOL DPtoLP(HDC hdc, POINT* pts, int count);
BOOL LPtoDP(HDC hdc, POINT* pts, int count);

// Attributes.
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int SetROP2(HDC hdc, int rop);
int GetROP2(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
BOOL SetMiterLimit(HDC hdc, FLOAT limit, FLOAT* old);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* old);
int SetArcDirection(HDC hdc, int dir);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);

// Objects.
HGDIOBJ GetStockObject(int index);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section, DWORD offset);
HFONT CreateFontIndirectA(const LOGFONTA* lf);
HFONT CreateFontIndirectW(const LOGFONTW* lf);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC hdc);

// Regions and clipping.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
int SelectClipRgn(HDC hdc, HRGN rgn);
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int GetClipBox(HDC hdc, RECT* rect);
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN rgn);

// Lines, curves and shapes.
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC hdc, POINT* pt);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* pts, int count);
BOOL PolylineTo(HDC hdc, const POINT* pts, DWORD count);
BOOL Polygon(HDC hdc, const POINT* pts, int count);
BOOL PolyPolygon(HDC hdc, const POINT* pts, const INT* counts, int polygons);
BOOL PolyPolyline(HDC hdc, const POINT* pts, const DWORD* counts, DWORD lines);
BOOL PolyBezier(HDC hdc, const POINT* pts, DWORD count);
BOOL PolyBezierTo(HDC hdc, const POINT* pts, DWORD count);
BOOL PolyDraw(HDC hdc, const POINT* pts, const BYTE* types, int count);
BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL ArcTo(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL AngleArc(HDC hdc, int x, int y, DWORD radius, FLOAT start, FLOAT sweep);
BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Rectangle(HDC hdc, int l, int t, int r, int b);
BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h);
BOOL Ellipse(HDC hdc, int l, int t, int r, int b);
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);

// Paths.
BOOL BeginPath(HDC hdc);
BOOL EndPath(HDC hdc);
BOOL AbortPath(HDC hdc);
BOOL CloseFigure(HDC hdc);
BOOL StrokePath(HDC hdc);
BOOL FillPath(HDC hdc);
BOOL StrokeAndFillPath(HDC hdc);
BOOL FlattenPath(HDC hdc);
BOOL WidenPath(HDC hdc);
BOOL SelectClipPath(HDC hdc, int mode);

// Bitmaps.
BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
BOOL MaskBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my, DWORD rop);
BOOL AlphaBlend(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION blend);
int StretchDIBits(HDC hdc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* bmi, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan, UINT lines,
                      const void* bits, const BITMAPINFO* bmi, UINT usage);

// Text.
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextExtentPointA(HDC hdc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPointW(HDC hdc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* tm);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm);
DWORD SetMapperFlags(HDC hdc, DWORD flags);

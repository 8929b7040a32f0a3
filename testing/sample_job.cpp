#include "sample_job.h"

#include "gdi.h"
#include "user.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {
void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void text(HDC dc, int x, int y, const char* face, int height, int weight, COLORREF color, const char* s) {
    HFONT font = CreateFontA(-height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, color);
    TextOutA(dc, x, y, s, static_cast<int>(std::strlen(s)));
    SelectObject(dc, old);
    DeleteObject(font);
}
}  // namespace

Bytes RecordSamplePage(const std::string& path, int pageNumber) {
    RECT frame{0, 0, 21000, 29700};  // A4 in 0.01 mm
    HDC dc = CreateEnhMetaFileA(nullptr, path.empty() ? nullptr : path.c_str(), &frame, nullptr);
    if (!dc) return {};
    // Page units of 1/80 mm, y down, as the printer-language converters use.
    SetGraphicsMode(dc, GM_ADVANCED);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 16800, 23760, nullptr);
    SetViewportExtEx(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), nullptr);
    SetBkMode(dc, TRANSPARENT);

    text(dc, 1600, 1600, "Arial", 640, FW_BOLD, RGB(0, 0, 0), "Spoolsight sample job");
    char line[64];
    wsprintfA(line, "Page %d", pageNumber);
    text(dc, 1600, 2500, "Times New Roman", 400, FW_NORMAL, RGB(60, 60, 60), line);
    for (int i = 0; i < 8; ++i)
        text(dc, 1600, 3400 + i * 480, "Times New Roman", 320, FW_NORMAL, RGB(0, 0, 0),
             "The quick brown fox jumps over the lazy dog. 0123456789");
    text(dc, 1600, 7600, "Courier New", 320, FW_NORMAL, RGB(0, 0, 128), "ESC E  ESC&l26A  @PJL ENTER LANGUAGE=PCL");

    HBRUSH red = CreateSolidBrush(RGB(220, 30, 30));
    HPEN thick = CreatePen(PS_SOLID, 40, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, red), oldPen = SelectObject(dc, thick);
    Rectangle(dc, 1600, 9000, 7600, 13000);
    HBRUSH blue = CreateSolidBrush(RGB(30, 60, 220));
    SelectObject(dc, blue);
    DeleteObject(red);
    Ellipse(dc, 9000, 9000, 15200, 13000);
    HPEN green = CreatePen(PS_SOLID, 60, RGB(0, 160, 0));
    SelectObject(dc, green);
    DeleteObject(thick);
    POINT zigzag[6] = {{1600, 15000}, {3600, 17000}, {5600, 15000}, {7600, 17000}, {9600, 15000}, {11600, 17000}};
    Polyline(dc, zigzag, 6);
    HPEN dashed = CreatePen(PS_DASH, 0, RGB(0, 0, 0));
    SelectObject(dc, dashed);
    DeleteObject(green);
    MoveToEx(dc, 1600, 18000, nullptr);
    LineTo(dc, 15200, 18000);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(120, 0, 120));
    SelectObject(dc, hatch);
    DeleteObject(blue);
    RoundRect(dc, 1600, 19000, 7600, 22000, 800, 800);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(hatch);
    DeleteObject(dashed);

    // A 64 x 64 grey ramp as an 8-bit DIB.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bmi{};
    bmi.h = {sizeof(BITMAPINFOHEADER), 64, 64, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    for (int i = 0; i < 256; ++i)
        bmi.colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 0};
    std::vector<uint8_t> bits(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) bits[y * 64 + x] = static_cast<uint8_t>(x * 4);
    StretchDIBits(dc, 9000, 19000, 6200, 3000, 0, 0, 64, 64, bits.data(), reinterpret_cast<BITMAPINFO*>(&bmi),
                  DIB_RGB_COLORS, SRCCOPY);

    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    if (!emf) return {};
    Bytes out(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(out.size()), out.data());
    DeleteEnhMetaFile(emf);
    return out;
}

Bytes WrapInSpool(const std::vector<Bytes>& pages) {
    Bytes b;
    put32(b, 0x10000);
    put32(b, 16);  // header size
    put32(b, 0);
    put32(b, 0);
    // A devmode-like record (type 3) before the pages.
    put32(b, 3);
    put32(b, 4);
    put32(b, 0xDEADBEEF);
    for (const Bytes& page : pages) {
        put32(b, 12);
        put32(b, static_cast<uint32_t>(page.size()));
        b.insert(b.end(), page.begin(), page.end());
        // End-of-page record with its 16-byte header.
        put32(b, 15);
        put32(b, 8);
        put32(b, 0);
        put32(b, 0);
        put32(b, 0);
        put32(b, 0);
    }
    return b;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

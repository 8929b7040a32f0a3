// libFuzzer target: arbitrary bytes played as an enhanced metafile, on a picture large
// enough for images to be drawn in parts.
#include "gdi.h"
#include "user.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HDC dc = [] {
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 240, -180, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, bitmap);
        return memory;
    }();
    HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(size), data);
    if (!emf) return 0;
    RECT area{0, 0, 240, 180};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &area);
    DeleteEnhMetaFile(emf);
    return 0;
}

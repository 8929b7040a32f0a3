#include "jbig_page.h"

#include "gdi.h"
#include "kernel.h"

extern "C" {
#include <jbig.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {
constexpr double kUnitsPerInch = 2032.0;  // 1/80 mm
constexpr size_t kReadBlock = 8192;
constexpr unsigned long kMaxImageSide = 32768;

struct ZjsPaper {
    int32_t code, width, height;
};
const ZjsPaper ZjsPaperTable[] = {
    {1, 15240, 21335}, {2, 17271, 22351}, {3, 17271, 28447}, {6, 22351, 34543}, {27, 23760, 33600},
    {80, 7873, 15240}, {81, 8382, 19304}, {90, 8800, 17600}, {91, 12960, 18320}, {100, 14080, 20000},
};

// Everything one page holds, released on every way out.
struct PageBuild {
    HANDLE file = INVALID_HANDLE_VALUE;
    jbg_dec_state decoder{};
    bool decoderReady = false;
    HDC dc = nullptr;
    ~PageBuild() {
        if (dc) DeleteEnhMetaFile(CloseEnhMetaFile(dc));
        if (decoderReady) jbg_dec_free(&decoder);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

uint32_t bigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Feeds the file to the decoder block by block. A result other than "done"
// or "more" ends decoding, as does a call that takes no bytes.
void decode(PageBuild& b, unsigned long maxWidth, unsigned long maxHeight) {
    std::vector<unsigned char> block(kReadBlock);
    int result = JBG_EAGAIN;
    bool first = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(b.file, block.data(), kReadBlock, &got, nullptr) || got == 0) break;
        // The header announces the image size: refuse a huge one before decoding anything.
        if (first && got >= 12 &&
            (bigEndian32(&block[4]) > maxWidth || (bigEndian32(&block[8]) > maxHeight && bigEndian32(&block[8]) != 0xFFFFFFFFu)))
            throw std::runtime_error("image too large");
        first = false;
        size_t at = 0;
        while (at < got && (result == JBG_EOK || result == JBG_EAGAIN)) {
            size_t used = 0;
            result = jbg_dec_in(&b.decoder, block.data() + at, got - at, &used);
            if (used == 0) break;
            at += used;
        }
        if (result != JBG_EOK && result != JBG_EAGAIN) break;
        if (at < got && result == JBG_EAGAIN) break;  // the decoder stopped taking bytes
    }
}
}  // namespace

void ZjsPaperSize(int32_t paperCode, int32_t& width, int32_t& height) {
    width = 16800;
    height = 23760;
    for (const ZjsPaper& p : ZjsPaperTable)
        if (p.code == paperCode) width = p.width, height = p.height;
}

int BuildJbigPage(const char* metafilePath, const char* jbigPath, int32_t paperCode, int32_t resolution) {
    bool written = false;
    try {
        PageBuild b;
        b.file = CreateFileA(jbigPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (b.file == INVALID_HANDLE_VALUE) throw std::runtime_error("no JBIG file");
        if (resolution <= 0) resolution = 600;
        int32_t pageWidth, pageHeight;
        ZjsPaperSize(paperCode, pageWidth, pageHeight);
        // No image may be much larger than the page at the job's resolution.
        auto limit = [&](int32_t units) {
            double pixels = units / kUnitsPerInch * resolution * 1.25 + 64;
            return static_cast<unsigned long>(std::min<double>(pixels, kMaxImageSide));
        };
        unsigned long maxWidth = limit(pageWidth), maxHeight = limit(pageHeight);
        jbg_dec_init(&b.decoder);
        b.decoderReady = true;
        jbg_dec_maxsize(&b.decoder, maxWidth, maxHeight);
        decode(b, maxWidth, maxHeight);
        unsigned long width = jbg_dec_getwidth(&b.decoder), height = jbg_dec_getheight(&b.decoder);
        if (b.decoder.planes != 1) throw std::runtime_error("cannot decode images with more than 1 plane");
        const unsigned char* image = jbg_dec_getimage(&b.decoder, 0);
        if (!image || width == 0 || height == 0 || width > maxWidth || height > maxHeight)
            throw std::runtime_error("no image");

        // JBIG rows are ceil(width / 8) bytes; DIB rows are padded to 4 bytes.
        size_t jbigStride = (width + 7) / 8, dibStride = ((width + 31) / 32) * 4;
        std::vector<unsigned char> bits(dibStride * height, 0);
        for (unsigned long y = 0; y < height; ++y) std::memcpy(&bits[y * dibStride], image + y * jbigStride, jbigStride);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } bmi{};
        bmi.header.biSize = sizeof(BITMAPINFOHEADER);
        bmi.header.biWidth = static_cast<LONG>(width);
        bmi.header.biHeight = -static_cast<LONG>(height);
        bmi.header.biPlanes = 1;
        bmi.header.biBitCount = 1;
        bmi.header.biCompression = BI_RGB;
        bmi.colors[0] = {255, 255, 255, 0};
        bmi.colors[1] = {0, 0, 0, 0};

        // The page size is in 1/80 mm; the metafile frame is in 0.01 mm.
        RECT frame{0, 0, static_cast<LONG>(pageWidth * 100LL / 80), static_cast<LONG>(pageHeight * 100LL / 80)};
        b.dc = CreateEnhMetaFileA(nullptr, metafilePath, &frame, nullptr);
        if (!b.dc) throw std::runtime_error("Cannot create meta file");
        SetGraphicsMode(b.dc, GM_ADVANCED);
        SetMapMode(b.dc, MM_ANISOTROPIC);
        SetWindowExtEx(b.dc, pageHeight, pageHeight, nullptr);
        int64_t hs = GetDeviceCaps(b.dc, HORZSIZE) * 100LL, vs = GetDeviceCaps(b.dc, VERTSIZE) * 100LL;
        int64_t x = (hs / 2 + GetDeviceCaps(b.dc, HORZRES) * int64_t{frame.right}) / hs;
        int64_t y = (vs / 2 + GetDeviceCaps(b.dc, VERTRES) * int64_t{frame.bottom}) / vs;
        int m = static_cast<int>(std::max(x, y));
        SetViewportExtEx(b.dc, m, m, nullptr);
        SetViewportOrgEx(b.dc, 0, 0, nullptr);
        double k = 25.4 / static_cast<unsigned>(resolution) * 80;
        StretchDIBits(b.dc, 0, 0, static_cast<int>(width * k), static_cast<int>(height * k), 0, 0,
                      static_cast<int>(width), static_cast<int>(height), bits.data(),
                      reinterpret_cast<const BITMAPINFO*>(&bmi), DIB_RGB_COLORS, SRCCOPY);
        HENHMETAFILE emf = CloseEnhMetaFile(b.dc);
        b.dc = nullptr;
        written = emf != nullptr;
        DeleteEnhMetaFile(emf);
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) DeleteFileA(metafilePath);  // a failed page leaves nothing behind
    return written ? 1 : 0;
}

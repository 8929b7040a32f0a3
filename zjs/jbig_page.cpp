#include "jbig_page.h"

#include "dib_header.h"
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

// The JBIG file and decoder of one plane, released on every way out.
struct PageBuild {
    HANDLE file = INVALID_HANDLE_VALUE;
    jbg_dec_state decoder{};
    bool decoderReady = false;
    ~PageBuild() {
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

namespace {
// A decoded plane, its rows padded to 4 bytes as a DIB wants them.
struct DecodedPlane {
    unsigned long width = 0, height = 0;
    std::vector<unsigned char> bits;
    uint32_t ink = 0;
};

bool decodePlane(const JbigPlane& plane, unsigned long maxWidth, unsigned long maxHeight, DecodedPlane& out) {
    try {
        PageBuild b;
        b.file = CreateFileA(plane.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (b.file == INVALID_HANDLE_VALUE) return false;
        jbg_dec_init(&b.decoder);
        b.decoderReady = true;
        jbg_dec_maxsize(&b.decoder, maxWidth, maxHeight);
        decode(b, maxWidth, maxHeight);
        unsigned long width = jbg_dec_getwidth(&b.decoder), height = jbg_dec_getheight(&b.decoder);
        if (b.decoder.planes != 1) return false;  // cannot decode images with more than 1 plane
        // Printers get one resolution layer; before any image data the decoder
        // has no buffers, and jbg_dec_getimage would crash.
        if (b.decoder.d != 0 || width == 0 || height == 0 || !b.decoder.lhp[0] || !b.decoder.lhp[0][0]) return false;
        const unsigned char* image = jbg_dec_getimage(&b.decoder, 0);
        if (!image || width == 0 || height == 0 || width > maxWidth || height > maxHeight) return false;
        // JBIG rows are ceil(width / 8) bytes; DIB rows are padded to 4 bytes.
        size_t jbigStride = (width + 7) / 8, dibStride = ((width + 31) / 32) * 4;
        // An image stopped in a lower resolution layer holds less than the size says.
        if (jbg_dec_getsize(&b.decoder) < jbigStride * height) return false;
        out.bits.assign(dibStride * height, 0);
        for (unsigned long y = 0; y < height; ++y) std::memcpy(&out.bits[y * dibStride], image + y * jbigStride, jbigStride);
        out.width = width;
        out.height = height;
        out.ink = plane.ink;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool recordPage(const char* metafilePath, const std::vector<DecodedPlane>& planes, int32_t pageWidth,
                int32_t pageHeight, int32_t resolution) {
    // The page size is in 1/80 mm; the metafile frame is in 0.01 mm.
    RECT frame{0, 0, static_cast<LONG>(pageWidth * 100LL / 80), static_cast<LONG>(pageHeight * 100LL / 80)};
    HDC dc = CreateEnhMetaFileA(nullptr, metafilePath, &frame, nullptr);
    if (!dc) return false;  // "Cannot create meta file"
    SetGraphicsMode(dc, GM_ADVANCED);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, pageHeight, pageHeight, nullptr);
    int64_t hs = GetDeviceCaps(dc, HORZSIZE) * 100LL, vs = GetDeviceCaps(dc, VERTSIZE) * 100LL;
    int64_t x = (hs / 2 + GetDeviceCaps(dc, HORZRES) * int64_t{frame.right}) / hs;
    int64_t y = (vs / 2 + GetDeviceCaps(dc, VERTRES) * int64_t{frame.bottom}) / vs;
    int m = static_cast<int>(std::max(x, y));
    SetViewportExtEx(dc, m, m, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    double k = 25.4 / static_cast<unsigned>(resolution) * 80;  // logical units per image pixel
    for (const DecodedPlane& p : planes) {
        TwoColourDib bmi = MakeTwoColourDib(static_cast<long>(p.width), static_cast<long>(p.height), 1,
                                            {GetBValue(p.ink), GetGValue(p.ink), GetRValue(p.ink), 0});
        // One plane is copied; colour planes are laid over each other like toners.
        DWORD rop = planes.size() == 1 ? SRCCOPY : SRCAND;
        StretchDIBits(dc, 0, 0, static_cast<int>(p.width * k), static_cast<int>(p.height * k), 0, 0,
                      static_cast<int>(p.width), static_cast<int>(p.height), p.bits.data(),
                      bmi.info(), DIB_RGB_COLORS, rop);
    }
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteEnhMetaFile(emf);
    return emf != nullptr;
}
}  // namespace

int BuildJbigColourPage(const char* metafilePath, const std::vector<JbigPlane>& planes, int32_t paperCode,
                        int32_t resolution) {
    bool written = false;
    try {
        if (resolution <= 0) resolution = 600;
        int32_t pageWidth, pageHeight;
        ZjsPaperSize(paperCode, pageWidth, pageHeight);
        // No image may be much larger than the page at the job's resolution.
        auto limit = [&](int32_t units) {
            double pixels = units / kUnitsPerInch * resolution * 1.25 + 64;
            return static_cast<unsigned long>(std::min<double>(pixels, kMaxImageSide));
        };
        std::vector<DecodedPlane> decoded;
        for (const JbigPlane& plane : planes) {
            DecodedPlane d;
            if (decodePlane(plane, limit(pageWidth), limit(pageHeight), d)) decoded.push_back(std::move(d));
        }
        written = !decoded.empty() && recordPage(metafilePath, decoded, pageWidth, pageHeight, resolution);
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) DeleteFileA(metafilePath);  // a failed page leaves nothing behind
    return written ? 1 : 0;
}

int BuildJbigPage(const char* metafilePath, const char* jbigPath, int32_t paperCode, int32_t resolution) {
    return BuildJbigColourPage(metafilePath, {{jbigPath, 0}}, paperCode, resolution);
}

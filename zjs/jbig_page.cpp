#include "jbig_page.h"

#include "dib_header.h"
#include "kernel.h"
#include "page_files.h"
#include "zjs_paper.h"

extern "C" {
#include <jbig.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {
constexpr double kUnitsPerInch = 2032.0;  // 1/80 mm
constexpr size_t kReadBlock = 8192;
constexpr unsigned long kMaxImageSide = 32768;
// Dots a JBIG image's rows may run past the raster they carry (encoders pad rows to 32 or 128 dots).
constexpr unsigned long kRowPadding = 256;
// Pixels one image record holds at most: larger images are recorded in bands of rows.
constexpr uint64_t kBandPixels = uint64_t{16} << 20;
// How far a raster may reach past its sheet before the page grows to hold it.
constexpr double kSheetTolerance = kUnitsPerInch / 4;

uint32_t bigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// One JBIG image entity fed to JBIG-KIT, its state released on every way out.
class Decoder {
public:
    explicit Decoder(const JbigLimits& limits) : limits_(limits) {
        jbg_dec_init(&state_);
        jbg_dec_maxsize(&state_, limits.width, limits.height);
    }
    ~Decoder() { jbg_dec_free(&state_); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Feeds bytes; false once the decoder takes no more: the image is done or broken.
    bool Feed(const unsigned char* data, size_t size) {
        // The header announces the image size: a huge one is refused before anything is decoded.
        if (first_ && size >= 12 &&
            (bigEndian32(data + 4) > limits_.width ||
             (bigEndian32(data + 8) > limits_.height && bigEndian32(data + 8) != 0xFFFFFFFFu)))
            throw std::runtime_error("image too large");
        first_ = false;
        size_t at = 0;
        while (at < size && (result_ == JBG_EOK || result_ == JBG_EAGAIN)) {
            size_t used = 0;
            result_ = jbg_dec_in(&state_, const_cast<unsigned char*>(data) + at, size - at, &used);
            if (used == 0) break;
            at += used;
        }
        return (result_ == JBG_EOK || result_ == JBG_EAGAIN) && at >= size;
    }

    // The decoded image with its rows padded to 4 bytes; false when the decoder holds no complete one.
    bool Image(JbigPlaneImage& out) {
        unsigned long width = jbg_dec_getwidth(&state_), height = jbg_dec_getheight(&state_);
        if (state_.planes != 1) return false;  // cannot decode images with more than 1 plane
        // Printers get one resolution layer; before any image data the decoder
        // has no buffers, and jbg_dec_getimage would crash.
        if (state_.d != 0 || width == 0 || height == 0 || !state_.lhp[0] || !state_.lhp[0][0]) return false;
        if (width > limits_.width || height > limits_.height) return false;
        const unsigned char* image = jbg_dec_getimage(&state_, 0);
        // JBIG rows are ceil(width / 8) bytes; DIB rows are padded to 4 bytes.
        size_t jbigStride = (width + 7) / 8, dibStride = ((width + 31) / 32) * 4;
        // An image stopped in a lower resolution layer holds less than the size says.
        if (!image || jbg_dec_getsize(&state_) < jbigStride * height) return false;
        out.bits.assign(dibStride * height, 0);
        for (unsigned long y = 0; y < height; ++y)
            std::memcpy(&out.bits[y * dibStride], image + y * jbigStride, jbigStride);
        out.width = width;
        out.height = height;
        return true;
    }

private:
    jbg_dec_state state_{};
    JbigLimits limits_;
    int result_ = JBG_EAGAIN;
    bool first_ = true;
};

// The columns and rows of a plane that the page prints: its raster, not the padding beyond.
unsigned long printed(unsigned long size, int32_t announced) {
    return announced > 0 ? std::min<unsigned long>(size, static_cast<unsigned long>(announced)) : size;
}

// The page's sheet in 1/80 mm, grown where the raster reaches well past it.
struct Sheet {
    int32_t width = 0, height = 0;
};

Sheet sheetFor(const std::vector<JbigPlaneImage>& planes, const ZjsRaster& r, double kx, double ky) {
    Sheet s;
    ZjsPaperSize(r.paperCode, s.width, s.height);
    for (const JbigPlaneImage& p : planes) {
        double right = (r.offsetX + static_cast<double>(printed(p.width, r.PrintedColumns()))) * kx;
        double bottom = (r.offsetY + static_cast<double>(printed(p.height, r.PrintedRows()))) * ky;
        if (right > s.width + kSheetTolerance) s.width = static_cast<int32_t>(std::min(std::ceil(right), 4.0e6));
        if (bottom > s.height + kSheetTolerance) s.height = static_cast<int32_t>(std::min(std::ceil(bottom), 4.0e6));
    }
    return s;
}

}  // namespace

namespace {
// Dots of the raster to each unit of the video width: a raster of twice the video width has two.
double dotsPerVideoUnit(const ZjsRaster& r) {
    if (r.rasterX <= 0 || r.videoX <= 0 || r.rasterX <= r.videoX) return 1;
    return std::clamp(std::round(static_cast<double>(r.rasterX) / r.videoX), 1.0, 16.0);
}

int32_t smallerGiven(int32_t a, int32_t b) { return a > 0 && b > 0 ? std::min(a, b) : std::max(a, b); }
}  // namespace

double ZjsRaster::DotsPerInchX() const { return (resolutionX > 0 ? resolutionX : 600) * dotsPerVideoUnit(*this); }

int32_t ZjsRaster::PrintedColumns() const {
    return smallerGiven(rasterX, static_cast<int32_t>(videoX * dotsPerVideoUnit(*this)));
}

int32_t ZjsRaster::PrintedRows() const { return smallerGiven(rasterY, videoY); }

double ZjsRaster::DotsPerInchY() const {
    if (resolutionY > 0) return resolutionY;
    return resolutionX > 0 ? resolutionX : 600;
}

JbigLimits JbigImageLimits(const ZjsRaster& r) {
    int32_t sheetWidth, sheetHeight;
    ZjsPaperSize(r.paperCode, sheetWidth, sheetHeight);
    // Without raster items, no image may be much larger than the sheet at the resolution.
    auto sheet = [](int32_t units, double dpi) { return units / kUnitsPerInch * dpi * 1.25 + 64; };
    double columns = std::max(r.rasterX, r.PrintedColumns()), rows = std::max(r.rasterY, r.PrintedRows());
    double width = columns > 0 ? columns + kRowPadding : sheet(sheetWidth, r.DotsPerInchX());
    double height = rows > 0 ? rows + kRowPadding : sheet(sheetHeight, r.DotsPerInchY());
    auto capped = [](double v) { return static_cast<unsigned long>(std::min<double>(v, kMaxImageSide)); };
    return {capped(width), capped(height)};
}

bool DecodeJbigFile(const char* path, const JbigLimits& limits, JbigPlaneImage& out) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{file};
    try {
        Decoder decoder(limits);
        std::vector<unsigned char> block(kReadBlock);
        DWORD got = 0;
        while (ReadFile(file, block.data(), kReadBlock, &got, nullptr) && got > 0 && decoder.Feed(block.data(), got)) {}
        return decoder.Image(out);
    } catch (const std::exception&) {
        return false;
    }
}

bool AppendJbigBand(const uint8_t* header, uint32_t rows, const uint8_t* data, size_t size, const JbigLimits& limits,
                    JbigPlaneImage& out) {
    unsigned long width = bigEndian32(header + 4);
    if (rows == 0 || width == 0 || width > limits.width || (out.height > 0 && width != out.width) ||
        rows > limits.height - std::min<unsigned long>(out.height, limits.height))
        return false;
    unsigned char bih[20];
    std::memcpy(bih, header, sizeof bih);
    for (int i = 0; i < 4; ++i) bih[8 + i] = static_cast<unsigned char>(rows >> (24 - 8 * i));
    JbigPlaneImage band;
    try {
        Decoder decoder(limits);
        if (decoder.Feed(bih, sizeof bih)) decoder.Feed(data, size);
        if (!decoder.Image(band) || band.width != width || band.height != rows) band = JbigPlaneImage{};
    } catch (const std::exception&) {
        band = JbigPlaneImage{};
    }
    size_t bytes = ((width + 31) / 32) * 4 * rows;
    if (band.bits.size() == bytes) out.bits.insert(out.bits.end(), band.bits.begin(), band.bits.end());
    else out.bits.resize(out.bits.size() + bytes, 0);
    out.width = width;
    out.height += rows;
    return true;
}

int RecordZjsPage(const char* metafilePath, const std::vector<JbigPlaneImage>& planes, const ZjsRaster& raster) {
    bool written = false;
    try {
        // Logical units per dot, the page being counted in 1/80 mm.
        double kx = kUnitsPerInch / raster.DotsPerInchX(), ky = kUnitsPerInch / raster.DotsPerInchY();
        Sheet sheet = sheetFor(planes, raster, kx, ky);
        // The frame is in 0.01 mm.
        RECT frame{0, 0, static_cast<LONG>(sheet.width * 100LL / 80), static_cast<LONG>(sheet.height * 100LL / 80)};
        HDC dc = planes.empty() ? nullptr : CreateEnhMetaFileA(nullptr, metafilePath, &frame, nullptr);
        if (dc) {
            SetGraphicsMode(dc, GM_ADVANCED);
            SetMapMode(dc, MM_ANISOTROPIC);
            // The sheet in 1/80 mm spans the frame's pixel extents on the reference device, each way:
            // the device's whole millimetres must not stretch the raster past an edge of its sheet.
            int64_t hs = GetDeviceCaps(dc, HORZSIZE) * 100LL, vs = GetDeviceCaps(dc, VERTSIZE) * 100LL;
            int64_t x = (hs / 2 + GetDeviceCaps(dc, HORZRES) * int64_t{frame.right}) / hs;
            int64_t y = (vs / 2 + GetDeviceCaps(dc, VERTRES) * int64_t{frame.bottom}) / vs;
            SetWindowExtEx(dc, sheet.width, sheet.height, nullptr);
            SetViewportExtEx(dc, static_cast<int>(x), static_cast<int>(y), nullptr);
            SetViewportOrgEx(dc, 0, 0, nullptr);
            for (const JbigPlaneImage& p : planes) {
                unsigned long columns = printed(p.width, raster.PrintedColumns()),
                              rows = printed(p.height, raster.PrintedRows());
                size_t stride = ((p.width + 31) / 32) * 4;
                // One plane is copied; colour planes are laid over each other like toners.
                DWORD rop = planes.size() == 1 ? SRCCOPY : SRCAND;
                auto at = [](double dots, double k) { return static_cast<int>(dots * k); };
                int left = at(raster.offsetX, kx), right = at(raster.offsetX + static_cast<double>(columns), kx);
                unsigned long bandRows = std::max<unsigned long>(1, static_cast<unsigned long>(kBandPixels / p.width));
                for (unsigned long y0 = 0; y0 < rows; y0 += bandRows) {
                    unsigned long y1 = std::min(rows, y0 + bandRows);
                    int top = at(raster.offsetY + static_cast<double>(y0), ky),
                        bottom = at(raster.offsetY + static_cast<double>(y1), ky);
                    TwoColourDib bmi = MakeTwoColourDib(static_cast<long>(p.width), static_cast<long>(y1 - y0), 1,
                                                        {GetBValue(p.ink), GetGValue(p.ink), GetRValue(p.ink), 0});
                    StretchDIBits(dc, left, top, right - left, bottom - top, 0, 0, static_cast<int>(columns),
                                  static_cast<int>(y1 - y0), p.bits.data() + y0 * stride, bmi.info(), DIB_RGB_COLORS,
                                  rop);
                }
            }
            HENHMETAFILE emf = CloseEnhMetaFile(dc);
            DeleteEnhMetaFile(emf);
            written = emf != nullptr;
        }
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) DeleteTemporaryFile(metafilePath);  // a failed page leaves nothing behind
    return written ? 1 : 0;
}

int BuildJbigPage(const char* metafilePath, const char* jbigPath, int32_t paperCode, int32_t resolution) {
    ZjsRaster raster;
    raster.paperCode = paperCode;
    raster.resolutionX = resolution;
    std::vector<JbigPlaneImage> image(1);
    if (!DecodeJbigFile(jbigPath, JbigImageLimits(raster), image[0])) image.clear();
    return RecordZjsPage(metafilePath, image, raster);
}

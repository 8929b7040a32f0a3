#include "raster_writers.h"

#include <zlib.h>

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <jpeglib.h>

namespace {
// Opens `path` for writing, telling why not in `error`.
FILE* create(const std::string& path, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) error = "cannot create " + path + ": " + std::strerror(errno);
    return f;
}

// Closes a file written with `ok`; a failed one is removed (a device or FIFO stays).
bool finish(FILE* f, const std::string& path, bool ok, std::string& error) {
    int cause = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) std::remove(path.c_str());
        if (error.empty()) error = "cannot write " + path + ": " + std::strerror(cause);
    }
    return ok;
}

// Row y in RGB, three bytes a pixel; false when it cannot be had.
bool rgbRow(const PictureRows& rows, int32_t y, int32_t width, std::vector<uint8_t>& scratch, uint8_t* out,
            std::string& error) {
    const uint8_t* row = rows(y, scratch.data());
    if (!row) {
        error = "cannot read the picture's row " + std::to_string(y);
        return false;
    }
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = row + static_cast<size_t>(x) * 4;  // blue, green, red
        out[x * 3] = p[2], out[x * 3 + 1] = p[1], out[x * 3 + 2] = p[0];
    }
    return true;
}
}  // namespace

bool WriteNetpbm(const std::string& path, NetpbmKind kind, int32_t width, int32_t height, const PictureRows& rows,
                 std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "no picture to write to " + path;
        return false;
    }
    FILE* f = create(path, error);
    if (!f) return false;
    const char* magic = kind == NetpbmKind::Bitmap ? "P4" : kind == NetpbmKind::Greymap ? "P5" : "P6";
    bool ok =
        std::fprintf(f, kind == NetpbmKind::Bitmap ? "%s\n%d %d\n" : "%s\n%d %d\n255\n", magic, width, height) > 0;
    size_t bytes = kind == NetpbmKind::Bitmap ? (static_cast<size_t>(width) + 7) / 8
        : kind == NetpbmKind::Greymap         ? static_cast<size_t>(width)
                                              : static_cast<size_t>(width) * 3;
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4), line(bytes);
    for (int32_t y = 0; ok && y < height; ++y) {
        const uint8_t* row = rows(y, scratch.data());
        if (!row) {
            error = "cannot read the picture's row " + std::to_string(y);
            ok = false;
            break;
        }
        std::fill(line.begin(), line.end(), 0);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * 4;  // blue, green, red
            int grey = GreyOf(p);
            if (kind == NetpbmKind::Bitmap) {
                if (PrintsBlack(grey)) line[static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            } else if (kind == NetpbmKind::Greymap) {
                line[static_cast<size_t>(x)] = static_cast<uint8_t>(grey);
            } else {
                uint8_t* q = &line[static_cast<size_t>(x) * 3];
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
            }
        }
        ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    return finish(f, path, ok, error);
}

bool WriteTiff(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
               int32_t dotsPerInch) {
    if (width <= 0 || height <= 0 || int64_t{width} * 3 > (1 << 28)) {
        error = "no picture to write to " + path;
        return false;
    }
    // Strips of about 256 KB, each compressed on its own.
    size_t rowBytes = static_cast<size_t>(width) * 3;
    int32_t stripRows = static_cast<int32_t>(std::max<size_t>(1, (256u << 10) / rowBytes));
    int32_t strips = (height + stripRows - 1) / stripRows;
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets, counts;
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4), plain;
    constexpr uint32_t kHeader = 8;
    for (int32_t s = 0; s < strips; ++s) {
        int32_t from = s * stripRows, to = std::min(height, from + stripRows);
        plain.resize(rowBytes * static_cast<size_t>(to - from));
        for (int32_t y = from; y < to; ++y)
            if (!rgbRow(rows, y, width, scratch, &plain[rowBytes * static_cast<size_t>(y - from)], error)) return false;
        uLongf size = compressBound(static_cast<uLong>(plain.size()));
        size_t at = data.size();
        data.resize(at + size);
        if (compress2(&data[at], &size, plain.data(), static_cast<uLong>(plain.size()), 6) != Z_OK ||
            at + size > 0xFFFFFFF0u) {
            error = "cannot compress the picture for " + path;
            return false;
        }
        data.resize(at + size);
        offsets.push_back(static_cast<uint32_t>(kHeader + at));
        counts.push_back(static_cast<uint32_t>(size));
    }
    // After the strips: the strip tables, the bits per sample and the resolution, then the IFD.
    auto put16 = [](std::vector<uint8_t>& v, uint32_t x) { v.push_back(x & 0xFF), v.push_back((x >> 8) & 0xFF); };
    auto put32 = [&](std::vector<uint8_t>& v, uint32_t x) { put16(v, x & 0xFFFF), put16(v, x >> 16); };
    while (data.size() % 2) data.push_back(0);
    uint32_t offsetsAt = kHeader + static_cast<uint32_t>(data.size());
    for (uint32_t o : offsets) put32(data, o);
    uint32_t countsAt = kHeader + static_cast<uint32_t>(data.size());
    for (uint32_t c : counts) put32(data, c);
    uint32_t bitsAt = kHeader + static_cast<uint32_t>(data.size());
    put16(data, 8), put16(data, 8), put16(data, 8);
    uint32_t resolutionAt = kHeader + static_cast<uint32_t>(data.size());
    uint32_t dpi = dotsPerInch > 0 ? static_cast<uint32_t>(dotsPerInch) : 72;
    put32(data, dpi), put32(data, 1);
    while (data.size() % 2) data.push_back(0);
    uint32_t ifdAt = kHeader + static_cast<uint32_t>(data.size());
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    bool one = strips == 1;  // a single strip's offset and count stand in the entries themselves
    std::vector<Entry> entries = {
        {256, 4, 1, static_cast<uint32_t>(width)},
        {257, 4, 1, static_cast<uint32_t>(height)},
        {258, 3, 3, bitsAt},
        {259, 3, 1, 8},  // Deflate
        {262, 3, 1, 2},  // RGB
        {273, 4, static_cast<uint32_t>(strips), one ? offsets[0] : offsetsAt},
        {277, 3, 1, 3},
        {278, 4, 1, static_cast<uint32_t>(stripRows)},
        {279, 4, static_cast<uint32_t>(strips), one ? counts[0] : countsAt},
        {282, 5, 1, resolutionAt},
        {283, 5, 1, resolutionAt},
        {296, 3, 1, 2},  // inches
    };
    std::vector<uint8_t> ifd;
    put16(ifd, static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        put16(ifd, e.tag), put16(ifd, e.type), put32(ifd, e.count);
        if (e.type == 3 && e.count == 1) put16(ifd, e.value), put16(ifd, 0);
        else put32(ifd, e.value);
    }
    put32(ifd, 0);
    std::vector<uint8_t> head;
    head.push_back('I'), head.push_back('I'), put16(head, 42), put32(head, ifdAt);
    FILE* f = create(path, error);
    if (!f) return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
        std::fwrite(data.data(), 1, data.size(), f) == data.size() &&
        std::fwrite(ifd.data(), 1, ifd.size(), f) == ifd.size();
    return finish(f, path, ok, error);
}

namespace {
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};
void jpegFailed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }
}  // namespace

bool WriteJpeg(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
               int32_t dotsPerInch) {
    if (width <= 0 || height <= 0 || width > 65500 || height > 65500) {
        error = width > 65500 || height > 65500 ? "a JPEG file holds at most 65500 pixels a side"
                                                : "no picture to write to " + path;
        return false;
    }
    FILE* f = create(path, error);
    if (!f) return false;
    jpeg_compress_struct c{};
    JpegErrors errors{};
    c.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegFailed;
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4), line(static_cast<size_t>(width) * 3);
    bool ok = true;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&c);
        if (error.empty()) error = "cannot write " + path;
        return finish(f, path, false, error);
    }
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (dotsPerInch > 0 && dotsPerInch < 65536) {
        c.density_unit = 1;
        c.X_density = c.Y_density = static_cast<UINT16>(dotsPerInch);
    }
    jpeg_start_compress(&c, TRUE);
    for (int32_t y = 0; ok && y < height; ++y) {
        ok = rgbRow(rows, y, width, scratch, line.data(), error);
        JSAMPROW row = line.data();
        if (ok) jpeg_write_scanlines(&c, &row, 1);
    }
    if (ok) jpeg_finish_compress(&c);
    else jpeg_abort_compress(&c);
    jpeg_destroy_compress(&c);
    return finish(f, path, ok, error);
}

// PNG writing at the speed of the rest: bands of rows are deflated at once on several
// cores (each band a run of deflate blocks ending on a byte boundary, so that the bands
// joined are one stream), at zlib's quickest level.
#include "png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
// Rows a band has at least: fewer are not worth a thread.
constexpr int32_t kMinBandRows = 64;
// Every so many rows one is looked at to choose the filter.
constexpr int32_t kFilterSampleStep = 32;
constexpr uint8_t kFilterNone = 0, kFilterUp = 2;

struct Band {
    int32_t from = 0, to = 0;
    std::vector<uint8_t> deflated;
    uLong adler = 1;  // of the band's filtered rows alone
    uLong length = 0;
    int32_t failedRow = -1;
    bool ok = false;
};

// A row as PNG's red, green, blue.
void toRgb(const uint8_t* bgrx, int32_t width, uint8_t* rgb) {
    for (int32_t x = 0; x < width; ++x) {
        rgb[x * 3] = bgrx[x * 4 + 2];
        rgb[x * 3 + 1] = bgrx[x * 4 + 1];
        rgb[x * 3 + 2] = bgrx[x * 4];
    }
}

// Drawn pages deflate best as they are, their flat areas being runs already; photographs
// deflate best as differences from the row above. Judged on a sample of rows by how often
// a byte differs from the one a pixel before, in each form. Null when a row cannot be had.
bool chooseUpFilter(const PictureRows& rows, int32_t width, int32_t height, bool& up) {
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4), above(scratch.size());
    uint64_t plain = 0, differences = 0;
    for (int32_t y = kFilterSampleStep; y < height; y += kFilterSampleStep) {
        const uint8_t* prev = rows(y - 1, above.data());
        if (!prev) return false;
        if (prev != above.data()) std::copy(prev, prev + above.size(), above.begin());
        const uint8_t* row = rows(y, scratch.data());
        if (!row) return false;
        for (size_t i = 4; i < scratch.size(); ++i) {
            if ((i & 3) == 3) continue;  // the unused fourth byte
            plain += row[i] != row[i - 4];
            differences += static_cast<uint8_t>(row[i] - above[i]) != static_cast<uint8_t>(row[i - 4] - above[i - 4]);
        }
    }
    up = differences * 5 < plain * 4;
    return true;
}

void deflateBand(const PictureRows& rows, int32_t width, bool up, bool last, Band& band) {
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    size_t lineBytes = 1 + static_cast<size_t>(width) * 3;
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4), line(lineBytes), prior(lineBytes, 0),
        filtered(lineBytes);
    band.deflated.resize(std::max<size_t>(lineBytes, 1 << 16));
    size_t produced = 0;
    auto pump = [&](int flush) {
        do {
            if (produced == band.deflated.size()) band.deflated.resize(band.deflated.size() * 2);
            z.next_out = band.deflated.data() + produced;
            z.avail_out = static_cast<uInt>(band.deflated.size() - produced);
            int status = deflate(&z, flush);
            produced = band.deflated.size() - z.avail_out;
            if (status == Z_STREAM_ERROR) return false;
            if (flush == Z_FINISH && status == Z_STREAM_END) return true;
        } while (z.avail_in > 0 || z.avail_out == 0 || flush == Z_FINISH);
        return true;
    };
    bool ok = true;
    if (up && band.from > 0) {
        const uint8_t* above = rows(band.from - 1, scratch.data());
        if (!above) band.failedRow = band.from - 1, ok = false;
        else toRgb(above, width, prior.data() + 1);
    }
    for (int32_t y = band.from; ok && y < band.to; ++y) {
        const uint8_t* row = rows(y, scratch.data());
        if (!row) {
            band.failedRow = y;
            ok = false;
            break;
        }
        line[0] = kFilterNone;
        toRgb(row, width, line.data() + 1);
        const uint8_t* out = line.data();
        if (up) {
            filtered[0] = kFilterUp;
            for (size_t i = 1; i < lineBytes; ++i) filtered[i] = static_cast<uint8_t>(line[i] - prior[i]);
            std::swap(line, prior);
            out = filtered.data();
        }
        band.adler = adler32(band.adler, out, static_cast<uInt>(lineBytes));
        band.length += lineBytes;
        z.next_in = const_cast<Bytef*>(out);
        z.avail_in = static_cast<uInt>(lineBytes);
        ok = pump(Z_NO_FLUSH);
    }
    // A band that is not the last ends on a byte boundary without ending the stream.
    ok = ok && pump(last ? Z_FINISH : Z_SYNC_FLUSH);
    band.deflated.resize(produced);
    band.ok = ok;
    deflateEnd(&z);
}

void put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24), p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8), p[3] = static_cast<uint8_t>(v);
}

struct Part {
    const uint8_t* data;
    size_t size;
};

// One chunk whose data is the parts joined.
bool writeChunk(FILE* f, const char* type, std::initializer_list<Part> parts) {
    size_t length = 0;
    for (const Part& p : parts) length += p.size;
    if (length > 0x7FFFFFFF) return false;
    uint8_t head[8];
    put32(head, static_cast<uint32_t>(length));
    std::copy(type, type + 4, head + 4);
    uLong crc = crc32(0, head + 4, 4);
    bool ok = std::fwrite(head, 1, 8, f) == 8;
    for (const Part& p : parts) {
        crc = crc32(crc, p.data, static_cast<uInt>(p.size));
        ok = ok && (p.size == 0 || std::fwrite(p.data, 1, p.size, f) == p.size);
    }
    uint8_t tail[4];
    put32(tail, static_cast<uint32_t>(crc));
    return ok && std::fwrite(tail, 1, 4, f) == 4;
}
}  // namespace

bool WritePng(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
              unsigned threads) {
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * 3 + 1 > 0x7FFFFFFF) {
        error = "no picture to write to " + path;
        return false;
    }
    bool up = false;
    if (!chooseUpFilter(rows, width, height, up)) {
        error = "cannot read the picture's rows";
        return false;
    }
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    int32_t count = std::clamp<int32_t>(height / kMinBandRows, 1, static_cast<int32_t>(std::min(threads, 64u)));
    std::vector<Band> bands(static_cast<size_t>(count));
    for (int32_t b = 0; b < count; ++b) {
        bands[b].from = static_cast<int32_t>(static_cast<int64_t>(height) * b / count);
        bands[b].to = static_cast<int32_t>(static_cast<int64_t>(height) * (b + 1) / count);
    }
    std::vector<std::thread> workers;
    for (int32_t b = 1; b < count; ++b)
        workers.emplace_back([&, b] { deflateBand(rows, width, up, b == count - 1, bands[b]); });
    deflateBand(rows, width, up, count == 1, bands[0]);
    for (std::thread& t : workers) t.join();
    uLong adler = 1;
    for (const Band& band : bands) {
        if (!band.ok) {
            error = band.failedRow >= 0 ? "cannot read the picture's row " + std::to_string(band.failedRow)
                                        : "cannot compress the picture";
            return false;
        }
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t header[13];
    put32(header, static_cast<uint32_t>(width));
    put32(header + 4, static_cast<uint32_t>(height));
    header[8] = 8, header[9] = 2, header[10] = header[11] = header[12] = 0;  // 8-bit RGB, not interlaced
    static const uint8_t zlibHead[2] = {0x78, 0x01};                         // deflate, 32 KB window, quickest level
    uint8_t zlibTail[4];
    put32(zlibTail, static_cast<uint32_t>(adler));
    bool ok = std::fwrite(signature, 1, 8, f) == 8 && writeChunk(f, "IHDR", {{header, 13}});
    for (int32_t b = 0; ok && b < count; ++b) {
        const std::vector<uint8_t>& d = bands[b].deflated;
        ok = writeChunk(f, "IDAT",
                        {{zlibHead, b == 0 ? 2u : 0u}, {d.data(), d.size()}, {zlibTail, b == count - 1 ? 4u : 0u}});
    }
    ok = ok && writeChunk(f, "IEND", {});
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(path.c_str());
        error = "cannot write " + path;
    }
    return ok;
}

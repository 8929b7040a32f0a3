// PNG writing at the speed of the rest: bands of rows are deflated at once on several
// cores (each band a run of deflate blocks ending on a byte boundary, so that the bands
// joined are one stream), at zlib's quickest level. A picture of at most 256 colours, as
// pages of text and line art are, is written with a palette: a third of the bytes to deflate.
#include "png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {
// Rows a band has at least: fewer are not worth a thread.
constexpr int32_t kMinBandRows = 64;
// Every so many rows one is looked at to choose the filter.
constexpr int32_t kFilterSampleStep = 32;
// Every so many rows one is looked at to tell whether the picture may have a palette.
constexpr int32_t kColourSampleStep = 16;
constexpr uint8_t kFilterNone = 0, kFilterUp = 2;

// Up to 256 colours (0xRRGGBB), each with its index: greys, the most common on pages, by their
// level, other colours by hashing.
class Palette {
public:
    static constexpr int kMax = 256;
    // The colour's index, or -1 when it would be the 257th.
    int Add(uint32_t rgb) {
        if (isGrey(rgb)) {
            uint16_t& entry = grey_[rgb & 0xFF];
            if (entry) return entry - 1;
            if (size_ == kMax) return -1;
            entry = static_cast<uint16_t>(size_ + 1);
        } else {
            size_t s = find(rgb);
            if (keys_[s]) return index_[s];
            if (size_ == kMax) return -1;
            keys_[s] = rgb | kUsed;
            index_[s] = static_cast<uint8_t>(size_);
        }
        colours_[size_] = rgb;
        return size_++;
    }
    // The index of a colour added.
    uint8_t IndexOf(uint32_t rgb) const {
        return isGrey(rgb) ? static_cast<uint8_t>(grey_[rgb & 0xFF] - 1) : index_[find(rgb)];
    }
    int Size() const { return size_; }
    uint32_t Colour(int i) const { return colours_[i]; }
    // The colours in order of value, so that the file does not depend on how they were found.
    void Sort() {
        std::sort(colours_, colours_ + size_);
        for (int i = 0; i < size_; ++i) {
            uint32_t c = colours_[i];
            if (isGrey(c)) grey_[c & 0xFF] = static_cast<uint16_t>(i + 1);
            else index_[find(c)] = static_cast<uint8_t>(i);
        }
    }

private:
    static constexpr uint32_t kUsed = 1u << 24;
    static constexpr size_t kSlots = 1024;  // at most a quarter full
    uint32_t keys_[kSlots] = {};
    uint8_t index_[kSlots] = {};
    uint16_t grey_[256] = {};  // a grey's index + 1, 0 for a grey not in
    uint32_t colours_[kMax] = {};
    int size_ = 0;
    static bool isGrey(uint32_t rgb) { return (rgb >> 16) == (rgb & 0xFF) && ((rgb >> 8) & 0xFF) == (rgb & 0xFF); }
    size_t find(uint32_t rgb) const {
        size_t s = (rgb * 2654435761u) >> 22;
        while (keys_[s] && keys_[s] != (rgb | kUsed)) s = (s + 1) & (kSlots - 1);
        return s;
    }
};

struct Band {
    int32_t from = 0, to = 0;
    // The band's colours and its rows as indices into them, when they are few.
    Palette palette;
    std::unique_ptr<uint8_t[]> indices;  // every one written before it is read: not cleared first
    std::vector<uint8_t> deflated;
    uLong adler = 1;  // of the band's filtered rows alone
    uLong length = 0;
    int32_t failedRow = -1;
    bool ok = false;
};

// Pixel x of a BGRx row as 0xRRGGBB.
inline uint32_t pixelAt(const uint8_t* bgrx, int32_t x) {
    const uint8_t* p = bgrx + static_cast<size_t>(x) * 4;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;  // one load where the machine is little-endian
}

// Runs work(b) for every band b at once, the first on this thread.
template <typename Work>
void forEachBand(int32_t count, Work work) {
    std::vector<std::thread> workers;
    for (int32_t b = 1; b < count; ++b) workers.emplace_back([&work, b] { work(b); });
    work(0);
    for (std::thread& t : workers) t.join();
}

// The colours of every `step`th row from `from` to `to` into `palette`, and each pixel's index
// into `indices` when it is given; false when they are more than it holds or a row cannot be had.
bool indexRows(const PictureRows& rows, int32_t width, int32_t from, int32_t to, int32_t step, Palette& palette,
               uint8_t* indices) {
    std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4);
    uint32_t last = 0xFFFFFFFF;  // no colour
    int index = 0;
    for (int32_t y = from; y < to; y += step) {
        const uint8_t* row = rows(y, scratch.data());
        if (!row) return false;
        for (int32_t x = 0; x < width;) {
            uint32_t rgb = pixelAt(row, x);
            if (rgb != last) {
                last = rgb;
                index = palette.Add(rgb);
                if (index < 0) return false;
            }
            // A pixel unlike the next, as in dithers and the edges of shapes, is one index.
            if (x + 1 == width || pixelAt(row, x + 1) != rgb) {
                if (indices) *indices++ = static_cast<uint8_t>(index);
                ++x;
                continue;
            }
            // Pages are mostly runs of one colour: the run is found two pixels at a time.
            int32_t end = x + 2;
            const uint64_t two = uint64_t{rgb} | uint64_t{rgb} << 32, mask = 0x00FFFFFF00FFFFFFull;
            for (uint64_t pair; end + 1 < width; end += 2) {
                std::memcpy(&pair, row + static_cast<size_t>(end) * 4, 8);
                if ((pair & mask) != two) break;
            }
            while (end < width && pixelAt(row, end) == rgb) ++end;
            if (indices) {
                std::memset(indices, index, static_cast<size_t>(end - x));
                indices += end - x;
            }
            x = end;
        }
    }
    return true;
}

// The picture's palette, its bands' rows as indices into their own palettes, or null when it
// has more colours than one holds (or a row cannot be had; the RGB writing tells that). A
// sample of rows rules most photographs out first; then each band's rows are read once.
std::unique_ptr<Palette> indexBands(const PictureRows& rows, int32_t width, int32_t height, std::vector<Band>& bands) {
    auto palette = std::make_unique<Palette>();
    if (!indexRows(rows, width, 0, height, kColourSampleStep, *palette, nullptr)) return nullptr;
    std::vector<char> few(bands.size(), 0);
    forEachBand(static_cast<int32_t>(bands.size()), [&](int32_t b) {
        Band& band = bands[b];
        band.indices.reset(new uint8_t[static_cast<size_t>(width) * static_cast<size_t>(band.to - band.from)]);
        few[b] = indexRows(rows, width, band.from, band.to, 1, band.palette, band.indices.get());
    });
    if (!std::all_of(few.begin(), few.end(), [](char f) { return f != 0; })) return nullptr;
    palette = std::make_unique<Palette>();
    for (const Band& band : bands)
        for (int i = 0; i < band.palette.Size(); ++i)
            if (palette->Add(band.palette.Colour(i)) < 0) return nullptr;
    palette->Sort();
    return palette;
}

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

// Deflates a band's rows: as indices into `palette` when there is one (from the band's own
// indices), else as RGB.
void deflateBand(const PictureRows& rows, int32_t width, const Palette* palette, bool up, bool last, Band& band) {
    uint8_t toPalette[Palette::kMax] = {};
    if (palette)
        for (int i = 0; i < band.palette.Size(); ++i) toPalette[i] = palette->IndexOf(band.palette.Colour(i));
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    size_t lineBytes = 1 + static_cast<size_t>(width) * (palette ? 1 : 3);
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
        line[0] = kFilterNone;
        if (palette) {
            const uint8_t* indices = band.indices.get() + static_cast<size_t>(y - band.from) * width;
            for (int32_t x = 0; x < width; ++x) line[1 + x] = toPalette[indices[x]];
        } else if (const uint8_t* row = rows(y, scratch.data())) {
            toRgb(row, width, line.data() + 1);
        } else {
            band.failedRow = y;
            ok = false;
            break;
        }
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
              unsigned threads, int32_t dotsPerInch) {
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * 3 + 1 > 0x7FFFFFFF) {
        error = "no picture to write to " + path;
        return false;
    }
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    int32_t count = std::clamp<int32_t>(height / kMinBandRows, 1, static_cast<int32_t>(std::min(threads, 64u)));
    std::vector<Band> bands(static_cast<size_t>(count));
    for (int32_t b = 0; b < count; ++b) {
        bands[b].from = static_cast<int32_t>(static_cast<int64_t>(height) * b / count);
        bands[b].to = static_cast<int32_t>(static_cast<int64_t>(height) * (b + 1) / count);
    }
    std::unique_ptr<Palette> palette = indexBands(rows, width, height, bands);
    if (!palette)
        for (Band& band : bands) band.indices.reset();
    bool up = false;
    if (!palette && !chooseUpFilter(rows, width, height, up)) {
        error = "cannot read the picture's rows";
        return false;
    }
    forEachBand(count, [&](int32_t b) { deflateBand(rows, width, palette.get(), up, b == count - 1, bands[b]); });
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
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t header[13];
    put32(header, static_cast<uint32_t>(width));
    put32(header + 4, static_cast<uint32_t>(height));
    header[8] = 8, header[9] = palette ? 3 : 2;       // 8-bit palette indices or RGB
    header[10] = header[11] = header[12] = 0;         // not interlaced
    static const uint8_t zlibHead[2] = {0x78, 0x01};  // deflate, 32 KB window, quickest level
    uint8_t zlibTail[4];
    put32(zlibTail, static_cast<uint32_t>(adler));
    bool ok = std::fwrite(signature, 1, 8, f) == 8 && writeChunk(f, "IHDR", {{header, 13}});
    if (dotsPerInch > 0) {
        // The resolution, in pixels per metre each way.
        uint8_t physical[9];
        auto perMetre = static_cast<uint32_t>(std::lround(dotsPerInch / 0.0254));
        put32(physical, perMetre);
        put32(physical + 4, perMetre);
        physical[8] = 1;
        ok = ok && writeChunk(f, "pHYs", {{physical, 9}});
    }
    if (palette) {
        uint8_t entries[Palette::kMax * 3];
        for (int i = 0; i < palette->Size(); ++i) {
            uint32_t c = palette->Colour(i);
            entries[i * 3] = static_cast<uint8_t>(c >> 16);
            entries[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
            entries[i * 3 + 2] = static_cast<uint8_t>(c);
        }
        ok = ok && writeChunk(f, "PLTE", {{entries, static_cast<size_t>(palette->Size()) * 3}});
    }
    for (int32_t b = 0; ok && b < count; ++b) {
        const std::vector<uint8_t>& d = bands[b].deflated;
        ok = writeChunk(f, "IDAT",
                        {{zlibHead, b == 0 ? 2u : 0u}, {d.data(), d.size()}, {zlibTail, b == count - 1 ? 4u : 0u}});
    }
    ok = ok && writeChunk(f, "IEND", {});
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        int cause = errno;
        // A partial picture is not left behind; a device or FIFO written in place stays.
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) std::remove(path.c_str());
        error = "cannot write " + path + ": " + std::strerror(cause);
    }
    return ok;
}

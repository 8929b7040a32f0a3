#include "zjs_job.h"

#include <algorithm>

extern "C" {
#include <jbig.h>
}

namespace {
class ZjsWriter {
public:
    explicit ZjsWriter(bool big) : big_(big) { out_ = big ? Bytes{'J', 'Z', 'J', 'Z'} : Bytes{'Z', 'J', 'Z', 'J'}; }
    // Items of 32-bit values, then optionally one byte-table item (value type 4: its length, then its bytes).
    void Chunk(uint32_t type, const std::vector<std::pair<uint16_t, uint32_t>>& items, const uint8_t* data = nullptr,
               size_t size = 0, uint16_t tableCode = 0, const Bytes& table = {}) {
        size_t tableItem = table.empty() ? 0 : 12 + table.size();
        put32(static_cast<uint32_t>(16 + items.size() * 12 + tableItem + size));
        put32(type);
        put32(static_cast<uint32_t>(items.size() + (tableItem ? 1 : 0)));
        put32(0x5A5A);
        for (auto [code, value] : items) item(12, code, 1, value);
        if (tableItem) {
            item(static_cast<uint32_t>(tableItem), tableCode, 4, static_cast<uint32_t>(table.size()));
            out_.insert(out_.end(), table.begin(), table.end());
        }
        if (size) out_.insert(out_.end(), data, data + size);
    }
    Bytes Take() { return std::move(out_); }

private:
    void item(uint32_t size, uint16_t code, uint8_t valueType, uint32_t value) {
        put32(size);
        put16(code);
        out_.push_back(valueType);
        out_.push_back(0);
        put32(value);
    }
    void put32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(big_ ? v >> (24 - 8 * i) : v >> (8 * i)));
    }
    void put16(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(big_ ? v >> 8 : v));
        out_.push_back(static_cast<uint8_t>(big_ ? v : v >> 8));
    }
    bool big_;
    Bytes out_;
};

void collect(unsigned char* start, size_t len, void* file) {
    auto* out = static_cast<Bytes*>(file);
    out->insert(out->end(), start, start + len);
}
}  // namespace

BiLevelImage BiLevelImage::Blank(int width, int height) {
    BiLevelImage img;
    img.width = width;
    img.height = height;
    img.rows.assign(img.Stride() * height, 0);
    return img;
}

Bytes EncodeJbig(const BiLevelImage& image, int firstRow, int rows) {
    Bytes out;
    if (rows < 0) rows = image.height - firstRow;
    std::vector<uint8_t> copy(image.rows.begin() + static_cast<long>(image.Stride() * firstRow),
                              image.rows.begin() + static_cast<long>(image.Stride() * (firstRow + rows)));
    unsigned char* planes[1] = {copy.data()};
    jbg_enc_state state;
    jbg_enc_init(&state, static_cast<unsigned long>(image.width), static_cast<unsigned long>(rows), 1, planes, collect,
                 &out);
    jbg_enc_options(&state, -1, -1, 128, -1, -1);  // one stripe height for every band of a page
    jbg_enc_out(&state);
    jbg_enc_free(&state);
    return out;
}

Bytes MakeZjsJob(const std::vector<BiLevelImage>& pages, const ZjsJobOptions& o) {
    enum { START_DOC = 0, END_DOC, START_PAGE, END_PAGE, BIH, BID, END_JBIG };
    ZjsWriter w(o.bigEndian);
    w.Chunk(START_DOC,
            {{0, static_cast<uint32_t>(pages.size())},
             {3, static_cast<uint32_t>(o.paperCode)},
             {8, static_cast<uint32_t>(o.resolution)},
             {9, static_cast<uint32_t>(o.resolution)}});
    for (const BiLevelImage& page : pages) {
        w.Chunk(START_PAGE, {{12, static_cast<uint32_t>(page.width)}, {13, static_cast<uint32_t>(page.height)}});
        if (o.bandRows > 0) {
            // The black plane in bands: the first chunk carries the image header, each band its own data.
            enum { BANDED = 12, PLANE = 20, JBIG_BIH = 102, INCRY = 105 };
            for (int row = 0; row < page.height; row += o.bandRows) {
                int rows = std::min(o.bandRows, page.height - row);
                Bytes band = EncodeJbig(page, row, rows);
                if (row == 0)
                    w.Chunk(BANDED, {{PLANE, 4}, {INCRY, static_cast<uint32_t>(o.bandRows)}}, nullptr, 0, JBIG_BIH,
                            Bytes(band.begin(), band.begin() + 20));
                std::vector<std::pair<uint16_t, uint32_t>> items = {{PLANE, 4}};
                if (rows != o.bandRows) items.push_back({INCRY, static_cast<uint32_t>(rows)});
                w.Chunk(BANDED, items, band.data() + 20, band.size() - 20);
            }
            w.Chunk(END_PAGE, {});
            continue;
        }
        Bytes jbig = EncodeJbig(page);
        w.Chunk(BIH, {}, jbig.data(), 20);
        // Data in chunks of at most 64 KiB, as drivers send them.
        for (size_t at = 20; at < jbig.size(); at += 65536)
            w.Chunk(BID, {}, jbig.data() + at, std::min<size_t>(65536, jbig.size() - at));
        w.Chunk(END_JBIG, {});
        w.Chunk(END_PAGE, {});
    }
    w.Chunk(END_DOC, {});
    return w.Take();
}

BiLevelImage SamplePageImage(int width, int height) {
    BiLevelImage img = BiLevelImage::Blank(width, height);
    for (int x = 0; x < width; ++x) img.Set(x, 0), img.Set(x, height - 1);
    for (int y = 0; y < height; ++y) img.Set(0, y), img.Set(width - 1, y);
    for (int y = height / 8; y < height / 4; ++y)
        for (int x = width / 10; x < width / 3; ++x) img.Set(x, y);
    for (int t = 0; t < std::min(width, height); ++t) img.Set(t, t);
    return img;
}

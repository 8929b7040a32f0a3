// Metafile recording: records are kept in memory and the file is written once
// when the recording is closed.
#pragma once
#include "emf_records.h"
#include "gdi_internal.h"

#include <unordered_map>

namespace gdi {

struct Recorder {
    std::string fileName;
    RECTL frame{};
    std::vector<BYTE> bytes = std::vector<BYTE>(sizeof(ENHMETAHEADER));  // header room, then the records
    uint32_t records = 0;
    bool hasBounds = false;
    bool extentsUncertain = false;  // the player may hold other extents than ours
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    std::unordered_map<Object*, uint32_t> handles;
    std::vector<bool> slotUsed{true};  // slot 0 is the metafile itself

    void extend(double x0, double y0, double x1, double y1);
    void extend(const Path& path, double pad);
};

// Builds one record; the size is patched when it goes out of scope.
class RecordWriter {
public:
    RecordWriter(Recorder& rec, unsigned type);
    ~RecordWriter();
    RecordWriter& u32(uint32_t v);
    RecordWriter& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    RecordWriter& f32(float v);
    RecordWriter& u16(uint16_t v);
    RecordWriter& raw(const void* data, size_t size);
    RecordWriter& rect(LONG l, LONG t, LONG r, LONG b) { return i32(l).i32(t).i32(r).i32(b); }
    // Inclusive bounds of the rectangle at (x, y) of size w by h, either size negative.
    RecordWriter& box(int64_t x, int64_t y, int64_t w, int64_t h);
    RecordWriter& pad4();
    size_t offset() const;  // bytes from the start of this record
    void patch32(size_t offset, uint32_t v);

private:
    Recorder& rec_;
    size_t start_;
};

// Handle index of an object in a metafile, emitting its creation record the
// first time. Stock objects use their stock index with the high bit set.
uint32_t RecordObject(DC& dc, Object* obj);
void RecordSelect(DC& dc, Object* obj);
// Called when an object is deleted: every open recording frees its slot.
void ForgetRecordedObject(Object* obj);
void RecordSimple(DC& dc, unsigned type, std::initializer_list<uint32_t> values);
void RecordPoints(DC& dc, unsigned type, const POINT* pts, size_t n);
void RecordDib(RecordWriter& w, size_t offField, const ImageRef& img, bool keepAlpha = false);

}  // namespace gdi

// Recording DCs: every drawing call becomes a standard EMF record.
#include "emf_recorder.h"

#include "emf_file.h"
#include "kernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

HDC CreateMetafileDC(std::unique_ptr<gdi::Recorder> rec, int widthPx, int heightPx, int widthMm, int heightMm);

namespace gdi {
namespace {
// The DCs recording now, each a thread's own; the list is shared.
std::mutex& recordingMutex() {
    static std::mutex m;
    return m;
}
std::vector<DC*>& recordingDCs() {
    static std::vector<DC*> list;
    return list;
}

// Largest page a recording accepts: 10 m a side, in 0.01 mm.
constexpr LONG kMaxFrame = 1000000;
}  // namespace

void Recorder::extend(double x0, double y0, double x1, double y1) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    if (!hasBounds) {
        minX = x0, minY = y0, maxX = x1, maxY = y1;
        hasBounds = true;
        return;
    }
    minX = std::min(minX, x0), minY = std::min(minY, y0);
    maxX = std::max(maxX, x1), maxY = std::max(maxY, y1);
}

void Recorder::extend(const Path& path, double pad) {
    for (const PathOp& op : path) {
        int n = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int i = 0; i < n; ++i) extend(op.p[i].x - pad, op.p[i].y - pad, op.p[i].x + pad, op.p[i].y + pad);
    }
}

RecordWriter::RecordWriter(Recorder& rec, unsigned type) : rec_(rec), start_(rec.bytes.size()) { u32(type).u32(0); }

RecordWriter::~RecordWriter() {
    pad4();
    patch32(4, static_cast<uint32_t>(rec_.bytes.size() - start_));
    ++rec_.records;
}

RecordWriter& RecordWriter::u32(uint32_t v) { return raw(&v, 4); }
RecordWriter& RecordWriter::u16(uint16_t v) { return raw(&v, 2); }
RecordWriter& RecordWriter::f32(float v) { return raw(&v, 4); }
RecordWriter& RecordWriter::raw(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    rec_.bytes.insert(rec_.bytes.end(), p, p + size);
    return *this;
}
RecordWriter& RecordWriter::box(int64_t x, int64_t y, int64_t w, int64_t h) {
    auto clamp = [](int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return rect(clamp(std::min(x, x + w)), clamp(std::min(y, y + h)), clamp(std::max(x, x + w) - 1),
                clamp(std::max(y, y + h) - 1));
}

RecordWriter& RecordWriter::pad4() {
    while ((rec_.bytes.size() - start_) % 4) rec_.bytes.push_back(0);
    return *this;
}
size_t RecordWriter::offset() const { return rec_.bytes.size() - start_; }
void RecordWriter::patch32(size_t off, uint32_t v) { std::memcpy(rec_.bytes.data() + start_ + off, &v, 4); }

void RecordSimple(DC& dc, unsigned type, std::initializer_list<uint32_t> values) {
    RecordWriter w(*dc.rec, type);
    for (uint32_t v : values) w.u32(v);
}

void RecordDib(RecordWriter& w, size_t offField, const ImageRef& img, bool keepAlpha) {
    size_t headerSize = 0;
    std::vector<BYTE> dib = PackDib(img, headerSize, keepAlpha);
    size_t at = w.offset();
    w.raw(dib.data(), dib.size());
    w.patch32(offField, static_cast<uint32_t>(at));
    w.patch32(offField + 4, static_cast<uint32_t>(headerSize));
    w.patch32(offField + 8, static_cast<uint32_t>(at + headerSize));
    w.patch32(offField + 12, static_cast<uint32_t>(dib.size() - headerSize));
}

void RecordPoints(DC& dc, unsigned type, const POINT* pts, size_t n) {
    LONG l = 0, t = 0, r = -1, b = -1;
    bool fits16 = true;
    for (size_t i = 0; i < n; ++i) {
        if (i == 0) l = r = pts[i].x, t = b = pts[i].y;
        l = std::min(l, pts[i].x), r = std::max(r, pts[i].x);
        t = std::min(t, pts[i].y), b = std::max(b, pts[i].y);
        fits16 = fits16 && pts[i].x >= -32768 && pts[i].x <= 32767 && pts[i].y >= -32768 && pts[i].y <= 32767;
    }
    // The 16-bit forms follow their 32-bit record type at a fixed distance.
    static const unsigned to16[][2] = {{EMR_POLYBEZIER, EMR_POLYBEZIER16},
                                       {EMR_POLYGON, EMR_POLYGON16},
                                       {EMR_POLYLINE, EMR_POLYLINE16},
                                       {EMR_POLYBEZIERTO, EMR_POLYBEZIERTO16},
                                       {EMR_POLYLINETO, EMR_POLYLINETO16}};
    unsigned t16 = 0;
    for (auto& m : to16)
        if (m[0] == type) t16 = m[1];
    RecordWriter w(*dc.rec, fits16 && t16 ? t16 : type);
    w.rect(l, t, r, b).u32(static_cast<uint32_t>(n));
    for (size_t i = 0; i < n; ++i) {
        if (fits16 && t16) w.u16(static_cast<uint16_t>(pts[i].x)).u16(static_cast<uint16_t>(pts[i].y));
        else w.i32(pts[i].x).i32(pts[i].y);
    }
}

uint32_t RecordObject(DC& dc, Object* obj) {
    if (obj->stockIndex >= 0) return kStockObjectFlag | static_cast<uint32_t>(obj->stockIndex);
    // Another thread deleting an object looks it up in every recorder's handles.
    std::lock_guard<std::mutex> lock(recordingMutex());
    Recorder& rec = *dc.rec;
    auto it = rec.handles.find(obj);
    if (it != rec.handles.end()) return it->second;
    uint32_t index = 1;
    while (index < rec.slotUsed.size() && rec.slotUsed[index]) ++index;
    if (index == rec.slotUsed.size()) rec.slotUsed.push_back(true);
    rec.slotUsed[index] = true;
    rec.handles[obj] = index;
    switch (obj->kind) {
    case Kind::Pen: {
        auto* p = static_cast<PenObj*>(obj);
        if (!p->extended) {
            RecordWriter w(rec, EMR_CREATEPEN);
            w.u32(index).u32(p->style & PS_STYLE_MASK).i32(static_cast<LONG>(p->width)).i32(0).u32(p->color);
        } else {
            RecordWriter w(rec, EMR_EXTCREATEPEN);
            w.u32(index).u32(0).u32(0).u32(0).u32(0);
            // A patterned pen's colour field names how its DIB's colours are given.
            uint32_t color = p->pattern ? DIB_RGB_COLORS : p->color;
            w.u32(p->style).u32(static_cast<uint32_t>(p->width)).u32(p->brushStyle).u32(color).u32(p->hatch);
            w.u32(static_cast<uint32_t>(p->dashes.size()));
            for (DWORD d : p->dashes) w.u32(d);
            if (p->pattern) RecordDib(w, 12, *p->pattern);
        }
        break;
    }
    case Kind::Brush: {
        auto* b = static_cast<BrushObj*>(obj);
        if (b->pattern) {
            RecordWriter w(rec, b->pattern->mono ? EMR_CREATEMONOBRUSH : EMR_CREATEDIBPATTERNBRUSHPT);
            w.u32(index).u32(DIB_RGB_COLORS).u32(0).u32(0).u32(0).u32(0);
            RecordDib(w, 16, *b->pattern);
        } else {
            RecordWriter w(rec, EMR_CREATEBRUSHINDIRECT);
            w.u32(index).u32(b->style).u32(b->color).u32(b->hatch);
        }
        break;
    }
    case Kind::Font: {
        auto* f = static_cast<FontObj*>(obj);
        RecordWriter w(rec, EMR_EXTCREATEFONTINDIRECTW);
        w.u32(index).raw(&f->lf, sizeof f->lf);
        // Full name, style and script of the ENUMLOGFONTEXW form, left empty.
        static const BYTE zeros[256] = {};
        w.raw(zeros, sizeof zeros);
        break;
    }
    case Kind::Palette: {
        auto* p = static_cast<PaletteObj*>(obj);
        RecordWriter w(rec, EMR_CREATEPALETTE);
        w.u32(index).u16(0x300).u16(static_cast<uint16_t>(p->entries.size()));
        w.raw(p->entries.data(), p->entries.size() * sizeof(PALETTEENTRY));
        break;
    }
    default: break;
    }
    return index;
}

void RecordSelect(DC& dc, Object* obj) { RecordSimple(dc, EMR_SELECTOBJECT, {RecordObject(dc, obj)}); }

void ForgetRecordedObject(Object* obj) {
    std::lock_guard<std::mutex> lock(recordingMutex());
    for (DC* dc : recordingDCs()) {
        auto it = dc->rec->handles.find(obj);
        if (it == dc->rec->handles.end()) continue;
        // A selected object stays alive in the metafile until it is replaced.
        RecordSimple(*dc, EMR_DELETEOBJECT, {it->second});
        dc->rec->slotUsed[it->second] = false;
        dc->rec->handles.erase(it);
    }
}

}  // namespace gdi

using namespace gdi;

namespace {
// The size of the last metafile recorded: pages of one job are much alike, and room for
// the next one made at once spares copying it as it grows.
std::atomic<size_t> lastRecordingSize{0};
constexpr size_t kMaxRecordingReserve = 64u << 20;
}  // namespace

HDC CreateEnhMetaFileA(HDC, LPCSTR fileName, const RECT* frame, LPCSTR) {
    auto rec = std::make_unique<Recorder>();
    rec->bytes.reserve(std::min(lastRecordingSize.load(std::memory_order_relaxed) + (64u << 10), kMaxRecordingReserve));
    if (fileName) rec->fileName = fileName;
    RECTL f = frame ? *frame : RECTL{0, 0, kScreenWidthMm * 100, kScreenHeightMm * 100};
    if (f.right < f.left) std::swap(f.left, f.right);
    if (f.bottom < f.top) std::swap(f.top, f.bottom);
    long long w = static_cast<long long>(f.right) - f.left, h = static_cast<long long>(f.bottom) - f.top;
    if (w <= 0 || h <= 0 || w > kMaxFrame || h > kMaxFrame) return nullptr;
    rec->frame = f;
    // The page is its own reference device: its size in millimetres, in pixels at the screen resolution.
    int mmW = std::max(1, static_cast<int>(std::lround(w / 100.0)));
    int mmH = std::max(1, static_cast<int>(std::lround(h / 100.0)));
    int pxW = std::max(1, static_cast<int>(std::lround(w / 2540.0 * kScreenDpi)));
    int pxH = std::max(1, static_cast<int>(std::lround(h / 2540.0 * kScreenDpi)));
    HDC hdc = CreateMetafileDC(std::move(rec), pxW, pxH, mmW, mmH);
    std::lock_guard<std::mutex> lock(recordingMutex());
    recordingDCs().push_back(LookUpDC(hdc));
    return hdc;
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
    DC* dc = LookUpDC(hdc);
    if (!dc || !dc->rec) return nullptr;
    {
        std::lock_guard<std::mutex> lock(recordingMutex());
        auto& list = recordingDCs();
        list.erase(std::remove(list.begin(), list.end(), dc), list.end());
    }
    Recorder& rec = *dc->rec;
    {
        RecordWriter w(rec, EMR_EOF);
        w.u32(0).u32(16).u32(20);
    }
    ENHMETAHEADER h{};
    h.iType = EMR_HEADER;
    h.nSize = sizeof h;
    if (rec.hasBounds) {
        auto clampL = [](double v) { return static_cast<LONG>(std::clamp(v, -1e9, 1e9)); };
        h.rclBounds = {clampL(std::floor(rec.minX)), clampL(std::floor(rec.minY)), clampL(std::ceil(rec.maxX)),
                       clampL(std::ceil(rec.maxY))};
    } else {
        h.rclBounds = {0, 0, -1, -1};
    }
    h.rclFrame = rec.frame;
    h.dSignature = kEmfSignature;
    h.nVersion = 0x10000;
    h.nBytes = static_cast<DWORD>(rec.bytes.size());
    h.nRecords = rec.records + 1;
    h.nHandles = static_cast<WORD>(std::min<size_t>(rec.slotUsed.size(), 0xFFFF));
    h.szlDevice = {dc->devWidth, dc->devHeight};
    h.szlMillimeters = {dc->devWidthMm, dc->devHeightMm};
    h.szlMicrometers = {(rec.frame.right - rec.frame.left) * 10, (rec.frame.bottom - rec.frame.top) * 10};
    auto emf = std::make_unique<EnhMetaFile>();
    lastRecordingSize.store(rec.bytes.size(), std::memory_order_relaxed);
    std::memcpy(rec.bytes.data(), &h, sizeof h);
    emf->own = std::move(rec.bytes);
    std::string name = rec.fileName;
    DeleteDC(hdc);
    emf->data = emf->own.data();
    emf->size = emf->own.size();
    if (!ValidateEmf(*emf)) return nullptr;
    if (!name.empty()) {
        HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return nullptr;
        DWORD written = 0;
        BOOL ok = WriteFile(f, emf->data, static_cast<DWORD>(emf->size), &written, nullptr);
        CloseHandle(f);
        if (!ok || written != emf->size) {
            DeleteFileA(name.c_str());
            return nullptr;
        }
    }
    return RegisterEmf(std::move(emf));
}

BOOL GdiComment(HDC hdc, UINT size, const BYTE* data) {
    DC* dc = LookUpDC(hdc);
    if (!dc || (size && !data)) return FALSE;
    if (!dc->rec) return TRUE;
    RecordWriter w(*dc->rec, EMR_GDICOMMENT);
    w.u32(size).raw(data, size);
    return TRUE;
}

#include "zjs_reader.h"

#include "job_problems.h"

#include "jbig_page.h"
#include "kernel.h"
#include "page_files.h"
#include "zjs_name_tables.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {
constexpr size_t kChunkHeader = 16, kItemHeader = 8;

// State of one walk; whatever is open when it ends is closed, and its
// temporary files deleted.
class ZjsWalk {
public:
    ZjsWalk(const char* tempDir, PageList& pages) : tempDir_(tempDir), pages_(pages) {}
    ~ZjsWalk();
    void Open(const PrintJob& job);
    void Run();

private:
    uint32_t u32(size_t at) const {
        uint32_t v;
        std::memcpy(&v, view_ + at, 4);
        return swap_ ? __builtin_bswap32(v) : v;
    }
    uint16_t u16(size_t at) const {
        uint16_t v;
        std::memcpy(&v, view_ + at, 2);
        return swap_ ? __builtin_bswap16(v) : v;
    }
    size_t items(size_t chunk, size_t end, int32_t count);
    void geometry(uint16_t code, int32_t value);
    void action(uint32_t type, size_t payload, size_t end);
    // JBIG files of the page, one a colour plane (0 when the job names none).
    struct PlaneFile {
        std::string name;
        HANDLE file = INVALID_HANDLE_VALUE;
    };
    static constexpr int kPlanes = 5;
    // A plane sent in bands of rows, each decoded as it arrives (the Color
    // LaserJet 1600/2600 family's streams): the image header its first chunk
    // carries, the height of a band, the rows so far.
    struct BandedPlane {
        uint8_t header[20] = {};
        uint32_t bandRows = 0;
        bool started = false;
        JbigPlaneImage image;
    };
    void closeJbig();
    void dropJbig();
    void dropPlane(PlaneFile& plane);
    void band(size_t payload, size_t end);
    void endPage();

    const char* tempDir_;
    PageList& pages_;
    const ZjsNameTables& names_ = BuildZjsNameTables();
    const uint8_t* view_ = nullptr;
    size_t size_ = 0;
    bool swap_ = false;
    int page_ = 0;
    ZjsRaster raster_;  // paper, resolutions and raster items hold from page to page until changed
    PlaneFile planes_[kPlanes];
    BandedPlane banded_[kPlanes];
    int plane_ = 0;
    // What the chunk being read says of a band: its height, its image header.
    uint32_t chunkBandRows_ = 0;
    const uint8_t* chunkHeader_ = nullptr;
    std::FILE* trace_ = nullptr;
    std::string traceName_;
    bool ended_ = false;
    size_t pageLimit_ = SIZE_MAX;
};

ZjsWalk::~ZjsWalk() {
    dropJbig();
    if (trace_) {
        std::fclose(trace_);
        DeleteTemporaryFile(traceName_);
    }
}

void ZjsWalk::Open(const PrintJob& job) {
    if (job.size < 4) throw std::runtime_error("Bad file size");
    view_ = job.data;
    size_ = job.size;
    pageLimit_ = job.pageLimit;
    trace_ = CreateTraceFile(tempDir_, "zjs", ".asm", traceName_);
    if (!trace_) throw std::runtime_error("Can not open output file");
    std::fprintf(trace_, "; ZjStream dump of %s\n\n", job.name);
}

void ZjsWalk::Run() {
    // The signature may follow a job-control header of any length.
    size_t at = 0;
    for (; size_ - at >= 4; ++at) {
        if (std::memcmp(view_ + at, "JZJZ", 4) == 0) {
            swap_ = true;
            break;
        }
        if (std::memcmp(view_ + at, "ZJZJ", 4) == 0) {
            swap_ = false;
            break;
        }
    }
    if (size_ - at < 4) throw std::runtime_error("Signature not found");
    size_t chunk = at + 4;
    while (chunk < size_ && !ended_ && pages_.size() < pageLimit_) {
        // A chunk that does not fit, or claims less than its own header, ends the walk.
        if (size_ - chunk < kChunkHeader) {
            ReportJobProblem(0, "the job ends inside a chunk");
            break;
        }
        uint32_t size = u32(chunk), type = u32(chunk + 4);
        int32_t count = static_cast<int32_t>(u32(chunk + 8));
        if (size < kChunkHeader || size > size_ - chunk) {
            ReportJobProblem(0,
                             size < kChunkHeader ? "a chunk too short for its header ends the reading"
                                                 : "the job ends inside a chunk");
            break;
        }
        const char* name = names_.chunks.Find(type);
        if (name) std::fprintf(trace_, "%s\n", name);
        else std::fprintf(trace_, "Unknown chunk type - %d\n", static_cast<int>(type));
        size_t end = chunk + size;
        size_t payload = items(chunk, end, count);
        if (name) action(type, payload, end);
        chunk = end;
    }
}

// Traces the items of a chunk and takes the paper code and resolution from
// them; returns where the payload starts. Items stop at the chunk's end.
size_t ZjsWalk::items(size_t chunk, size_t end, int32_t count) {
    size_t item = chunk + kChunkHeader;
    chunkBandRows_ = 0;
    chunkHeader_ = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        if (end - item < kItemHeader) break;
        uint32_t size = u32(item);
        if (size < kItemHeader || size > end - item) break;
        uint16_t code = u16(item + 4);
        uint8_t valueType = view_[item + 6];
        if (const char* name = names_.items.Find(code)) std::fprintf(trace_, "\t%s", name);
        else std::fprintf(trace_, "\tUnknown item type - %d", code);
        if ((valueType == 1 || valueType == 2) && size >= kItemHeader + 4) {
            int32_t value = static_cast<int32_t>(u32(item + 8));
            std::fprintf(trace_, " %d\n", value);
            if (valueType == 1) geometry(code, value);
            if (code == ZJI_PLANE) plane_ = value >= 0 && value < kPlanes ? value : 0;
            if (code == ZJI_INCRY) chunkBandRows_ = value > 0 ? static_cast<uint32_t>(value) : 0;
        } else if (valueType == 4 && code == ZJI_JBIG_BIH && size >= kItemHeader + 4 + 20 &&
                   u32(item + kItemHeader) >= 20) {
            // A byte table: its length, then the 20-byte image header of the bands that follow.
            chunkHeader_ = view_ + item + kItemHeader + 4;
            std::fprintf(trace_, " header of %u bytes\n", u32(item + kItemHeader));
        } else if (valueType == 3) {
            // The string ends at its terminator or at the end of its item.
            const char* text = reinterpret_cast<const char*>(view_ + item + kItemHeader);
            size_t length = strnlen(text, size - kItemHeader);
            std::fprintf(trace_, " %.*s\n", static_cast<int>(length), text);
        } else {
            std::fprintf(trace_, "\n");
        }
        item += size;
    }
    return item;
}

// Items that place the page's raster; out-of-range values are kept within bounds.
void ZjsWalk::geometry(uint16_t code, int32_t value) {
    int32_t dots = std::clamp(value, 0, 1 << 20);
    switch (code) {
    case ZJI_DMPAPER: raster_.paperCode = value; break;
    case ZJI_RESOLUTION_X: raster_.resolutionX = value; break;
    case ZJI_RESOLUTION_Y: raster_.resolutionY = value; break;
    case ZJI_RASTER_X: raster_.rasterX = dots; break;
    case ZJI_RASTER_Y: raster_.rasterY = dots; break;
    case ZJI_VIDEO_X: raster_.videoX = dots; break;
    case ZJI_VIDEO_Y: raster_.videoY = dots; break;
    case ZJI_OFFSET_X: raster_.offsetX = dots; break;
    case ZJI_OFFSET_Y: raster_.offsetY = dots; break;
    default: break;
    }
}

void ZjsWalk::action(uint32_t type, size_t payload, size_t end) {
    PlaneFile& plane = planes_[plane_];
    switch (type) {
    case ZJT_END_DOC: ended_ = true; break;
    case ZJT_START_PAGE:
        ++page_;
        plane_ = 0;
        dropJbig();  // an unfinished page is forgotten
        break;
    case ZJT_JBIG_BIH:
        dropPlane(plane);  // a second header for a plane replaces the first
        plane.file = CreateNumberedFile(tempDir_, page_, ".jbg", plane.name);
        [[fallthrough]];
    case ZJT_JBIG_BID:
        if (plane.file != INVALID_HANDLE_VALUE && end > payload) {
            DWORD written = 0;
            if (!WriteFile(plane.file, view_ + payload, static_cast<DWORD>(end - payload), &written, nullptr))
                dropPlane(plane);
        }
        break;
    case ZJT_END_PAGE: endPage(); break;
    case ZJT_2600N: band(payload, end); break;
    default: break;
    }
}

// A chunk of a banded plane: the first brings the image header and the band
// height, each after it one band's data.
void ZjsWalk::band(size_t payload, size_t end) {
    BandedPlane& b = banded_[plane_];
    if (chunkHeader_) {
        b = BandedPlane{};
        std::memcpy(b.header, chunkHeader_, sizeof b.header);
        b.bandRows = chunkBandRows_;
        b.started = true;
    }
    if (!b.started || end <= payload) return;
    AppendJbigBand(b.header, chunkBandRows_ ? chunkBandRows_ : b.bandRows, view_ + payload, end - payload,
                   JbigImageLimits(raster_), b.image);
}

void ZjsWalk::closeJbig() {
    for (PlaneFile& p : planes_) {
        if (p.file != INVALID_HANDLE_VALUE) CloseHandle(p.file);
        p.file = INVALID_HANDLE_VALUE;
    }
}

void ZjsWalk::dropPlane(PlaneFile& p) {
    if (p.file != INVALID_HANDLE_VALUE) CloseHandle(p.file);
    p.file = INVALID_HANDLE_VALUE;
    if (!p.name.empty()) DeleteTemporaryFile(p.name);
    p.name.clear();
}

void ZjsWalk::dropJbig() {
    for (PlaneFile& p : planes_) dropPlane(p);
    for (BandedPlane& b : banded_) b = BandedPlane{};
}

void ZjsWalk::endPage() {
    closeJbig();
    // Toner colours of the planes: none named (black), cyan, magenta, yellow, black.
    static const uint32_t inks[kPlanes] = {0x000000, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000};
    JbigLimits limits = JbigImageLimits(raster_);
    std::vector<JbigPlaneImage> images;
    for (int i : {3, 2, 1, 0, 4}) {  // yellow first, black last, as printers lay them down
        JbigPlaneImage image;
        bool decoded = !planes_[i].name.empty() && DecodeJbigFile(planes_[i].name.c_str(), limits, image);
        if (!decoded && !planes_[i].name.empty())
            ReportJobProblem(static_cast<size_t>(page_), "a JBIG image cannot be decoded and is left out");
        if (!decoded && banded_[i].image.height == 0) continue;  // no image arrived for this plane
        images.push_back(decoded ? std::move(image) : std::move(banded_[i].image));
        images.back().ink = inks[i];
    }
    if (!images.empty()) {  // else no image arrived for this page, or none could be decoded
        std::string page = ReservePageFile(tempDir_, page_);
        if (!page.empty()) {
            pages_.reserve(pages_.size() + 1);
            if (RecordZjsPage(page.c_str(), images, raster_)) pages_.push_back(page);
        }
    }
    dropJbig();
}
}  // namespace

int ZjsReader::Walk(const char* tempDir, PageList& pages, const PrintJob& job) {
    try {
        ZjsWalk walk(tempDir, pages);
        walk.Open(job);
        walk.Run();
        return 1;
    } catch (const std::exception&) {
        return -1;
    }
}

bool ConvertZjsJob(const PrintJob& job, PageList& pages) {
    std::string tempDir = TempDirectory();
    if (tempDir.empty()) return true;
    BuildZjsNameTables();
    ZjsReader().Walk(tempDir.c_str(), pages, job);
    return true;
}

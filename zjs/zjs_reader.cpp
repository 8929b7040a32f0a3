#include "zjs_reader.h"

#include "jbig_page.h"
#include "kernel.h"
#include "page_files.h"
#include "zjs_name_tables.h"

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
    void action(uint32_t type, size_t payload, size_t end);
    // JBIG files of the page, one a colour plane (0 when the job names none).
    struct PlaneFile {
        std::string name;
        HANDLE file = INVALID_HANDLE_VALUE;
    };
    static constexpr int kPlanes = 5;
    void closeJbig();
    void dropJbig();
    void dropPlane(PlaneFile& plane);
    void endPage();

    const char* tempDir_;
    PageList& pages_;
    const ZjsNameTables& names_ = BuildZjsNameTables();
    const uint8_t* view_ = nullptr;
    size_t size_ = 0;
    bool swap_ = false;
    int page_ = 0;
    int32_t paperCode_ = 9, resolution_ = 600;
    PlaneFile planes_[kPlanes];
    int plane_ = 0;
    std::FILE* trace_ = nullptr;
    std::string traceName_;
    bool ended_ = false;
};

ZjsWalk::~ZjsWalk() {
    dropJbig();
    if (trace_) {
        std::fclose(trace_);
        DeleteFileA(traceName_.c_str());
    }
}

void ZjsWalk::Open(const PrintJob& job) {
    if (job.size < 4) throw std::runtime_error("Bad file size");
    view_ = job.data;
    size_ = job.size;
    trace_ = CreateTraceFile(tempDir_, "zjs", ".asm", traceName_);
    if (!trace_) throw std::runtime_error("Can not open output file");
    std::fprintf(trace_, "; ZjStream dump of %s\n\n", job.name);
}

void ZjsWalk::Run() {
    // The signature may follow a job-control header of any length.
    size_t at = 0;
    for (; size_ - at >= 4; ++at) {
        if (std::memcmp(view_ + at, "JZJZ", 4) == 0) { swap_ = true; break; }
        if (std::memcmp(view_ + at, "ZJZJ", 4) == 0) { swap_ = false; break; }
    }
    if (size_ - at < 4) throw std::runtime_error("Signature not found");
    size_t chunk = at + 4;
    while (chunk < size_ && !ended_) {
        // A chunk that does not fit, or claims less than its own header, ends the walk.
        if (size_ - chunk < kChunkHeader) break;
        uint32_t size = u32(chunk), type = u32(chunk + 4);
        int32_t count = static_cast<int32_t>(u32(chunk + 8));
        if (size < kChunkHeader || size > size_ - chunk) break;
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
            if (valueType == 1 && code == ZJI_DMPAPER) paperCode_ = value;
            if (valueType == 1 && code == ZJI_RESOLUTION_X) resolution_ = value;
            if (code == ZJI_PLANE) plane_ = value >= 0 && value < kPlanes ? value : 0;
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
    default: break;
    }
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
    if (!p.name.empty()) DeleteFileA(p.name.c_str());
    p.name.clear();
}

void ZjsWalk::dropJbig() {
    for (PlaneFile& p : planes_) dropPlane(p);
}

void ZjsWalk::endPage() {
    closeJbig();
    // Toner colours of the planes: none named (black), cyan, magenta, yellow, black.
    static const uint32_t inks[kPlanes] = {0x000000, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000};
    std::vector<JbigPlane> planes;
    for (int i : {3, 2, 1, 0, 4})  // yellow first, black last, as printers lay them down
        if (!planes_[i].name.empty()) planes.push_back({planes_[i].name, inks[i]});
    if (!planes.empty()) {  // else no image arrived for this page
        std::string page = ReservePageFile(tempDir_, page_);
        if (!page.empty()) {
            pages_.reserve(pages_.size() + 1);
            if (BuildJbigColourPage(page.c_str(), planes, paperCode_, resolution_)) pages_.push_back(page);
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
    char tempDir[512];
    DWORD n = GetTempPathA(sizeof tempDir, tempDir);
    if (n == 0 || n >= sizeof tempDir) return true;
    BuildZjsNameTables();
    ZjsReader().Walk(tempDir, pages, job);
    return true;
}

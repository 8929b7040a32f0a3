#include "spool_reader.h"

#include "job_problems.h"
#include "kernel.h"
#include "page_files.h"
#include "spool_records.h"

#include <cstring>

namespace {
constexpr size_t kRecordHeader = 8;

uint32_t read32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Some records carry 8 more header bytes before their data.
size_t dataOffset(uint32_t type) { return type >= spool::kFirstWithOffset && type <= spool::kLastWithOffset ? 16 : 8; }

// Writes one page; a page whose write falls short is deleted and not listed.
void writePage(const char* tempDir, int page, const uint8_t* data, uint32_t size, PageList& pages) {
    pages.reserve(pages.size() + 1);  // listing the page cannot fail once its file exists
    std::string name;
    HANDLE file = CreatePageFile(tempDir, page, name);
    if (file == INVALID_HANDLE_VALUE) return;
    pages.push_back(name);
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
    if (!ok || written != size) {
        ReportJobProblem(static_cast<size_t>(page),
                         "the page could not be written to the temporary directory: " + LastFileErrorText());
        DeleteTemporaryFile(name);
        pages.pop_back();
    }
}
}  // namespace

bool SpoolReader::Walk(const PrintJob& job, PageList& pages) {
    std::string tempDir = TempDirectory();
    if (tempDir.empty()) return false;
    const uint8_t* data = job.data;
    size_t size = job.size;
    bool isSpool = size >= 4 && read32(data) == spool::kSignature;
    if (isSpool && size >= 8) {
        uint32_t headerSize = read32(data + 4);
        int page = 0;
        // A header smaller than itself is no header: nothing to walk.
        size_t cursor = headerSize >= 8 ? headerSize : size;
        while (cursor < size && pages.size() < job.pageLimit) {
            if (size - cursor < kRecordHeader) {
                ReportJobProblem(0, "the spool file ends inside a record");
                break;
            }
            uint32_t type = read32(data + cursor), dataSize = read32(data + cursor + 4);
            size_t offset = dataOffset(type);
            if (size - cursor < offset || dataSize > size - cursor - offset) {
                ReportJobProblem(type == spool::kPage ? static_cast<size_t>(page) + 1 : 0,
                                 "the spool file ends inside a record");
                break;
            }
            if (type == spool::kPage) writePage(tempDir.c_str(), ++page, data + cursor + offset, dataSize, pages);
            cursor += offset + dataSize;
        }
    }
    return isSpool;
}

#include "convert_print_job.h"

#include "hpgl_plot_file.h"
#include "kernel.h"
#include "language_detector.h"
#include "pcl_converter.h"
#include "pclxl_stream.h"
#include "spool_reader.h"
#include "zjs_reader.h"

namespace {
using Converter = bool (*)(const char* fileName, PageList& pages);

bool ConvertSpoolJob(const char* fileName, PageList& pages) {
    SpoolReader reader;
    reader.Walk(fileName, pages);
    return true;
}

struct ConverterSlot {
    PrinterLanguage code;
    Converter convert;
};

// Languages with a converter; every other code converts nothing.
const ConverterSlot kConverters[] = {
    {NtEmfSpool, ConvertSpoolJob},
    {Pcl5, ConvertPcl5Job},
    {PclXl, ConvertPclXlJob},
    {ZjStream, ConvertZjsJob},
};

// The job file mapped for the detector, closed again on every way out.
struct MappedJob {
    HANDLE file = INVALID_HANDLE_VALUE, mapping = nullptr;
    const void* view = nullptr;
    DWORD size = 0;
    ~MappedJob() { close(); }
    void close() {
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        view = nullptr, mapping = nullptr, file = INVALID_HANDLE_VALUE;
    }
};
}  // namespace

bool ConvertPrintJob(const char* fileName, PageList& pages) {
    try {
        PrinterLanguage language;
        bool plotFile = false;
        {
            MappedJob job;
            job.file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (job.file == INVALID_HANDLE_VALUE) return false;
            job.size = GetFileSize(job.file, nullptr);
            if (job.size == INVALID_FILE_SIZE) return false;
            job.mapping = CreateFileMappingA(job.file, nullptr, PAGE_READONLY, 0, job.size, nullptr);
            if (!job.mapping) return false;
            job.view = MapViewOfFile(job.mapping, FILE_MAP_READ, 0, 0, job.size);
            if (!job.view) return false;
            auto data = static_cast<const uint8_t*>(job.view);
            language = DetectPrinterLanguage(data, job.size);
            // A file of HP-GL/2 alone matches none of the detector's rules.
            if (language == Unknown && LooksLikeHpglPlot(data, job.size)) plotFile = true;
        }
        if (plotFile) return ConvertHpglPlotFile(fileName, pages);
        for (const ConverterSlot& slot : kConverters)
            if (slot.code == language) slot.convert(fileName, pages);
        return true;
    } catch (...) {
        return false;
    }
}

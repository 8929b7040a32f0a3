#include "convert_print_job.h"

#include "hpgl_plot_file.h"
#include "language_detector.h"
#include "mapped_file.h"
#include "pcl_converter.h"
#include "pclxl_stream.h"
#include "spool_reader.h"
#include "zjs_reader.h"

namespace {
using Converter = bool (*)(const PrintJob& job, PageList& pages);

bool ConvertSpoolJob(const PrintJob& job, PageList& pages) {
    SpoolReader reader;
    reader.Walk(job, pages);
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

}  // namespace

bool ConvertPrintJob(const char* fileName, PageList& pages) {
    try {
        // The job stays mapped for the whole conversion: detector and converter read the same view.
        MappedFile file;
        if (!file.Open(fileName)) return false;
        PrintJob job{fileName, file.data(), file.size()};
        PrinterLanguage language = DetectPrinterLanguage(job.data, job.size);
        // A file of HP-GL/2 alone matches none of the detector's rules.
        if (language == Unknown && LooksLikeHpglPlot(job.data, job.size)) return ConvertHpglPlotFile(job, pages);
        for (const ConverterSlot& slot : kConverters)
            if (slot.code == language) slot.convert(job, pages);
        return true;
    } catch (...) {
        return false;
    }
}

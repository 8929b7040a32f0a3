#include "convert_print_job.h"

#include "language_detector.h"
#include "mapped_file.h"
#include "page_files.h"
#include "pcl_converter.h"
#include "pclxl_stream.h"
#include "spool_reader.h"
#include "zjs_reader.h"

namespace {
// The spool walker as a converter.
bool ConvertSpoolJob(const PrintJob& job, PageList& pages) {
    SpoolReader reader;
    reader.Walk(job, pages);
    return true;
}

struct ConverterSlot {
    JobFormat format;
    PrintJobConverter convert;
};

// Formats with a converter; every other format converts nothing. HP's PCL3GUI
// inkjet jobs are PCL5 in form and go through its converter, and plain text is
// printed as a PCL printer in its default state prints it.
const ConverterSlot kConverters[] = {
    {JobFormat::NtEmfSpool, ConvertSpoolJob}, {JobFormat::Pcl5, ConvertPcl5Job},
    {JobFormat::Pcl3Gui, ConvertPcl5Job},     {JobFormat::HpglPlot, ConvertHpglPlotFile},
    {JobFormat::PclXl, ConvertPclXlJob},      {JobFormat::ZjStream, ConvertZjsJob},
    {JobFormat::PlainText, ConvertPcl5Job},
};
}  // namespace

bool ConvertPrintJobBytes(const char* name, const uint8_t* data, size_t size, PageList& pages, size_t pageLimit,
                          JobProblems* problems, JobFormat language) {
    JobProblemCollector collect(problems);
    try {
        PrintJob job{name, data, size, pageLimit};
        DetectedJob found = IdentifyPrintJob(job.data, job.size);
        if (language != JobFormat::Unknown && language != found.format) found.format = language, found.start = 0;
        // A plot is read from its first command, past the job-control header.
        if (found.format == JobFormat::HpglPlot) {
            job.header = job.data, job.headerSize = found.start;
            job.data += found.start, job.size -= found.start;
        }
        for (const ConverterSlot& slot : kConverters)
            if (slot.format == found.format) slot.convert(job, pages);
        // A converter may have begun the page after the last one wanted.
        while (pages.size() > pageLimit) {
            DeleteTemporaryFile(pages.back());
            pages.pop_back();
        }
        return true;
    } catch (...) {
        ReportJobProblem(0, "the job could not be read to its end: out of memory");
        return false;
    }
}

bool ConvertPrintJob(const char* fileName, PageList& pages, size_t pageLimit, JobProblems* problems,
                     JobFormat language) {
    // The job stays mapped for the whole conversion: detector and converter read the same view.
    MappedFile file;
    try {
        if (!file.Open(fileName)) {
            JobProblemCollector collect(problems);
            ReportJobProblem(0, "cannot be read: " + LastFileErrorText());
            return false;
        }
    } catch (...) {
        return false;
    }
    return ConvertPrintJobBytes(fileName, file.data(), file.size(), pages, pageLimit, problems, language);
}

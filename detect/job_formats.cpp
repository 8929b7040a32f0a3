#include "job_formats.h"

namespace {
struct FormatRow {
    JobFormat format;
    const char* name;
    bool drawn;
};

const FormatRow kFormats[] = {
    {JobFormat::Unknown, "unknown", false},
    {JobFormat::NtEmfSpool, "NT EMF spool", true},
    {JobFormat::Pcl5, "PCL5", true},
    {JobFormat::HpglPlot, "HP-GL/2", true},
    {JobFormat::PclXl, "PCL XL", true},
    {JobFormat::ZjStream, "ZjStream", true},
    {JobFormat::PlainText, "plain text", true},
    {JobFormat::PostScript, "PostScript", false},
    {JobFormat::Pdf, "PDF", false},
    {JobFormat::Xps, "XPS", false},
    {JobFormat::Cgm, "CGM", false},
    {JobFormat::EscP, "ESC/P", false},
    {JobFormat::EscPage, "ESC/Page", false},
    {JobFormat::Bjl, "Canon BJL", false},
    {JobFormat::Zimf, "ZIMF", false},
    {JobFormat::Qpdl, "Samsung QPDL", false},
    {JobFormat::MagicCdCa, "CD CA", false},
    {JobFormat::Pcl3Gui, "HP PCL3GUI", true},
    {JobFormat::LavaFlow, "Konica Minolta LAVAFLOW", false},
    {JobFormat::Hiperc, "Oki HIPERC", false},
    {JobFormat::Hbpl, "Fuji Xerox HBPL", false},
    {JobFormat::Xqx, "HP XQX", false},
    {JobFormat::Oakt, "Oak Technology OAKT", false},
    {JobFormat::Slx, "Lexmark SLX", false},
    {JobFormat::BrotherXl2hb, "Brother XL2HB", false},
};

const FormatRow& row(JobFormat format) {
    for (const FormatRow& r : kFormats)
        if (r.format == format) return r;
    return kFormats[0];
}
}  // namespace

const char* JobFormatName(JobFormat format) { return row(format).name; }

bool JobFormatIsDrawn(JobFormat format) { return row(format).drawn; }

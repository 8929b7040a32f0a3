// The fixture and helpers of the PCL XL tests: streams run as jobs, pictures
// of them, and images and brushes written in a line.
#pragma once
#include "convert_print_job.h"
#include "emf_records.h"
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_job.h"
#include "pclxl_operators.h"
#include "pclxl_stream.h"
#include "test_support.h"

#include <cmath>

// A4 at 192 dpi; at 600 units an inch a unit is 0.32 pixels.
inline constexpr int kWidth = 1587, kHeight = 2245;
inline int Px(double units) { return static_cast<int>(std::lround(units * 192.0 / 600)); }

class PclXlTest : public TempDirTest {
protected:
    // Runs the stream as a job whose pages stay open for inspection; Finish() ends it.
    void Run(const XlWriter& w) {
        InitPclXlJob(dir_.c_str());
        RunPclXlStream(w.out.data(), w.out.size());
    }
    PageList Finish() {
        FinishPclXlJob();
        PageList pages = std::move(XlState().pages);
        XlState().pages.clear();
        return pages;
    }
    void Discard() {
        PageList pages = Finish();
        DeletePageFiles(pages);
    }
    PageList Convert(const Bytes& job, const std::string& name = "job.pxl") {
        PageList pages;
        EXPECT_TRUE(ConvertPrintJob(Write(name, job).c_str(), pages));
        return pages;
    }
    Pixels Picture(XlWriter& w) {
        w.op(xl::EndPage).op(xl::EndSession);
        return LoadPicture(Write("picture.pxl", w.out));
    }
    // GhostPCL's picture of the job Picture() last wrote, at 192 dpi in grey.
    void GhostPclPicture(Pixels& theirs) {
        std::string out, reference = dir_ + "gpcl6.png";
        ASSERT_EQ(RunCommand(SPOOLSIGHT_SHARED "/oracles/gpcl6 -q -dNOPAUSE -r192 -sDEVICE=pnggray -o " + reference +
                                 " " + dir_ + "jobs/picture.pxl",
                             out),
                  0)
            << out;
        ASSERT_TRUE(ReadPng(reference, theirs));
    }
    static ENHMETAHEADER Header(const std::string& page) {
        ENHMETAHEADER h{};
        HENHMETAFILE emf = GetEnhMetaFileA(page.c_str());
        if (emf) GetEnhMetaFileHeader(emf, sizeof h, &h);
        DeleteEnhMetaFile(emf);
        return h;
    }
};

inline XlWriter Job(uint16_t unitsPerInch = 600) {
    XlWriter w;
    XlBeginJob(w, unitsPerInch);
    return w;
}

// A solid RGB brush and no pen.
inline void Brush(XlWriter& w, uint8_t r, uint8_t g, uint8_t b) {
    w.raw({0xC8, 0xC0, 3, r, g, b}).attr(xl::RGBColor).op(xl::SetBrushSource).attr(xl::NullPen).op(xl::SetPenSource);
}

// An 8 x n image of one block at the cursor (600, 600), 100 units a pixel.
inline void Image(XlWriter& w, int depth, int width, int height, const Bytes& rows, int compress = 0, int startLine = 0,
                  int pad = -1) {
    w.xy(600, 600).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(static_cast<uint8_t>(depth)).attr(xl::ColorDepth).ubyte(0).attr(xl::ColorMapping);
    w.uint16(static_cast<uint16_t>(width))
        .attr(xl::SourceWidth)
        .uint16(static_cast<uint16_t>(height))
        .attr(xl::SourceHeight);
    w.xy(static_cast<int16_t>(width * 100), static_cast<int16_t>(height * 100))
        .attr(xl::DestinationSize)
        .op(xl::BeginImage);
    w.uint16(static_cast<uint16_t>(startLine))
        .attr(xl::StartLine)
        .uint16(static_cast<uint16_t>(height - startLine))
        .attr(xl::BlockHeight);
    w.ubyte(static_cast<uint8_t>(compress)).attr(xl::CompressMode);
    if (pad >= 0) w.ubyte(static_cast<uint8_t>(pad)).attr(xl::PadBytesMultiple);
    w.op(xl::ReadImage).data(rows).op(xl::EndImage);
}

// The grey of source pixel (x, y) of an image placed by Image().
inline uint32_t ImagePixel(const Pixels& p, int x, int y) {
    return p.at(Px(600 + x * 100 + 50), Px(600 + y * 100 + 50));
}
inline uint32_t Grey(uint8_t g) { return (uint32_t{g} << 16) | (uint32_t{g} << 8) | g; }

#include <algorithm>
// Benchmarks: recording a page, playing an A4 page into the picture, walking
// a 100-page spool file and detecting the language of a large job.
#include "convert_print_job.h"
#include "document.h"
#include "job_first_page.h"
#include "spoolsight_plugin.h"
#include "gdi.h"
#include "language_detector.h"
#include "page_pictures.h"
#include "sample_job.h"
#include "user.h"
#include "pclxl_job.h"
#include "png_writer.h"
#include "zjs_job.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
// The benchmarks' own temporary directory, removed with everything in it when they end.
std::string TempDir() {
    static char pattern[] = "/tmp/spoolsight-bench-XXXXXX";
    static std::string dir = [] {
        if (!mkdtemp(pattern)) std::abort();
        setenv("TMPDIR", pattern, 1);
        std::atexit([] { std::filesystem::remove_all(pattern); });
        return std::string(pattern) + "/";
    }();
    return dir;
}

// Writes a job the benchmarks made into their directory.
std::string SaveJob(const char* name, const std::string& job) {
    std::string path = TempDir() + name;
    WriteFileBytes(path, Bytes(job.begin(), job.end()));
    return path;
}

// Converting a whole job, and picturing its first page as GetInfo does.
void ConvertJob(benchmark::State& state, const std::string& job, size_t pages) {
    for (auto _ : state) {
        PageList list;
        ConvertPrintJob(job.c_str(), list);
        if (list.size() != pages) state.SkipWithError("pages missing");
        DeletePageFiles(list);
    }
}

void PictureFirstPage(benchmark::State& state, const std::string& job) {
    PageList list;
    ConvertPrintJob(job.c_str(), list);
    RenderedPage page;
    for (auto _ : state) benchmark::DoNotOptimize(RenderPageMetafile(list.at(0).c_str(), page));
    ReleaseRenderedPage(page);
    DeletePageFiles(list);
}

void RecordA4Page(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(RecordSamplePage("", 1));
}
BENCHMARK(RecordA4Page)->Unit(benchmark::kMillisecond);

// The picture the plug-in makes: 1587 x 2245 at twice the screen's 96 dpi.
void PlayA4PageIntoPicture(benchmark::State& state) {
    Bytes page = RecordSamplePage("", 1);
    HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(page.size()), page.data());
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 1587, -2245, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    RECT area{0, 0, 1587, 2245};
    for (auto _ : state) {
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PlayEnhMetaFile(dc, emf, &area);
        benchmark::DoNotOptimize(GetPixel(dc, 800, 1000));
    }
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteEnhMetaFile(emf);
}
BENCHMARK(PlayA4PageIntoPicture)->Unit(benchmark::kMillisecond);

// From page file to picture, as GetInfo does it.
void RenderPageFile(benchmark::State& state) {
    std::string path = TempDir() + "bench-page.emf";
    RecordSamplePage(path, 1);
    RenderedPage page;
    for (auto _ : state) benchmark::DoNotOptimize(RenderPageMetafile(path.c_str(), page));
    ReleaseRenderedPage(page);
    std::remove(path.c_str());
}
BENCHMARK(RenderPageFile)->Unit(benchmark::kMillisecond);

// A real page from a Windows program, wrapped in a spool file and pictured as the plug-in
// does: the heaviest of the EMF samples (a chart of 120 KB of records).
void PictureRealEmfPage(benchmark::State& state) {
    std::string sample = std::string(SPOOLSIGHT_EMF_SAMPLES) + "/test-162.emf";
    Bytes emf = ReadFileBytes(sample);
    if (emf.empty()) {
        state.SkipWithError("no EMF samples beside the project");
        return;
    }
    std::string job = TempDir() + "real-page.spl";
    WriteFileBytes(job, WrapInSpool({emf}));
    PictureFirstPage(state, job);
    std::remove(job.c_str());
}
BENCHMARK(PictureRealEmfPage)->Unit(benchmark::kMillisecond);

void WalkSpoolFile100Pages(benchmark::State& state) {
    std::vector<Bytes> pages(100, RecordSamplePage("", 1));
    std::string job = TempDir() + "bench.spl";
    WriteFileBytes(job, WrapInSpool(pages));
    ConvertJob(state, job, 100);
    std::remove(job.c_str());
}
BENCHMARK(WalkSpoolFile100Pages)->Unit(benchmark::kMillisecond);

// An A4 page at 600 dpi with some text-like texture, so that its JBIG data are not trivial.
BiLevelImage ZjsBenchPage() {
    BiLevelImage page = SamplePageImage(4958, 7016);
    for (int y = 800; y < 6000; y += 60)
        for (int x = 400; x < 4500; ++x)
            if (((x / 7) ^ (y / 60)) % 3 == 0)
                for (int dy = 0; dy < 30; ++dy) page.Set(x, y + dy);
    return page;
}

// A 10-page job of that page, as a host-based printer driver sends it.
const std::string& ZjsJobFile() {
    static std::string path = [] {
        std::string p = TempDir() + "bench.zjs";
        WriteFileBytes(p, MakeZjsJob(std::vector<BiLevelImage>(10, ZjsBenchPage())));
        return p;
    }();
    return path;
}

void ConvertZjsJob10Pages(benchmark::State& state) { ConvertJob(state, ZjsJobFile(), 10); }
BENCHMARK(ConvertZjsJob10Pages)->Unit(benchmark::kMillisecond);

void ZjsFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, ZjsJobFile()); }
BENCHMARK(ZjsFirstPagePicture)->Unit(benchmark::kMillisecond);

// One such page, whole and in bands of 100 rows as the
// Color LaserJet 2600 family takes it: converted, and converted and pictured.
const std::string& ZjsPageFile(bool banded) {
    static std::string paths[2];
    std::string& path = paths[banded];
    if (path.empty()) {
        ZjsJobOptions o;
        o.bandRows = banded ? 100 : 0;
        path = TempDir() + (banded ? "banded.zjs" : "page.zjs");
        WriteFileBytes(path, MakeZjsJob({ZjsBenchPage()}, o));
    }
    return path;
}

void ConvertZjsPage600Dpi(benchmark::State& state, bool banded) { ConvertJob(state, ZjsPageFile(banded), 1); }
BENCHMARK_CAPTURE(ConvertZjsPage600Dpi, Whole, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertZjsPage600Dpi, Banded, true)->Unit(benchmark::kMillisecond);

void ZjsPage600DpiToPicture(benchmark::State& state, bool banded) {
    for (auto _ : state) {
        PageList list;
        ConvertPrintJob(ZjsPageFile(banded).c_str(), list);
        RenderedPage page;
        if (list.empty() || !RenderPageMetafile(list[0].c_str(), page)) state.SkipWithError("no picture");
        ReleaseRenderedPage(page);
        DeletePageFiles(list);
    }
}
BENCHMARK_CAPTURE(ZjsPage600DpiToPicture, Whole, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZjsPage600DpiToPicture, Banded, true)->Unit(benchmark::kMillisecond);

// A 100-page plain-text PCL5 job: 60 lines of 80 characters a page, carriage
// returns and line feeds, a form feed after each page.
const std::string& PclTextJob() {
    static std::string path = [] {
        std::string job =
            "\x1B"
            "E\x1B&l26A\x1B&l0O";
        std::string line =
            std::string("The quick brown fox jumps over the lazy dog. Pack my box with five dozen jugs!").substr(0, 80);
        for (int page = 0; page < 100; ++page) {
            for (int n = 0; n < 60; ++n) job += line + "\r\n";
            job += "\f";
        }
        return SaveJob("bench.pcl", job);
    }();
    return path;
}

void ConvertPclTextJob100Pages(benchmark::State& state) { ConvertJob(state, PclTextJob(), 100); }
BENCHMARK(ConvertPclTextJob100Pages)->Unit(benchmark::kMillisecond);

void PclTextFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclTextJob()); }
BENCHMARK(PclTextFirstPagePicture)->Unit(benchmark::kMillisecond);

// A 20-page PCL5 job as Windows drivers write word-processor pages: every word
// at an absolute position, in proportional fonts that change every few words.
const std::string& PclWordStyleJob() {
    static std::string path = [] {
        const char* fonts[] = {"\x1B(s1p11v0s0b4101T", "\x1B(s1p11v0s3b4101T", "\x1B(s1p11v1s0b4101T",
                               "\x1B(s1p10v0s0b4148T", "\x1B(s1p14v0s3b16602T"};
        const char* words[] = {"Lorem",       "ipsum",      "dolor", "sit", "amet,",
                               "consectetur", "adipiscing", "elit,", "sed", "do"};
        std::string job =
            "\x1B"
            "E\x1B&l26A\x1B&l0O\x1B&l0E\x1B(19U";
        for (int page = 0; page < 20; ++page) {
            for (int line = 0; line < 55; ++line) {
                int x = 150;
                for (int w = 0; w < 12; ++w) {
                    if (w % 4 == 0) job += fonts[(line + w / 4 + page) % 5];
                    char pos[32];
                    std::snprintf(pos, sizeof pos, "\x1B*p%dx%dY", x, 200 + line * 60);
                    job += pos;
                    job += words[(line + w) % 10];
                    x += 60 + static_cast<int>(std::strlen(words[(line + w) % 10])) * 24;
                }
            }
            job += "\f";
        }
        return SaveJob("bench-word.pcl", job);
    }();
    return path;
}

void ConvertPclWordStyleJob20Pages(benchmark::State& state) { ConvertJob(state, PclWordStyleJob(), 20); }
BENCHMARK(ConvertPclWordStyleJob20Pages)->Unit(benchmark::kMillisecond);

void PclWordStyleFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclWordStyleJob()); }
BENCHMARK(PclWordStyleFirstPagePicture)->Unit(benchmark::kMillisecond);

// A full A4 page of 600-dpi raster rows in PackBits, as a LaserJet driver sends it.
const std::string& PclRasterJob() {
    static std::string path = [] {
        std::string job =
            "\x1B"
            "E\x1B&l26A\x1B&l0O\x1B*t600R\x1B*r4960S\x1B*p0x0Y\x1B*r1A\x1B*b2M";
        for (int y = 0; y < 7016; ++y) {
            std::string row;
            for (int x = 0; x < 620; x += 20) {
                if ((x / 20 + y / 40) % 2)
                    row += static_cast<char>(static_cast<unsigned char>(257 - 20)), row += '\xFF';
                else row += static_cast<char>(19), row += std::string(20, static_cast<char>(y & 0x55));
            }
            job += "\x1B*b" + std::to_string(row.size()) + "W" + row;
        }
        job += "\x1B*rC\f";
        return SaveJob("bench-raster.pcl", job);
    }();
    return path;
}

void ConvertPclRasterPage600Dpi(benchmark::State& state) { ConvertJob(state, PclRasterJob(), 1); }
BENCHMARK(ConvertPclRasterPage600Dpi)->Unit(benchmark::kMillisecond);

void PclRasterFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclRasterJob()); }
BENCHMARK(PclRasterFirstPagePicture)->Unit(benchmark::kMillisecond);

// A full A4 page of 600-dpi 24-bit colour rows in delta-row compression, as a
// Color LaserJet driver sends it: bands of colour that change every 40 rows.
const std::string& PclColourRasterJob() {
    static std::string path = [] {
        std::string job =
            "\x1B"
            "E\x1B&l26A\x1B&l0O\x1B*t600R\x1B*v6W" +
            std::string("\0\3\0\x08\x08\x08", 6) + "\x1B*r4960S\x1B*p0x0Y\x1B*r1A\x1B*b3M";
        for (int y = 0; y < 7016; ++y) {
            std::string row;
            if (y % 40 == 0) {
                // Eight-byte replacements across the row: a new colour every 248 pixels.
                for (int x = 0; x < 4960 * 3; x += 8) {
                    row += static_cast<char>(0xE0);
                    for (int i = 0; i < 8; ++i) row += static_cast<char>(((x / 744) * 37 + y / 40 * 11 + i) & 0xFF);
                }
            }
            job += "\x1B*b" + std::to_string(row.size()) + "W" + row;
        }
        job += "\x1B*rC\f";
        return SaveJob("bench-colour.pcl", job);
    }();
    return path;
}

void ConvertPclColourRasterPage600Dpi(benchmark::State& state) { ConvertJob(state, PclColourRasterJob(), 1); }
BENCHMARK(ConvertPclColourRasterPage600Dpi)->Unit(benchmark::kMillisecond);

void PclColourRasterFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclColourRasterJob()); }
BENCHMARK(PclColourRasterFirstPagePicture)->Unit(benchmark::kMillisecond);

// A form of 2,000 rules: boxes of thin rectangles across the page.
const std::string& PclRulesJob() {
    static std::string path = [] {
        std::string job =
            "\x1B"
            "E\x1B&l26A\x1B&l0O";
        for (int i = 0; i < 1000; ++i) {
            int x = 50 + (i % 20) * 110, y = 50 + (i / 20) * 60;
            job += "\x1B*p" + std::to_string(x) + "x" + std::to_string(y) + "Y\x1B*c100a3b0P";
            job +=
                "\x1B*p" + std::to_string(x) + "x" + std::to_string(y) + "Y\x1B*c3a50b" + (i % 3 ? "0" : "20g2") + "P";
        }
        job += "\f";
        return SaveJob("bench-rules.pcl", job);
    }();
    return path;
}

void ConvertPclRulesPage(benchmark::State& state) { ConvertJob(state, PclRulesJob(), 1); }
BENCHMARK(ConvertPclRulesPage)->Unit(benchmark::kMillisecond);

void PclRulesFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclRulesJob()); }
BENCHMARK(PclRulesFirstPagePicture)->Unit(benchmark::kMillisecond);

void DetectLanguageOfLargeJob(benchmark::State& state) {
    // A megabyte of PJL comments before the language line: the scan's worst case.
    std::string job;
    while (job.size() < (1 << 20)) job += "@PJL COMMENT nothing to see here\r\n";
    job += "@PJL ENTER LANGUAGE=PCLXL\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectPrinterLanguage(reinterpret_cast<const uint8_t*>(job.data()), job.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * job.size()));
}
BENCHMARK(DetectLanguageOfLargeJob)->Unit(benchmark::kMicrosecond);

// 10 MB jobs whose header lines name no language: the header scan reads them
// whole before the look past their job-control header decides.
void DetectLanguageOf10MbJob(benchmark::State& state, const std::string& head) {
    std::string job = head;
    uint32_t seed = 1;
    while (job.size() < (10u << 20)) job.push_back(static_cast<char>((seed = seed * 1103515245 + 12345) >> 16));
    for (auto _ : state)
        benchmark::DoNotOptimize(IdentifyPrintJob(reinterpret_cast<const uint8_t*>(job.data()), job.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * job.size()));
}
BENCHMARK_CAPTURE(DetectLanguageOf10MbJob, PclXlBehindPjl, "\x1B%-12345X@PJL JOB\r\n) HP-PCL XL;2;0\n\xD1")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DetectLanguageOf10MbJob, BinaryJunk, "junk")->Unit(benchmark::kMillisecond);
}  // namespace

// A dense HP-GL/2 plot: 200,000 short vectors of a random walk over an A4 sheet, as a contour or map plot has.
const std::string& DensePlot() {
    static std::string path = [] {
        std::string job = "IN;SP1;PW0.25;PA4000,5000;PD";
        uint32_t seed = 12345;
        int x = 4000, y = 5000;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 1103515245 + 12345;
            x = std::clamp(x + static_cast<int>((seed >> 8) % 121) - 60, 200, 7800);
            seed = seed * 1103515245 + 12345;
            y = std::clamp(y + static_cast<int>((seed >> 8) % 121) - 60, 200, 11000);
            job += (i ? "," : "") + std::to_string(x) + "," + std::to_string(y);
        }
        job += ";PU;";
        return SaveJob("bench-plot.hpgl", job);
    }();
    return path;
}

void ConvertDensePlot(benchmark::State& state) { ConvertJob(state, DensePlot(), 1); }
BENCHMARK(ConvertDensePlot)->Unit(benchmark::kMillisecond);

void DensePlotPicture(benchmark::State& state) { PictureFirstPage(state, DensePlot()); }
BENCHMARK(DensePlotPicture)->Unit(benchmark::kMillisecond);

// An A0 drawing as AutoCAD plots it: its preamble (PS, RO90, a turned IP and SC), 200,000
// vectors in polylines of 20 across the sheet and a stick-font label every 100 polylines.
const std::string& AutoCadA0Plot() {
    static std::string path = [] {
        std::string job =
            "\x1B"
            "E\x1B%0BBP;IN;PS47520,33600;RO90;IP0,0,1016,-1016;SC0,1016,0,-1016;SP1;PW0.25;SI0.25,0.35;";
        uint32_t seed = 4321;
        auto next = [&](int range) {
            seed = seed * 1103515245 + 12345;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
        };
        for (int line = 0; line < 10000; ++line) {
            int x = next(33000), y = next(47000);
            job += "PU" + std::to_string(x) + "," + std::to_string(y) + ";PD";
            for (int i = 0; i < 20; ++i) {
                x = std::clamp(x + next(801) - 400, 0, 33600);
                y = std::clamp(y + next(801) - 400, 0, 47520);
                job += (i ? "," : "") + std::to_string(x) + "," + std::to_string(y);
            }
            job += ";";
            if (line % 100 == 0) job += "LBROOM " + std::to_string(line) + "\x03";
        }
        job +=
            "PU;\x1B%0A\x1B"
            "E";
        return SaveJob("bench-a0.plt", job);
    }();
    return path;
}

void ConvertAutoCadA0Plot(benchmark::State& state) { ConvertJob(state, AutoCadA0Plot(), 1); }
BENCHMARK(ConvertAutoCadA0Plot)->Unit(benchmark::kMillisecond);

void AutoCadA0PlotPicture(benchmark::State& state) { PictureFirstPage(state, AutoCadA0Plot()); }
BENCHMARK(AutoCadA0PlotPicture)->Unit(benchmark::kMillisecond);

// A 20-page PCL XL job of shapes, paths, a grey image and downloaded-font text,
// with a 600 dpi bi-level scan of 4 x 4 inches on every page.
const std::string& PclXlMixedJob() {
    static std::string path = [] {
        Bytes job = MakePclXlJob(20, [](XlWriter& w, int p) {
            w.ubyte(0).attr(xl::GrayLevel).op(xl::SetBrushSource).ubyte(0x88).attr(xl::ROP3).op(xl::SetROP);
            w.xy(600, 6000).attr(xl::Point).op(xl::SetCursor);
            w.ubyte(0).attr(xl::ColorDepth).ubyte(0).attr(xl::ColorMapping).uint16(2400).attr(xl::SourceWidth);
            w.uint16(2400).attr(xl::SourceHeight).xy(2400, 2400).attr(xl::DestinationSize).op(xl::BeginImage);
            Bytes rows;
            for (int y = 0; y < 2400; ++y)
                for (int x = 0; x < 300; ++x) rows.push_back(static_cast<uint8_t>(((x + y / 8 + p) % 5) ? 0xFF : 0x0F));
            w.uint16(0).attr(xl::StartLine).uint16(2400).attr(xl::BlockHeight).ubyte(0).attr(xl::CompressMode);
            w.op(xl::ReadImage).data(rows).op(xl::EndImage);
        });
        std::string file = TempDir() + "bench-job.pxl";
        WriteFileBytes(file, job);
        return file;
    }();
    return path;
}

void ConvertPclXlJob20Pages(benchmark::State& state) { ConvertJob(state, PclXlMixedJob(), 20); }
BENCHMARK(ConvertPclXlJob20Pages)->Unit(benchmark::kMillisecond);

void PclXlFirstPagePicture(benchmark::State& state) { PictureFirstPage(state, PclXlMixedJob()); }
BENCHMARK(PclXlFirstPagePicture)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// A job's first picture as a viewer gets it through the exports, from opening the job to the last row.
void PullFirstPicture(benchmark::State& state, const std::string& path) {
    std::vector<uint8_t> row;
    for (auto _ : state) {
        void* context = ivpLoadPictureInit(path.c_str());
        int32_t kind, width = 0, height = 0, resolution, bits, stride = 0, colours;
        char label[64];
        if (!context ||
            !ivpLoadPictureGetInfo(context, &kind, &width, &height, &resolution, &bits, &stride, &colours, label,
                                   sizeof label)) {
            state.SkipWithError("no picture");
            break;
        }
        row.resize(static_cast<size_t>(stride));
        for (int32_t y = 0; y < height; ++y) ivpLoadPictureGetLine(context, y, row.data());
        ivpLoadPictureExit(context);
    }
}

// For a long job and a one-page one: the time must not grow with the job.
void FirstPictureThroughTheExports(benchmark::State& state, int pages) {
    std::string path = TempDir() + "long-" + std::to_string(pages) + ".pxl";
    WriteFileBytes(path, MakePclXlJob(pages));
    PullFirstPicture(state, path);
}
BENCHMARK_CAPTURE(FirstPictureThroughTheExports, OnePage, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FirstPictureThroughTheExports, NinetyFivePages, 95)->Unit(benchmark::kMillisecond);

// GhostPCL's example jobs, to set beside GhostPCL's own time on them; empty when they are not
// beside the project.
std::string ExampleJob(benchmark::State& state, const char* name) {
    std::string path = std::string(SPOOLSIGHT_CORPUS) + "/" + name;
    if (access(path.c_str(), R_OK) == 0) return path;
    state.SkipWithError("no example jobs beside the project");
    return {};
}

void ExampleJobFirstPicture(benchmark::State& state, const char* name) {
    std::string path = ExampleJob(state, name);
    if (!path.empty()) PullFirstPicture(state, path);
}
BENCHMARK_CAPTURE(ExampleJobFirstPicture, Owl, "owl.pcl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExampleJobFirstPicture, Grasshopper, "grashopp.pcl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExampleJobFirstPicture, Tiger, "tiger.px3")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExampleJobFirstPicture, Frs96, "frs96.pxl")->Unit(benchmark::kMillisecond)->UseRealTime();

// Their first page converted alone, as the viewer asks for it.
void ExampleJobConversion(benchmark::State& state, const char* name) {
    std::string path = ExampleJob(state, name);
    for (auto _ : state) {
        if (path.empty()) break;
        PageList list;
        if (!ConvertPrintJob(path.c_str(), list, 1) || list.empty()) state.SkipWithError("no page");
        DeletePageFiles(list);
    }
}
BENCHMARK_CAPTURE(ExampleJobConversion, Owl, "owl.pcl")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExampleJobConversion, Grasshopper, "grashopp.pcl")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExampleJobConversion, Tiger, "tiger.px3")->Unit(benchmark::kMillisecond);

// Their first page played alone, the conversion left out.
void ExampleJobPlayback(benchmark::State& state, const char* name) {
    std::string path = ExampleJob(state, name);
    if (!path.empty()) PictureFirstPage(state, path);
}
BENCHMARK_CAPTURE(ExampleJobPlayback, Owl, "owl.pcl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExampleJobPlayback, Grasshopper, "grashopp.pcl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExampleJobPlayback, Tiger, "tiger.px3")->Unit(benchmark::kMillisecond)->UseRealTime();

// TeX's page as dvilj4 prints it, downloading twenty bitmap soft fonts: its picture (and, below,
// its PDF).
void TwentySoftFontsFirstPicture(benchmark::State& state) {
    PullFirstPicture(state, std::string(SPOOLSIGHT_TEST_DATA) + "/pcl-text/tex-portrait.pcl");
}
BENCHMARK(TwentySoftFontsFirstPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every page of a long job pictured on all cores, as --all-pages does (without the files).
void AllPagesOfALongJob(benchmark::State& state) {
    std::string path = TempDir() + "long-all.pxl";
    WriteFileBytes(path, MakePclXlJob(95));
    for (auto _ : state) {
        PageList pages;
        ConvertPrintJob(path.c_str(), pages);
        std::atomic<size_t> pictured{0};
        PicturePages(pages, [&](size_t, const RenderedPage* page) {
            pictured += page != nullptr;
            return true;
        });
        if (pictured != 95) state.SkipWithError("pages missing");
        DeletePageFiles(pages);
    }
}
BENCHMARK(AllPagesOfALongJob)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every page of a job into one PDF, as spoolsight -o job.pdf writes it.
void WritePdf(benchmark::State& state, const std::string& path, size_t pageCount) {
    std::string pdf = TempDir() + "long.pdf";
    for (auto _ : state) {
        PageList pages;
        ConvertPrintJob(path.c_str(), pages);
        HDC document = CreateDocumentDC(pdf.c_str(), DocumentFormat::Pdf, 192);
        for (const std::string& page : pages) DrawPageIntoDocument(document, page.c_str(), 192);
        if (!CloseDocumentDC(document) || pages.size() != pageCount) state.SkipWithError("no document");
        DeletePageFiles(pages);
    }
    std::remove(pdf.c_str());
}

void PdfOfALongJob(benchmark::State& state) {
    std::string path = TempDir() + "long-pdf.pxl";
    WriteFileBytes(path, MakePclXlJob(95));
    WritePdf(state, path, 95);
}
BENCHMARK(PdfOfALongJob)->Unit(benchmark::kMillisecond);
void TwentySoftFontsToPdf(benchmark::State& state) {
    WritePdf(state, std::string(SPOOLSIGHT_TEST_DATA) + "/pcl-text/tex-portrait.pcl", 1);
}
BENCHMARK(TwentySoftFontsToPdf)->Unit(benchmark::kMillisecond);

// A PostScript document (saved at `ps`) printed to `job` by one of Ghostscript's printer
// drivers (its name, then any options it takes) at 600 dpi on A4; false when Ghostscript is not
// there.
bool PrintWithGhostscript(const std::string& device, const std::string& body, const std::string& ps,
                          const std::string& job) {
    WriteFileBytes(ps, Bytes(body.begin(), body.end()));
    std::string gs = std::string("gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -sDEVICE=") + device +
        " -r600 -sOutputFile=" + job + " " + ps + " > /dev/null 2>&1";
    return std::system(gs.c_str()) == 0;
}

// A 95-page text document as Ghostscript's colour PCL XL driver prints it at 600 dpi:
// every character a downloaded bitmap glyph, about 4,000 a page.
void PdfOfAGhostscriptTextJob(benchmark::State& state) {
    std::string ps = TempDir() + "text.ps", path = TempDir() + "text.pxl";
    std::string body =
        "%!PS\n/para (Printers keep their jobs in spool files; a viewer shows what the driver wrote, line by line,) "
        "def\n"
        "1 1 95 { /page exch def\n"
        "  /Helvetica-Bold findfont 16 scalefont setfont 72 780 moveto (Chapter ) show page 10 string cvs show\n"
        "  /Times-Roman findfont 11 scalefont setfont\n"
        "  0 1 52 { /line exch def 72 750 line 13 mul sub moveto para show ( ) show line 3 string cvs show } for\n"
        "  /Courier findfont 10 scalefont setfont 90 50 moveto (spoolsight --info job.pxl --json) show showpage } "
        "for\n";
    if (!PrintWithGhostscript("pxlcolor", body, ps, path)) {
        state.SkipWithError("ghostscript not installed");
        return;
    }
    WritePdf(state, path, 95);
}
BENCHMARK(PdfOfAGhostscriptTextJob)->Unit(benchmark::kMillisecond);

// Twenty raster pages as Ghostscript's LaserJet 4 driver prints them at 600 dpi, to a PDF.
void PdfOfARasterJob(benchmark::State& state) {
    std::string ps = TempDir() + "raster.ps", path = TempDir() + "raster.pcl";
    std::string body =
        "%!PS\n/Times-Roman findfont 14 scalefont setfont\n"
        "1 1 20 { /p exch def 72 720 moveto (Page ) show p 3 string cvs show\n"
        "  0 1 40 { /i exch def 72 700 i 15 mul sub moveto (The quick brown fox jumps over the lazy "
        "dog, line ) show i 3 string cvs show } for\n"
        "  newpath 300 300 100 0 360 arc 0.5 setgray fill 0 setgray showpage } for\n";
    if (!PrintWithGhostscript("ljet4", body, ps, path)) {
        state.SkipWithError("ghostscript not installed");
        return;
    }
    WritePdf(state, path, 20);
}
BENCHMARK(PdfOfARasterJob)->Unit(benchmark::kMillisecond);

// A colour page as HP's inkjet driver (hpijs) prints it at 600 dpi, in PCL3GUI: a heading, a
// paragraph, colour boxes and a photograph-like shaded band; its first page's picture.
// (GhostPCL does not read this raster.)
void InkjetColourPagePicture(benchmark::State& state) {
    std::string ps = TempDir() + "inkjet.ps", path = TempDir() + "inkjet.pcl";
    std::string body =
        "%!PS\n/Helvetica-Bold findfont 24 scalefont setfont 72 720 moveto (Inkjet colour page) show\n"
        "/Times-Roman findfont 11 scalefont setfont 0 1 20 { /i exch def 72 690 i 13 mul sub moveto\n"
        "  (A viewer shows what the inkjet driver wrote, row by row, black and colour apart.) show } for\n"
        "1 0 0 setrgbcolor 72 250 120 120 rectfill 0 0.6 0 setrgbcolor 220 250 120 120 rectfill\n"
        "0 0 1 setrgbcolor 368 250 120 120 rectfill\n"
        "gsave 72 60 translate 468 160 scale 0 0 1 1 rectclip << /ShadingType 2 /ColorSpace /DeviceRGB\n"
        "/Coords [0 0 1 1] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0.8 0.2] /C1 [0.1 0.2 0.7] /N 1 >>\n"
        ">> shfill grestore showpage\n";
    if (!PrintWithGhostscript("ijs -sIjsServer=hpijs -sDeviceManufacturer=HEWLETT-PACKARD "
                              "'-sDeviceModel=deskjet 5550' -dIjsUseOutputFD",
                              body, ps, path)) {
        state.SkipWithError("ghostscript or hpijs not installed");
        return;
    }
    PictureFirstPage(state, path);
}
BENCHMARK(InkjetColourPagePicture)->Unit(benchmark::kMillisecond);

// PNG encoding alone, of a job's first picture: the sample page (a photograph among its
// drawing, so thousands of colours) and GhostPCL's owl (text and grey line art).
void EncodePng(benchmark::State& state, const std::string& job) {
    PageList pages;
    ConvertPrintJob(job.c_str(), pages, 1);
    RenderedPage page;
    if (pages.empty() || !RenderPageMetafile(pages[0].c_str(), page)) {
        state.SkipWithError("no picture");
        DeletePageFiles(pages);
        return;
    }
    size_t stride = static_cast<size_t>(page.width) * 4;
    std::string error;
    for (auto _ : state)
        WritePng(
            TempDir() + "page.png", page.width, page.height,
            [&](int32_t y, uint8_t*) { return page.pixels + static_cast<size_t>(y) * stride; }, error);
    ReleaseRenderedPage(page);
    DeletePageFiles(pages);
}

void EncodePagePng(benchmark::State& state) {
    std::string spool = TempDir() + "png-sample.spl";
    WriteFileBytes(spool, WrapInSpool({RecordSamplePage("", 1)}));
    EncodePng(state, spool);
}
BENCHMARK(EncodePagePng)->Unit(benchmark::kMillisecond)->UseRealTime();

void EncodeExamplePagePng(benchmark::State& state, const char* name) {
    std::string path = ExampleJob(state, name);
    if (!path.empty()) EncodePng(state, path);
}
BENCHMARK_CAPTURE(EncodeExamplePagePng, Owl, "owl.pcl")->Unit(benchmark::kMillisecond)->UseRealTime();

// A viewer's thumbnail of a job of each language, 256 pixels on its longer side, beside the full
// first-page picture through the same path (a job in memory to pixels, as the gdk-pixbuf loader
// reads it).
std::string ThumbnailJob(benchmark::State& state, const std::string& language) {
    if (language == "pcl5") return ExampleJob(state, "grashopp.pcl");
    if (language == "pclxl") return ExampleJob(state, "tiger.px3");
    if (language == "hpgl") return DensePlot();
    if (language == "zjs") return ZjsPageFile(false);
    std::string spool = TempDir() + "thumbnail.spl";
    WriteFileBytes(spool, WrapInSpool({RecordSamplePage("", 1)}));
    return spool;
}

void JobPictureAtSize(benchmark::State& state, const std::string& language, int32_t side) {
    std::string path = ThumbnailJob(state, language);
    Bytes job = path.empty() ? Bytes{} : ReadFileBytes(path);
    for (auto _ : state) {
        if (job.empty()) break;
        JobFirstPage page;
        JobFirstPage::Fault fault;
        std::string message;
        int32_t width = 0, height = 0;
        if (!page.Convert(job.data(), job.size(), fault, message)) state.SkipWithError(message.c_str());
        page.NaturalSize(width, height);
        if (side > 0) {
            int32_t longer = std::max(width, height);
            width = std::max(1, width * side / longer), height = std::max(1, height * side / longer);
        }
        size_t sum = 0;
        page.Draw(
            width, height, [&](int32_t, const uint8_t* rgba) { sum += rgba[0]; }, fault, message);
        benchmark::DoNotOptimize(sum);
    }
}
void JobThumbnail(benchmark::State& state, const char* language) { JobPictureAtSize(state, language, 256); }
void JobFullPicture(benchmark::State& state, const char* language) { JobPictureAtSize(state, language, 0); }
BENCHMARK_CAPTURE(JobThumbnail, Pcl5, "pcl5")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobFullPicture, Pcl5, "pcl5")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobThumbnail, PclXl, "pclxl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobFullPicture, PclXl, "pclxl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobThumbnail, Hpgl, "hpgl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobFullPicture, Hpgl, "hpgl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobThumbnail, Spool, "spool")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobFullPicture, Spool, "spool")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobThumbnail, ZjStream, "zjs")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(JobFullPicture, ZjStream, "zjs")->Unit(benchmark::kMillisecond)->UseRealTime();

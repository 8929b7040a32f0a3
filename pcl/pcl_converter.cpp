#include "pcl_converter.h"

#include "hpgl_plot_state.h"
#include "interpreter_lock.h"
#include "kernel.h"
#include "page_files.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>

namespace {
// Hands what the tokenizer recognises to the PCL5 page renderer.
class PclInterpreter : public PclRenderer {
public:
    void Dispatch(const PclCommand& command, const PclArgs& args) override {
        // Text printed so far is drawn before a command can change what it looks like or where it goes.
        FlushPclText();
        if (command.run) command.run(args);
    }
    void EnterPcl() override {
        HpglSectionLeft();
        BottomUpMapping();
    }
    void EnterHpgl(double value) override {
        FlushPclText();
        ::EnterHpgl(value);
    }
    void SelectFontById(bool, double id) override {
        FlushPclText();
        ::SelectFontById(id);
    }
    void SelectDefaultFont(bool secondary, int32_t value) override {
        FlushPclText();
        ::SelectDefaultFont(secondary, value);
    }
    void SelectSymbolSet(bool secondary, int32_t number, uint8_t letter) override {
        FlushPclText();
        ::SelectSymbolSet(secondary, number, letter);
    }
    void DispatchHpgl(const char* m, const uint8_t* params, size_t length, bool cut) override {
        DispatchHpglCommand(m, params, length, cut);
    }
    void Character(uint8_t byte) override { PrintPclCharacter(byte); }
    bool DefiningMacro() override { return Pcl().definingMacro; }
    // The pages listed, less the one still open.
    bool Finished() override {
        const PclPageState& s = Pcl();
        return s.pages.size() - (s.pageDC ? 1 : 0) >= s.pageLimit;
    }
    void MacroDefined(const uint8_t* data, size_t size) override { DefinePclMacro(data, size); }
    void Problem(const std::string& message) override { ReportPclProblem(message); }
    // The job's PJL paper and orientation: the page the job gets until it asks for another.
    void PjlSettings(const PclPageSize& pjl) override {
        PclPageState& s = Pcl();
        EndPclPage();
        s.landscape = false;
        s.size.length = pjl.length, s.size.width = pjl.width;
        s.defaultLandscape = pjl.landscape;
        TurnPclPage(pjl.landscape);
        DefaultTextLayout();
    }
};

// Closes the job's last page on every way out.
struct JobEnd {
    ~JobEnd() { FinishPclJob(); }
};

// Runs one job through the PCL5 driver, its pages and its trace in the
// temporary directory; `setUp` adjusts the fresh job state first.
template <typename SetUp>
PageList runJob(const PrintJob& job, const char* tempDir, bool plotFile, SetUp setUp) {
    BuildPclCommandTable();
    InitPclJob();
    Pcl().tempDir = tempDir;
    Pcl().pageLimit = job.pageLimit;
    setUp(Pcl());
    PclInterpreter interpreter;
    Pcl().runMacro = [&interpreter](const uint8_t* data, size_t size) { RunPclMacro(data, size, interpreter); };
    {
        JobEnd end;
        PclPageSize pjl{Pcl().size.length, Pcl().size.width, false};
        RunPclJob(job, tempDir, interpreter, pjl, plotFile);
    }
    Pcl().runMacro = nullptr;
    Pcl().tempDir = nullptr;  // the caller's text: not to be kept past the job
    PageList pages = std::move(Pcl().pages);
    Pcl().pages.clear();
    return pages;
}

void deletePages(const PageList& pages) {
    for (const std::string& p : pages) DeleteTemporaryFile(p);
}
}  // namespace

bool FitPlot(const ENHMETAHEADER& h, const PclPageSize& page, PlotPlacement& place) {
    if (h.rclBounds.right < h.rclBounds.left || h.rclBounds.bottom < h.rclBounds.top) return false;
    if (h.szlDevice.cx <= 0 || h.szlDevice.cy <= 0 || h.szlMillimeters.cx <= 0 || h.szlMillimeters.cy <= 0)
        return false;
    // Reference pixels to page units (1/80 mm); the bounds run down from the page's top-left corner.
    double ux = 80.0 * h.szlMillimeters.cx / h.szlDevice.cx, uy = 80.0 * h.szlMillimeters.cy / h.szlDevice.cy;
    double left = h.rclBounds.left * ux, right = (h.rclBounds.right + 1.0) * ux;
    double low = page.length - (h.rclBounds.bottom + 1.0) * uy, high = page.length - h.rclBounds.top * uy;
    // Marks that reach past the edge by less than the margin (a pen's width at the origin) leave the page as it is.
    if (left >= -kPlotMargin && low >= -kPlotMargin && right <= page.width + kPlotMargin &&
        high <= page.length + kPlotMargin)
        return false;
    // The page grows to take the marks in, with a margin, up to the largest page a plot gets.
    double x0 = std::min(0.0, left - kPlotMargin), x1 = std::max<double>(page.width, right + kPlotMargin);
    double y0 = std::min(0.0, low - kPlotMargin), y1 = std::max<double>(page.length, high + kPlotMargin);
    if (x1 - x0 > kMaxPlotPage) x0 = std::max(x0, left - kPlotMargin), x1 = std::min(x0 + kMaxPlotPage, x1);
    if (y1 - y0 > kMaxPlotPage) y0 = std::max(y0, low - kPlotMargin), y1 = std::min(y0 + kMaxPlotPage, y1);
    place.size.width = static_cast<int32_t>(std::ceil(x1 - x0));
    place.size.length = static_cast<int32_t>(std::ceil(y1 - y0));
    place.originX = static_cast<int32_t>(std::lround(-x0));
    place.originY = static_cast<int32_t>(std::lround(-y0));
    return true;
}

bool ConvertPcl5Job(const PrintJob& job, PageList& pages) {
    std::string tempDir = TempDirectory();
    if (tempDir.empty()) return true;
    std::lock_guard<std::mutex> turn(InterpreterStateLock());
    pages = runJob(job, tempDir.c_str(), false, [](PclPageState&) {});
    return true;
}

bool ConvertHpglPlotFile(const PrintJob& job, PageList& pages) {
    std::string tempDir = TempDirectory();
    if (tempDir.empty()) return true;
    std::lock_guard<std::mutex> turn(InterpreterStateLock());
    // A first run on an A4 page, or the paper the job's PJL header names, finds where the plot's
    // marks fall.
    PclPageSize paper{kA4Length, kA4Width};
    if (job.header && job.headerSize > 0)
        ReadPjlBlock(reinterpret_cast<const char*>(job.header), job.headerSize, paper);
    if (paper.landscape) std::swap(paper.length, paper.width), paper.landscape = false;
    auto plotSetUp = [&](PclPageState& s) {
        s.size = paper;
        s.hpglInsidePcl = false;
        s.fixedPlotWidth = paper.width, s.fixedPlotHeight = paper.length;  // P2 stays where the first run had it
    };
    PageList trial = runJob(job, tempDir.c_str(), true, plotSetUp);
    PlotPlacement place;
    bool grow = false;
    if (!trial.empty())
        if (HENHMETAFILE emf = GetEnhMetaFileA(trial.front().c_str())) {
            ENHMETAHEADER h{};
            // The sheet the plot asked for with PS, else A4: its frame is in 0.01 mm.
            grow = GetEnhMetaFileHeader(emf, sizeof h, &h) &&
                FitPlot(h, PclPageSize{(h.rclFrame.bottom * 80 + 99) / 100, (h.rclFrame.right * 80 + 99) / 100}, place);
            DeleteEnhMetaFile(emf);
        }
    if (!grow) {
        pages = std::move(trial);
        return true;
    }
    deletePages(trial);
    pages = runJob(job, tempDir.c_str(), true, [&](PclPageState& s) {
        plotSetUp(s);
        s.size = place.size;
        s.plotOriginX = place.originX, s.plotOriginY = place.originY;
        s.plotPagePlaced = true;
    });
    return true;
}

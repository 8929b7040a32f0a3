// Opening and closing the page metafiles of a PCL5 job.
#include "hpgl_plot_state.h"
#include "job_problems.h"
#include "kernel.h"
#include "page_files.h"
#include "pattern_comment.h"
#include "pcl_page_state.h"
#include "user.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// Ends the open page: its font goes with it, then the recording is closed.
void closePage() {
    PclPageState& s = Pcl();
    if (!s.pageDC) return;
    FlushPclText();
    HpglPageClosing();
    HGDIOBJ font = SelectObject(s.pageDC, GetStockObject(SYSTEM_FONT));
    if (font && font != GetStockObject(SYSTEM_FONT)) DeleteObject(font);
    HENHMETAFILE emf = CloseEnhMetaFile(s.pageDC);
    DeleteEnhMetaFile(emf);
    s.pageDC = nullptr;
    s.fontInPage = false;
    s.mapping = PclMapping::Other;
    if (!emf && !s.pages.empty()) {
        ReportPclProblem("the page could not be written to the temporary directory: " + LastFileErrorText());
        DeleteTemporaryFile(s.pages.back());  // a page that could not be written is no page
        s.pages.pop_back();
    }
}

// Ends the open page and removes its file: nothing marked it.
void discardPage() {
    PclPageState& s = Pcl();
    if (!s.pageDC) return;
    size_t listed = s.pages.size();
    closePage();
    if (s.pages.size() == listed && !s.pages.empty()) {  // else closing removed it already
        DeleteTemporaryFile(s.pages.back());
        s.pages.pop_back();
    }
    --s.pageNumber;  // the next page takes its number
}

std::string pageName(int32_t page) {
    PclPageState& s = Pcl();
    if (s.tempDir) return ReservePageFile(s.tempDir, page);
    char name[1100];
    wsprintfA(name, "%s/page_%04d.emf", TempDirectory().c_str(), page);
    return name;
}
}  // namespace

void ReportPclProblem(const std::string& message) {
    const PclPageState& s = Pcl();
    ReportJobProblem(s.pageDC ? static_cast<size_t>(s.pageNumber) : 0, message);
}

void OpenPclPage() {
    PclPageState& s = Pcl();
    closePage();
    s.pageMarked = false;
    if (s.pageNumber >= kMaxPclPages) return;
    ++s.pageNumber;
    std::string name = pageName(s.pageNumber);
    if (name.empty()) return;
    // The page size is in 1/80 mm; the metafile frame is in 0.01 mm.
    RECT frame{0, 0, static_cast<LONG>(int64_t{s.pageWidth()} * 100 / 80),
               static_cast<LONG>(int64_t{s.pageHeight()} * 100 / 80)};
    s.pageDC = CreateEnhMetaFileA(nullptr, name.c_str(), &frame, nullptr);
    if (!s.pageDC) {
        DeleteTemporaryFile(name);  // a page whose metafile cannot be made is not listed
        return;
    }
    s.pages.push_back(name);
    // Pattern brushes (HP-GL/2 fills, screened lines, text in patterns) keep the pattern's own
    // resolution, as rectangles do, whatever resolution the page is pictured at.
    std::array<uint8_t, kPatternCommentSize> patterns = PatternCommentBytes();
    GdiComment(s.pageDC, static_cast<UINT>(patterns.size()), patterns.data());
    SetGraphicsMode(s.pageDC, GM_ADVANCED);
    SetMapMode(s.pageDC, MM_ANISOTROPIC);
    s.mapping = PclMapping::Other;
    BottomUpMapping();
    SetBkMode(s.pageDC, TRANSPARENT);
    PlotFrame(s.plotWidth, s.plotHeight);
    HpglPageOpened();
    // Font commands given before the page opened apply to its text.
    s.fontInPage = false;
    ApplyPclFont();
}

bool MarkPclPage() {
    PclPageState& s = Pcl();
    if (!s.pageDC) OpenPclPage();
    if (s.pageDC) s.pageMarked = true;
    return s.pageDC != nullptr;
}

void EjectPclPage() {
    PclPageState& s = Pcl();
    if (s.runningOverlay) return;  // an overlay prints on its page, it does not end it
    // A form feed ends an image in progress: its rows print on the page they were sent on.
    if (s.raster) EndRaster();
    if (!s.pageDC) OpenPclPage();
    RunPclOverlay();
    closePage();
    s.pageMarked = false;
    // The cursor keeps its column and goes to the first line of the next page.
    s.cursorY = s.topMargin + 0.75 * s.vmi;
}

void EndPclPage() {
    PclPageState& s = Pcl();
    if (s.runningOverlay) return;
    if (s.pageMarked) {
        RunPclOverlay();
        closePage();
    } else {
        discardPage();
    }
    s.pageMarked = false;
}

namespace {
// The picture frame of a PCL page: as ESC*c#X and #Y set it (decipoints), else the
// logical page's width and the page's height less half an inch at the top and the bottom.
void pictureFrame(int32_t& width, int32_t& height) {
    PclPageState& s = Pcl();
    width = s.rectangleWidth > 0 ? static_cast<int32_t>(std::min(s.rectangleWidth * kDecipoint, 800000.0))
                                 : static_cast<int32_t>(LogicalPageWidth());
    height = s.rectangleHeight > 0 ? static_cast<int32_t>(std::min(s.rectangleHeight * kDecipoint, 800000.0))
                                   : std::max(s.pageHeight() - kPageUnitsPerInch, 1);
}
}  // namespace

void PlotFrame(int32_t& width, int32_t& height) {
    PclPageState& s = Pcl();
    if (s.fixedPlotWidth > 0 && s.fixedPlotHeight > 0) {
        width = s.fixedPlotWidth, height = s.fixedPlotHeight;
    } else if (s.hpglInsidePcl) {
        // ESC*c#K and #L give the plot a size of its own, which the frame then holds.
        pictureFrame(width, height);
        if (s.plotSizeX > 0) width = static_cast<int32_t>(s.plotSizeX);
        if (s.plotSizeY > 0) height = static_cast<int32_t>(s.plotSizeY);
    } else {
        width = s.pageWidth(), height = s.pageHeight();
    }
}

void PictureFrameChanged() {
    PclPageState& s = Pcl();
    PlotFrame(s.plotWidth, s.plotHeight);
    HpglFrameChanged();
}

bool EnterHpgl(double value) {
    PclPageState& s = Pcl();
    if (value == kHpglPlotFile && s.hpglInsidePcl) {
        // A plot file starts from a plotter's defaults.
        s.hpglInsidePcl = false;
        ResetHpglDefaults();
    }
    if (!s.pageDC) OpenPclPage();
    if (!s.pageDC) return true;
    // y grows upward from the plot's origin: the lower-left corner of the page,
    // or of the picture frame on a PCL page.
    int32_t x = s.plotOriginX, y = s.plotOriginY;
    double scaleX = 1, scaleY = 1;
    if (s.hpglInsidePcl) {
        int32_t frameWidth, frameHeight;
        pictureFrame(frameWidth, frameHeight);
        double left = s.frameAnchored ? s.frameAnchorX : LogicalPageLeft();
        double top = s.frameAnchored ? s.frameAnchorY : kPageUnitsPerInch / 2.0;
        x += static_cast<int32_t>(std::lround(left));
        y += static_cast<int32_t>(std::lround(s.pageHeight() - top - frameHeight));
        scaleX = static_cast<double>(frameWidth) / std::max(s.plotWidth, 1);
        scaleY = static_cast<double>(frameHeight) / std::max(s.plotHeight, 1);
    }
    SetPlotMapping(x, y, scaleX, scaleY);
    HpglSectionEntered();
    if (s.hpglInsidePcl && value == 1) {
        // The pen starts where the PCL cursor stands: its place on the page, in the frame's units.
        PagePoint at = PclPagePoint(s.cursorX, s.cursorY);
        HpglPenToFramePoint((at.x - x) / scaleX, (s.pageHeight() - at.y - y) / scaleY);
    }
    return true;
}

bool FinishPclJob() {
    DiscardRaster();
    EndPclPage();
    return true;
}

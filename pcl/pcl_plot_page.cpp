// The page HP-GL/2 plots on, from the PCL5 page state.
#include "pcl_page_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>

namespace {
// A side of a plot's media, in plotter units: at least a centimetre, at most two metres.
constexpr double kMinMediaSide = 400, kMaxMediaSide = 80000;
}  // namespace

HDC PlotPageDC() { return Pcl().pageDC; }

HDC MarkPlotPage() {
    PclPageState& s = Pcl();
    if (s.pageDC) s.pageMarked = true;
    return s.pageDC;
}

bool PlotPageMarked() { return Pcl().pageMarked; }

bool PlotInsidePcl() { return Pcl().hpglInsidePcl; }

void PlotFrameSize(int32_t& width, int32_t& height) {
    width = Pcl().plotWidth;
    height = Pcl().plotHeight;
}

PlotMedia SetPlotMedia(std::optional<double> length, std::optional<double> width) {
    PclPageState& s = Pcl();
    // Media cannot change under a drawing. A PCL page keeps the size PCL gave it, as
    // printers ignore PS; but a job that gives both sides before anything is drawn is
    // a plotter's (a large-format job wrapped in PCL), and its page is the media.
    if (s.pageMarked) return PlotMedia::Kept;
    if (s.hpglInsidePcl) {
        if (!width) return PlotMedia::Kept;
        s.plotOriginX = s.plotOriginY = 0;
        EnterHpgl(kHpglPlotFile);
    }
    double along = length.value_or(kA4Width / 2.0);
    double across = width ? *width : length ? s.pageHeight() / 2.0 : kA4Length / 2.0;
    if (std::isnan(along) || std::isnan(across)) return PlotMedia::NotNumbers;
    auto side = [](double v) {
        return static_cast<int32_t>(2 * std::clamp(std::fabs(v), kMinMediaSide, kMaxMediaSide));
    };
    s.fixedPlotWidth = side(along);
    s.fixedPlotHeight = side(across);
    if (!s.plotPagePlaced) {
        // The sheet itself changes: the unmarked page goes and one of the new size opens.
        EndPclPage();
        s.size = PclPageSize{s.fixedPlotHeight, s.fixedPlotWidth};
        EnterHpgl(kHpglPlotFile);
    } else {
        PictureFrameChanged();
    }
    return PlotMedia::Changed;
}

void AdvancePlotPage() {
    PclPageState& s = Pcl();
    // On a PCL page only PCL ejects the page; an empty sheet is not advanced past.
    if (s.hpglInsidePcl || !s.pageMarked) return;
    EndPclPage();
    EnterHpgl(kHpglPlotFile);
}

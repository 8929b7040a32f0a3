#include "pcl_text_paint.h"

#include "pcl_page_state.h"
#include "plot_page.h"

#include <cmath>
#include <vector>

namespace {
// PSDPxax: the brush where the source is black, the page where it is white. DPSoa: the page
// where the source is white, and the page masked by the brush where it is black, so that a
// pattern's white leaves the page as it is.
constexpr DWORD kBrushThroughSource = 0x00B8074A, kBrushMaskThroughSource = 0x00A80329;
}  // namespace

PclTextPaint::PclTextPaint() {
    PclPageState& s = Pcl();
    if (!s.pageDC) return;
    if (s.currentPattern >= 2 && s.currentPattern <= 4) {
        std::vector<uint8_t> dib = PclPatternDib(s.currentPattern, s.currentPatternId);
        if (!dib.empty()) brush_ = CreateDIBPatternBrushPt(dib.data(), DIB_RGB_COLORS);
    }
    patterned_ = brush_ != nullptr;
    if (patterned_) {
        PagePoint ref = s.patternReferenceSet ? s.patternReference : PagePoint{};
        POINT at{static_cast<LONG>(std::lround(ref.x)), static_cast<LONG>(std::lround(ref.y))};
        LPtoDP(s.pageDC, &at, 1);
        SetBrushOrgEx(s.pageDC, at.x, at.y, nullptr);
        transparent_ = !s.patternOpaque;
    } else {
        brush_ = CreateSolidBrush(PclTextColour());
    }
    previous_ = SelectObject(s.pageDC, brush_);
    if (transparent_) previousMix_ = SetROP2(s.pageDC, R2_MASKPEN);
}

PclTextPaint::~PclTextPaint() {
    PclPageState& s = Pcl();
    if (!s.pageDC || !brush_) return;
    if (previousMix_) SetROP2(s.pageDC, previousMix_);
    SelectObject(s.pageDC, previous_ ? previous_ : GetStockObject(BLACK_BRUSH));
    DeleteObject(brush_);
}

DWORD PclTextPaint::glyphRop() const { return transparent_ ? kBrushMaskThroughSource : kBrushThroughSource; }

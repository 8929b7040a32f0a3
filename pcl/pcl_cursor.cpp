// The logical page, the cursor and the text layout: margins, motion indexes,
// positioning by PCL units, decipoints, rows and columns, and the cursor stack.
#include "pcl_commands.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kHalfInch = kPageUnitsPerInch / 2.0;

double finite(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// A new cursor position, kept on the logical page. An image interrupted by a
// cursor move is painted first (its rows have moved the cursor down), and its
// further rows start a new image where the cursor goes.
template <typename Where>
void placeCursor(Where where) {
    PclPageState& s = Pcl();
    bool raster = s.raster != nullptr;
    if (raster) EndRaster();
    auto [x, y] = where();
    double fromX = s.cursorX, fromY = s.cursorY;
    s.cursorX = std::clamp(finite(x, s.cursorX), 0.0, TextFrameWidth());
    s.cursorY = std::clamp(finite(y, s.cursorY), 0.0, TextFrameHeight());
    if (raster) StartRaster();
    // With underlining on, a move to the right along the line is underlined as text is: how
    // word processors draw strikeouts and double underlines.
    if (s.underline && s.cursorY == fromY && s.cursorX > fromX && MarkPclPage()) {
        FlushPclText();
        DrawPclUnderline(fromX, s.cursorX, s.cursorY);
    }
}

// A horizontal or vertical position in `unit` page units: absolute from `origin`, or relative.
void moveX(const PclArgs& a, double unit) {
    placeCursor([&] {
        PclPageState& s = Pcl();
        return std::pair{a.relative ? s.cursorX + a.value * unit : a.value * unit, s.cursorY};
    });
}
void moveY(const PclArgs& a, double unit, double origin) {
    placeCursor([&] {
        PclPageState& s = Pcl();
        return std::pair{s.cursorX, a.relative ? s.cursorY + a.value * unit : origin + a.value * unit};
    });
}

// The HMI, after a font change waiting to set it.
double currentHmi() {
    ChosenPclFont();
    return Pcl().hmi;
}

double textBottom() {
    PclPageState& s = Pcl();
    return s.topMargin + s.textLength;
}
}  // namespace

double LogicalPageLeft() {
    PclPageState& s = Pcl();
    if (s.landscape) return 60 * kDot;
    const PclPaper* paper = PaperByWidth(std::min(s.pageWidth(), s.pageHeight()));
    return (paper && paper->metric ? 71 : 75) * kDot;
}

double LogicalPageWidth() { return std::max(0.0, Pcl().pageWidth() - 2 * LogicalPageLeft()); }

namespace {
bool sideways() { return Pcl().printDirection == 90 || Pcl().printDirection == 270; }

// Margins and text length for the frame of the print direction: turned sideways,
// the frame runs the page's whole length with half-inch side margins, and has no top margin.
void frameLayout() {
    PclPageState& s = Pcl();
    s.leftMargin = sideways() ? kHalfInch : 0;
    s.rightMargin = TextFrameWidth() - s.leftMargin;
    s.topMargin = sideways() ? 0 : kHalfInch;
    s.textLength = std::max(0.0, TextFrameHeight() - s.topMargin - kHalfInch);
}
}  // namespace

double TextFrameWidth() { return sideways() ? Pcl().pageHeight() : LogicalPageWidth(); }
double TextFrameHeight() { return sideways() ? LogicalPageWidth() : Pcl().pageHeight(); }

PagePoint PclPagePoint(double x, double y) {
    PclPageState& s = Pcl();
    double left = LogicalPageLeft(), w = s.pageWidth(), h = s.pageHeight();
    PagePoint p{left + x, y};
    switch (s.printDirection) {
    case 90: p = {left + y, h - x}; break;
    case 180: p = {w - left - x, h - y}; break;
    case 270: p = {w - left - y, x}; break;
    default: break;
    }
    // The registration offsets move everything the job draws.
    return {p.x + s.leftOffset, p.y + s.topOffset};
}

namespace {
// The text frame's point at a point of the page: PclPagePoint undone.
PagePoint framePoint(PagePoint at) {
    PclPageState& s = Pcl();
    double left = LogicalPageLeft(), w = s.pageWidth(), h = s.pageHeight();
    double x = at.x - s.leftOffset, y = at.y - s.topOffset;
    switch (s.printDirection) {
    case 90: return {h - y, x - left};
    case 180: return {w - left - x, h - y};
    case 270: return {y, w - left - x};
    default: return {x - left, y};
    }
}
}  // namespace

void DefaultTextLayout() {
    PclPageState& s = Pcl();
    s.printDirection = 0;
    s.fontChosen = false;  // upright again
    frameLayout();
    s.cursorStack.clear();
    HomeCursor();
}

void HomeCursor() {
    PclPageState& s = Pcl();
    s.cursorX = s.leftMargin;
    s.cursorY = s.topMargin + 0.75 * s.vmi;
}

void MoveCursorDown(double dy) {
    PclPageState& s = Pcl();
    double y = s.cursorY + dy;
    // Past the text area (with perforation skip) or past the page, the text goes on at the top of the next page.
    double bottom = s.perforationSkip ? textBottom() : TextFrameHeight();
    if (dy > 0 && y > bottom + 0.5 && s.cursorY <= bottom + 0.5) {
        FlushPclText();
        // Line feeds on a page nothing has marked eject no blank pages.
        if (s.pageMarked) EjectPclPage();
        else s.cursorY = s.topMargin + 0.75 * s.vmi;
        return;
    }
    s.cursorY = std::clamp(y, 0.0, TextFrameHeight());
}

bool PclCursorX(const PclArgs& a) {
    moveX(a, kPageUnitsPerInch / static_cast<double>(Pcl().unitsPerInch));
    return true;
}
bool PclCursorY(const PclArgs& a) {
    moveY(a, kPageUnitsPerInch / static_cast<double>(Pcl().unitsPerInch), Pcl().topMargin);
    return true;
}
bool PclDecipointX(const PclArgs& a) {
    moveX(a, kDecipoint);
    return true;
}
bool PclDecipointY(const PclArgs& a) {
    moveY(a, kDecipoint, Pcl().topMargin);
    return true;
}
bool PclColumn(const PclArgs& a) {
    moveX(a, currentHmi());
    return true;
}
bool PclRow(const PclArgs& a) {
    PclPageState& s = Pcl();
    moveY(a, s.vmi, s.topMargin + 0.75 * s.vmi);
    return true;
}
bool PclHalfLineFeed(const PclArgs&) {
    MoveCursorDown(Pcl().vmi / 2);
    return true;
}

bool PclPushPopCursor(const PclArgs& a) {
    PclPageState& s = Pcl();
    if (a.Int() == 0) {
        // A push past the stack's depth is ignored, as a printer ignores it.
        if (s.cursorStack.size() < kMaxCursorStack) s.cursorStack.emplace_back(s.cursorX, s.cursorY);
    } else if (a.Int() == 1 && !s.cursorStack.empty()) {
        auto top = s.cursorStack.back();
        s.cursorStack.pop_back();
        placeCursor([&] { return top; });
    }
    return true;
}

bool PclLeftOffset(const PclArgs& a) {
    // In decipoints, within a page's width either way.
    Pcl().leftOffset = std::clamp(a.value, -32767.0, 32767.0) * kDecipoint;
    return true;
}

bool PclTopOffset(const PclArgs& a) {
    Pcl().topOffset = std::clamp(a.value, -32767.0, 32767.0) * kDecipoint;
    return true;
}

bool PclPrintDirection(const PclArgs& a) {
    PclPageState& s = Pcl();
    int32_t n = a.Int();
    if ((n != 0 && n != 90 && n != 180 && n != 270) || n == s.printDirection) return true;
    // The cursor stays where it is on the page; the margins start afresh in the turned frame.
    PagePoint at = PclPagePoint(s.cursorX, s.cursorY);
    s.printDirection = n;
    s.fontChosen = false;  // the font turns with the text
    frameLayout();
    PagePoint cursor = framePoint(at);
    s.cursorX = std::clamp(cursor.x, 0.0, TextFrameWidth());
    s.cursorY = std::clamp(cursor.y, 0.0, TextFrameHeight());
    return true;
}

bool PclLeftMargin(const PclArgs& a) {
    PclPageState& s = Pcl();
    double x = std::max(0, a.Int()) * currentHmi();
    // A left margin at or past the right margin is ignored.
    if (x >= s.rightMargin) return true;
    s.leftMargin = x;
    if (s.cursorX < x) s.cursorX = x;
    return true;
}

bool PclRightMargin(const PclArgs& a) {
    PclPageState& s = Pcl();
    // The right edge of the column; beyond the logical page it stops at the page's edge.
    double x = std::min((std::max(0, a.Int()) + 1.0) * currentHmi(), TextFrameWidth());
    if (x <= s.leftMargin) return true;
    s.rightMargin = x;
    if (s.cursorX > x) s.cursorX = x;
    return true;
}

bool PclClearMargins(const PclArgs&) {
    PclPageState& s = Pcl();
    s.leftMargin = 0;
    s.rightMargin = TextFrameWidth();
    return true;
}

bool PclTopMargin(const PclArgs& a) {
    PclPageState& s = Pcl();
    double top = std::max(0, a.Int()) * s.vmi;
    // A top margin below the page is ignored; a valid one resets the text length.
    if (top > TextFrameHeight()) return true;
    s.topMargin = top;
    s.textLength = std::max(0.0, TextFrameHeight() - top - kHalfInch);
    // On a page nothing has marked yet, the cursor goes to the first line of the new text area.
    if (!s.pageMarked) s.cursorY = s.topMargin + 0.75 * s.vmi;
    return true;
}

bool PclTextLength(const PclArgs& a) {
    PclPageState& s = Pcl();
    double length = std::max(0, a.Int()) * s.vmi;
    // A length of 0 or one that runs off the page is ignored.
    if (length <= 0 || s.topMargin + length > TextFrameHeight() + 0.5) return true;
    s.textLength = length;
    return true;
}

bool PclPerforationSkip(const PclArgs& a) {
    if (a.Int() == 0 || a.Int() == 1) Pcl().perforationSkip = a.Int() == 1;
    return true;
}

bool PclHmi(const PclArgs& a) {
    PclPageState& s = Pcl();
    // In 1/120 inch; a negative or huge index is ignored.
    if (a.value < 0 || a.value > 32767) return true;
    currentHmi();  // a font change waiting to set the HMI takes effect first
    s.hmi = a.value * kPageUnitsPerInch / 120.0;
    s.hmiFromFont = false;
    return true;
}

bool PclVmi(const PclArgs& a) {
    // In 1/48 inch; a negative or huge index is ignored, 0 stops line feeds moving.
    if (a.value < 0 || a.value > 32767) return true;
    Pcl().vmi = a.value * kPageUnitsPerInch / 48.0;
    return true;
}

bool PclLineSpacing(const PclArgs& a) {
    // Lines per inch; only the values printers take.
    switch (a.Int()) {
    case 0: Pcl().vmi = 0; break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
    case 8:
    case 12:
    case 16:
    case 24:
    case 48: Pcl().vmi = kPageUnitsPerInch / static_cast<double>(a.Int()); break;
    default: break;
    }
    return true;
}

bool PclLineTermination(const PclArgs& a) {
    if (a.Int() >= 0 && a.Int() <= 3) Pcl().lineTermination = a.Int();
    return true;
}

bool PclEndOfLineWrap(const PclArgs& a) {
    if (a.Int() == 0 || a.Int() == 1) Pcl().endOfLineWrap = a.Int() == 0;
    return true;
}

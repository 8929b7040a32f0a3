// The operator table, and the operators of the session, the page and the graphics state.
#include "pclxl_operators.h"

#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_stream.h"

#include <algorithm>

namespace {
void endSession() { XlState().stop = true; }

void comment() {
    PclXlState& s = XlState();
    if (!s.dc) return;
    std::vector<BYTE> text(s.attr.commentData.begin(), s.attr.commentData.end());
    GdiComment(s.dc, static_cast<UINT>(text.size()), text.data());
}

void popGS() {
    PclXlState& s = XlState();
    if (s.savedStates.empty() || !s.dc) return;
    s.gs = std::move(s.savedStates.back());
    s.savedStates.pop_back();
    RestoreDC(s.dc, -1);
    XlObjectsDeselected();
}

void pushGS() {
    PclXlState& s = XlState();
    if (!s.dc || s.savedStates.size() >= kMaxGraphicsStates) return;
    s.savedStates.push_back(s.gs);
    // The saved state holds no object of ours, so deleting one later leaves nothing dangling.
    XlDeselectObjects();
    SaveDC(s.dc);
}

void setBrushSource() {
    PclXlState& s = XlState();
    PclXlPaint p;
    s.gs.brush = XlPaintFromAttributes(p, xla::NullBrush) ? p : PclXlPaint{PclXlPaint::None, RGB(0, 0, 0), 0};
}

void setPenSource() {
    PclXlState& s = XlState();
    PclXlPaint p;
    s.gs.pen = XlPaintFromAttributes(p, xla::NullPen) ? p : PclXlPaint{};
}

void setColorSpace() {
    PclXlState& s = XlState();
    const PclXlAttributes& a = s.attr;
    s.gs.colorSpace = a.colorSpace == 2 || a.colorSpace == 6 ? 2 : 1;
    s.gs.palette.clear();
    if (XlGiven(xla::PaletteData))
        for (int32_t v : a.paletteData) s.gs.palette.push_back(static_cast<uint8_t>(v));
}

// The cursor moves; the next segment starts a new figure there.
void setCursor() {
    PclXlState& s = XlState();
    s.cursor[0] = s.origin[0] + s.attr.point[0];
    s.cursor[1] = s.origin[1] + s.attr.point[1];
    s.path.figureOpen = false;
    if (!s.dc) return;
    POINT p = XlMapCursor(s.cursor[0], s.cursor[1]);
    MoveToEx(s.dc, p.x, p.y, nullptr);
}

void setCursorRel() {
    PclXlState& s = XlState();
    s.cursor[0] += s.attr.point[0];
    s.cursor[1] += s.attr.point[1];
    s.path.figureOpen = false;
}

void setFillMode() { XlState().gs.fillMode = XlState().attr.fillMode == 1 ? 1 : 0; }
void setClipMode() { XlState().gs.clipMode = XlState().attr.clipMode == 1 ? 1 : 0; }
void setPageOrigin() {
    PclXlState& s = XlState();
    s.origin[0] = s.attr.pageOrigin[0];
    s.origin[1] = s.attr.pageOrigin[1];
}
void setPageScale() {
    PclXlState& s = XlState();
    if (s.rx <= 0 || s.ry <= 0) return;
    s.sx = kXlFine * s.attr.pageScale[0] / s.rx;
    s.sy = kXlFine * s.attr.pageScale[1] / s.ry;
    s.pageScaleSet = true;
}
void setPenWidth() { XlState().gs.penWidth = std::clamp(XlState().attr.penWidth, 0.0, 1e6); }
void setLineCap() { XlState().gs.lineCap = XlState().attr.lineCap; }
void setLineJoin() { XlState().gs.lineJoin = XlState().attr.lineJoin; }
void setMiterLimit() { XlState().gs.miterLimit = std::clamp(XlState().attr.miterLength, 1, 1000); }
void setLineDash() {
    PclXlState& s = XlState();
    s.gs.dash.clear();
    if (XlGiven(xla::SolidLine) || !XlGiven(xla::LineDashStyle)) return;
    // A pattern of nothing but gaps or of more than 20 elements is no dash a printer draws.
    const std::vector<int32_t>& d = s.attr.lineDash;
    if (d.size() > 20 || std::all_of(d.begin(), d.end(), [](int32_t v) { return v <= 0; })) return;
    for (int32_t v : d) s.gs.dash.push_back(std::max(v, 0));
    s.gs.dashOffset = XlGiven(xla::DashOffset) ? s.attr.dashOffset : 0;
}
void setROP() { XlState().gs.rop3 = static_cast<uint8_t>(XlState().attr.rop3); }
void setSourceTxMode() { XlState().gs.sourceTransparent = XlState().attr.txMode == 1; }
void setPaintTxMode() { XlState().gs.patternTransparent = XlState().attr.txMode == 1; }
void setDefaultGS() {
    PclXlState& s = XlState();
    s.gs = PclXlGraphicsState{};
    XlObjectsDeselected();
}
void nothing() {}

using Handler = void (*)();
struct OperatorRow {
    uint8_t tag;
    Handler run;
};

const OperatorRow kOperators[] = {
    {0x41, nothing},            // BeginSession
    {0x42, endSession},         // EndSession
    {0x43, XlBeginPage},        // BeginPage
    {0x44, XlEndPageOperator},  // EndPage
    {0x46, nothing},            // VendorUnique
    {0x47, comment},            // Comment
    {0x48, nothing},            // OpenDataSource
    {0x49, nothing},            // CloseDataSource
    {0x4A, nothing},            // EchoComment
    {0x4B, nothing},            // Query
    {0x4C, nothing},            // Diagnostic3
    {0x4F, XlBeginFontHeader},
    {0x50, XlReadFontHeader},
    {0x51, XlEndFontHeader},
    {0x52, XlBeginChar},
    {0x53, XlReadChar},
    {0x54, XlEndChar},
    {0x55, XlRemoveFont},
    {0x56, nothing},  // SetCharAttributes
    {0x57, setDefaultGS},
    {0x58, nothing},  // SetColorTreatment
    {0x5B, nothing},  // BeginStream
    {0x5C, nothing},  // ReadStream
    {0x5D, nothing},  // EndStream
    {0x5E, nothing},  // ExecStream
    {0x5F, nothing},  // RemoveStream
    {0x60, popGS},
    {0x61, pushGS},
    {0x62, XlSetClipReplace},
    {0x63, setBrushSource},
    {0x64, XlSetCharAngle},
    {0x65, XlSetCharScale},
    {0x66, XlSetCharShear},
    {0x67, XlSetClipIntersect},
    {0x68, XlSetClipRectangle},
    {0x69, XlSetClipToPage},
    {0x6A, setColorSpace},
    {0x6B, setCursor},
    {0x6C, setCursorRel},
    {0x6D, nothing},  // SetHalftoneMethod
    {0x6E, setFillMode},
    {0x6F, XlSetFont},
    {0x70, setLineDash},
    {0x71, setLineCap},
    {0x72, setLineJoin},
    {0x73, setMiterLimit},
    {0x74, nothing},  // SetPageDefaultCTM
    {0x75, setPageOrigin},
    {0x76, nothing},  // SetPageRotation
    {0x77, setPageScale},
    {0x78, setPaintTxMode},
    {0x79, setPenSource},
    {0x7A, setPenWidth},
    {0x7B, setROP},
    {0x7C, setSourceTxMode},
    {0x7D, XlSetCharBoldValue},
    {0x7E, nothing},  // SetNeutralAxis
    {0x7F, setClipMode},
    {0x80, nothing},  // SetPathToClip
    {0x81, nothing},  // SetCharSubMode
    {0x84, XlCloseSubPath},
    {0x85, XlNewPath},
    {0x86, XlPaintPathOperator},
    {0x91, XlArcPath},
    {0x92, nothing},  // a colour rendering setting by kind of object
    {0x93, [] { XlBezierPath(false); }},
    {0x94, nothing},  // a colour rendering setting by kind of object
    {0x95, [] { XlBezierPath(true); }},
    {0x96, [] { XlChord(true); }},
    {0x97, [] { XlChord(false); }},
    {0x98, [] { XlEllipse(true); }},
    {0x99, [] { XlEllipse(false); }},
    {0x9B, [] { XlLinePath(false); }},
    {0x9D, [] { XlLinePath(true); }},
    {0x9E, [] { XlPie(true); }},
    {0x9F, [] { XlPie(false); }},
    {0xA0, [] { XlRectangle(true); }},
    {0xA1, [] { XlRectangle(false); }},
    {0xA2, [] { XlRoundRectangle(true); }},
    {0xA3, [] { XlRoundRectangle(false); }},
    {0xA8, XlText},
    {0xB0, XlBeginImage},
    {0xB1, XlReadImage},
    {0xB2, XlEndImage},
    {0xB3, XlBeginRastPattern},
    {0xB4, XlReadRastPattern},
    {0xB5, XlEndRastPattern},
};

struct OperatorTable {
    Handler byTag[256] = {};
    OperatorTable() {
        for (const OperatorRow& r : kOperators) byTag[r.tag] = r.run;
    }
};
}  // namespace

void ExecutePclXlOperator(uint8_t tag) {
    static const OperatorTable table;
    Handler h = table.byTag[tag];
    if (!h) throw PclXlError("Unknown tag", "operator " + std::to_string(tag));
    h();
}

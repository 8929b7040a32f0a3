// Internal model of the drawing layer: GDI objects, device contexts, device
// space paths and the hooks shared by the recorder, the rasteriser and the
// metafile player.
#pragma once
#include "document.h"
#include "gdi.h"
#include "glyph_comment.h"

#include <cairo.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace gdi {

// A table of the objects behind handles. Threads play pages at once, each with objects of its
// own; the table they share is locked for each look-up, addition and removal.
template <typename T>
class HandleTable {
public:
    T* Find(const void* handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(static_cast<T*>(const_cast<void*>(handle)));
        return it == objects_.end() ? nullptr : it->second.get();
    }
    T* Add(std::unique_ptr<T> object) {
        T* raw = object.get();
        std::lock_guard<std::mutex> lock(mutex_);
        objects_.emplace(raw, std::move(object));
        return raw;
    }
    // The object leaves the table; it is destroyed after the lock is let go.
    void Remove(T* object) {
        std::unique_ptr<T> gone;
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(object);
        if (it == objects_.end()) return;
        gone = std::move(it->second);
        objects_.erase(it);
    }

private:
    std::mutex mutex_;
    std::unordered_map<T*, std::unique_ptr<T>> objects_;
};

// Limits on what a page or a record may make us allocate.
constexpr int kMaxBitmapSide = 32768;
constexpr uint64_t kMaxBitmapPixels = 256ull * 1024 * 1024 / 4;
constexpr size_t kMaxPathOps = 4u * 1024 * 1024;

// Reference screen.
constexpr int kScreenWidth = 1920, kScreenHeight = 1080, kScreenDpi = 96;
constexpr int kScreenWidthMm = 508, kScreenHeightMm = 286;

struct PointD {
    double x, y;
};

// x' = a x + c y + e; y' = b x + d y + f (the XFORM eM11, eM12, eM21, eM22, eDx, eDy).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    PointD apply(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
    PointD applyVector(double x, double y) const { return {a * x + c * y, b * x + d * y}; }
    // This transform followed by `next`.
    Matrix then(const Matrix& next) const;
    bool invert(Matrix& out) const;
    double det() const { return a * d - b * c; }
    double scale() const;  // geometric mean of the axis scales
    static Matrix fromXform(const XFORM& x) { return {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}; }
    cairo_matrix_t toCairo() const { return {a, b, c, d, e, f}; }
};

struct PathOp {
    enum Kind : uint8_t { Move, Line, Curve, Close } kind;
    PointD p[3];
};
using Path = std::vector<PathOp>;

// 32-bit pixels 0x00RRGGBB, rows top-down: the layout of a 32-bit DIB and of
// Cairo's RGB24. A mono image holds only black and white, meaning the text
// and background colours when it is drawn.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    bool mono = false;
    bool bilevel = false;                // decoded from a 1-bit image (perhaps averaged down to greys)
    int32_t pixelsPerMetre[2] = {0, 0};  // the resolution the image names, if any
    // A colour image as a Cairo surface, made the first time a brush paints with it: a pattern
    // brush may paint thousands of glyphs and figures.
    mutable std::shared_ptr<cairo_surface_t> surface;
};

inline uint32_t ColorToPixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline COLORREF PixelToColor(uint32_t p) { return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF); }

// A view of pixels owned elsewhere (an Image or a bitmap).
// A 1-bit image's rows as a DIB stores them: the first pixel in each byte's high bit, rows
// `stride` bytes apart from the bottom one up, or from the top one down; the colour of
// each index.
struct BilevelRows {
    const uint8_t* bits = nullptr;
    size_t stride = 0;
    bool bottomUp = true;
    uint32_t colors[2] = {0, 0};
};

// The rows of a 1-bit image in Cairo's A1 layout, `stride` bytes apart, set where its colour
// is `set` (black or white). False, with nothing written, for an image of other colours.
bool BilevelRowsToA1(const BilevelRows& src, int width, int height, uint32_t set, uint8_t* out, size_t stride);

struct ImageRef {
    int width = 0, height = 0;
    const uint32_t* px = nullptr;
    // Where given, the image's own rows, and `px` may be null: only stencils are made of them.
    const BilevelRows* rows = nullptr;
    bool mono = false;
    bool bilevel = false;
    int32_t pixelsPerMetre[2] = {0, 0};
    // The bytes the image was decoded from, where the caller knows them (may be empty).
    std::string_view identity;
    ImageRef() = default;
    ImageRef(const Image& i)
        : width(i.width),
          height(i.height),
          px(i.px.data()),
          mono(i.mono),
          bilevel(i.bilevel),
          pixelsPerMetre{i.pixelsPerMetre[0], i.pixelsPerMetre[1]} {}
};

enum class Kind { Pen, Brush, Font, Bitmap, Region, Palette };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    int stockIndex = -1;
};

struct PenObj : Object {
    PenObj() : Object(Kind::Pen) {}
    DWORD style = PS_SOLID;  // full style word, type and caps and joins included
    double width = 0;
    COLORREF color = 0;
    bool extended = false;
    UINT brushStyle = BS_SOLID;
    ULONG hatch = 0;
    std::shared_ptr<Image> pattern;  // a DIB-patterned pen's pattern
    std::vector<DWORD> dashes;
    int styleKind() const { return static_cast<int>(style & PS_STYLE_MASK); }
    bool geometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
};

struct BrushObj : Object {
    BrushObj() : Object(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    UINT hatch = 0;
    std::shared_ptr<Image> pattern;
};

struct FontObj : Object {
    FontObj() : Object(Kind::Font) {}
    LOGFONTW lf{};
};

struct BitmapObj : Object {
    BitmapObj() : Object(Kind::Bitmap) {}
    int width = 0, height = 0;
    uint32_t* bits = nullptr;  // width * height pixels, top-down
    // Zeroed pixels: calloc's, or for a page-sized bitmap a mapping of its own, fresh or kept
    // from one given back (allocatePixels in gdi_objects.cpp).
    struct Free {
        Free() : mapped(0) {}
        explicit Free(size_t bytes) : mapped(bytes) {}
        size_t mapped;  // bytes mapped for the pixels, or 0 when they came from calloc
        void operator()(uint32_t* p) const;
    };
    std::unique_ptr<uint32_t, Free> storage;
    bool mono = false;
    bool selected = false;
};

struct RegionObj : Object {
    RegionObj() : Object(Kind::Region) {}
    std::vector<RECT> rects;  // union of rectangles, in device units
};

struct PaletteObj : Object {
    PaletteObj() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// Object table.
Object* LookUp(HGDIOBJ h);
template <class T>
T* LookUpAs(HGDIOBJ h, Kind k) {
    Object* o = LookUp(h);
    return o && o->kind == k ? static_cast<T*>(o) : nullptr;
}
HGDIOBJ Register(std::unique_ptr<Object> obj);
std::shared_ptr<Image> ImageFromBitmap(const BitmapObj& bmp);

struct ClipItem {
    Path path;  // device space
    bool evenOdd = false;
};

struct DcState {
    int mapMode = MM_TEXT;
    int graphicsMode = GM_COMPATIBLE;
    POINT windowOrg{0, 0}, viewportOrg{0, 0};
    SIZE windowExt{1, 1}, viewportExt{1, 1};
    XFORM world{1, 0, 0, 1, 0, 0};
    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr, palette = nullptr;
    COLORREF bkColor = 0xFFFFFF, textColor = 0, dcBrushColor = 0xFFFFFF, dcPenColor = 0;
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int polyFillMode = ALTERNATE;
    int rop2 = R2_COPYPEN;
    int stretchMode = BLACKONWHITE;
    int arcDirection = AD_COUNTERCLOCKWISE;
    float miterLimit = 10.0f;
    POINT brushOrg{0, 0};
    POINT current{0, 0};
    bool hasClip = false;
    std::vector<ClipItem> clip;
};

enum class DcKind { Display, Memory, Metafile };

struct BitmapGlyphTable;
struct BitmapGlyphRun {
    std::vector<cairo_glyph_t> glyphs;
    // The characters the glyphs stand for, in UTF-8, and how many bytes of them each glyph has
    // (none for a glyph whose character is not known).
    std::string text;
    std::vector<cairo_text_cluster_t> clusters;
    COLORREF color = 0;
    std::vector<ClipItem> clip;  // the DC's clip when the run began
};

// Stencils of black-and-white images (glyphs, mostly): each distinct one is one surface,
// which the document holds once. In a PDF the small ones in a solid colour are the glyphs
// of a Type 3 font, each glyph one stencil at one scale, shown a run at a time.
struct DocumentStencils {
    std::vector<cairo_surface_t*> shapes;
    std::unordered_map<std::string, int> byBits;
    // By the bytes an image was decoded from: the same bytes need not be decoded again.
    // -1 marks images of other colours.
    std::unordered_map<std::string, int> bySource;
    size_t bytes = 0;
    cairo_font_face_t* glyphFace = nullptr;
    BitmapGlyphTable* glyphTable = nullptr;  // owned by glyphFace
    std::unordered_map<std::string, unsigned long> glyphs, outlineGlyphs;
    BitmapGlyphRun run;
    DocumentStencils() = default;
    DocumentStencils(const DocumentStencils&) = delete;
    DocumentStencils& operator=(const DocumentStencils&) = delete;
    ~DocumentStencils();
};

// An SVG file as Cairo writes it, with the tail held back, and the page's text layer.
struct SvgOutput {
    std::FILE* file = nullptr;
    std::string tail;
    std::string textLayer;
    int width = 0, height = 0;  // the page's, in device pixels
    double widthPoints = 0, heightPoints = 0;
    bool sized = false;  // the page's size written in points
    // Characters along one baseline, waiting for the text layer: XML text, and each one's x.
    struct Run {
        std::string chars, xs;
        double y = 0, size = 0, lastX = 0, nextX = 0;  // nextX: where the last glyph's advance ends
    } run;
    SvgOutput() = default;
    SvgOutput(const SvgOutput&) = delete;
    SvgOutput& operator=(const SvgOutput&) = delete;
    ~SvgOutput() {
        if (file) std::fclose(file);
    }
};

struct DocumentState {
    DocumentFormat format = DocumentFormat::Pdf;
    GlyphComment nextGlyph;  // what the next glyph drawn as an image stands for, if told
    std::string path;
    int dotsPerInch = 0;
    int pages = 0;
    bool pageOpen = false;
    int width = 0, height = 0;  // the open page, in device pixels
    BackdropSource backdrop;    // the open page's picture, for what only pixels can draw
    // That picture, once fetched, in square tiles: each tile a region needs goes into the
    // document once, however many regions use it, and a viewer draws only the tiles a
    // region touches.
    BackdropPixels backdropPixels;
    bool backdropFetched = false;
    std::vector<cairo_surface_t*> backdropTiles;
    // Regions taken from the picture so far; past a limit the page ends with the whole
    // picture laid over it instead, one image rather than thousands of pieces.
    int backdropRegions = 0;
    bool backdropWholePage = false;
    DocumentStencils stencils;
    std::unique_ptr<SvgOutput> svg;  // an SVG document's file
    DocumentState() = default;
    DocumentState(const DocumentState&) = delete;
    DocumentState& operator=(const DocumentState&) = delete;
    ~DocumentState() { DropBackdrop(); }
    void DropBackdrop() {
        for (cairo_surface_t* t : backdropTiles)
            if (t) cairo_surface_finish(t), cairo_surface_destroy(t);
        backdropTiles.clear();
        backdropPixels = BackdropPixels{};
        backdropFetched = false;
        backdrop = nullptr;
        backdropRegions = 0;
        backdropWholePage = false;
    }
};

struct Recorder;

// Anonymous memory for a page's pixels, paged in only where it is written.
class PageScratch {
public:
    PageScratch() = default;
    ~PageScratch();
    PageScratch(const PageScratch&) = delete;
    PageScratch& operator=(const PageScratch&) = delete;
    // `bytes` of it, zero where never written; null when that cannot be mapped.
    unsigned char* get(size_t bytes);

private:
    void* area_ = nullptr;
    size_t bytes_ = 0;
};

struct DC {
    DcKind kind = DcKind::Memory;
    DcState st;
    std::vector<DcState> saved;
    // Device description answered by GetDeviceCaps.
    int devWidth = kScreenWidth, devHeight = kScreenHeight, devWidthMm = kScreenWidthMm, devHeightMm = kScreenHeightMm;
    // Mapping from this DC's device space to the surface, set during playback.
    Matrix base;
    std::vector<ClipItem> metaClip;  // clip in force around a playback
    // The graphics mode text is drawn in: the DC's own (0), or while a metafile's text record
    // plays, the mode it was recorded in (the playback DC itself being in the advanced mode).
    int textGraphicsMode = 0;
    // Path bracket.
    bool pathOpen = false;
    bool pathValid = false;
    Path path;
    // Memory DCs.
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ defaultBitmap = nullptr;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    // The second core's copy of the page's rows under a large image, mapped on first use.
    PageScratch partScratch;
    // Metafile DCs.
    std::unique_ptr<Recorder> rec;
    // Document DCs (PDF, SVG): a vector surface in device units of the document's resolution.
    std::unique_ptr<DocumentState> document;
    ~DC();
};

HDC NewDC(DcKind kind);
DC* LookUpDC(HDC h);
// Whether text on the DC is drawn in the advanced graphics mode.
inline bool AdvancedText(const DC& dc) {
    return (dc.textGraphicsMode ? dc.textGraphicsMode : dc.st.graphicsMode) == GM_ADVANCED;
}
// The device pixels a DC draws into: its bitmap's, or a document page's.
void SurfaceExtent(const DC& dc, int& width, int& height);
// On a document, paints the page's picture over the device rectangle (clipped as `cr` is),
// where a raster operation needs the pixels under it. False on other DCs.
bool PaintBackdrop(DC& dc, cairo_t* cr, int x0, int y0, int x1, int y1);
// On a document, the brush where a black-and-white image is black (`whereBlack`) or white,
// the rest of the page left as it is: the raster operations that lay glyphs and patterned
// images. The image is known by its pixels, or by the bytes it was decoded from
// (`identity`, may be empty) when it was seen before. A small one in a solid colour on a
// PDF waits as a glyph to be shown with those after it; drawing anything else shows them
// first. False, with nothing drawn, for an image of other colours, an unknown one or
// another DC. `paint`, when given, is laid instead of the DC's brush.
bool DrawStencil(DC& dc, const ImageRef* src, std::string_view identity, const Matrix& srcToDev, bool whereBlack,
                 HGDIOBJ paint = nullptr);
void FlushBitmapGlyphs(DC& dc);
// In an SVG document, the characters of a run of `count` glyphs (as the run's font on `cr`
// lays them, one UTF-16 unit of `text` each) go into its text layer.
void AddToTextLayer(const DC& dc, cairo_t* cr, const cairo_glyph_t* glyphs, const WCHAR* text, size_t count);
// An SVG document's surface of `width` x `height` device pixels, shown at `widthPoints` x
// `heightPoints`, writing to the document's file; an error surface when the file cannot be made.
cairo_surface_t* CreateSvgSurface(DocumentState& doc, int width, int height, double widthPoints, double heightPoints);
// A character of the SVG's text layer: its glyph's reference point at (x, y), its em `size`
// high and its `advance` along the baseline, in device pixels.
void AddSvgCharacter(SvgOutput& out, char32_t c, double x, double y, double size, double advance);
// Writes the rest of an SVG document, with its text layer, once its surface is finished, and
// closes the file; false when it could not be written.
bool FinishSvgFile(DocumentState& doc);
// On a PDF, a filled path the page told to be a glyph of an outline font (in a solid colour)
// joins the run of glyphs as a glyph of the document's font, with its character; false when it
// is to be filled as any path is.
bool QueueOutlineGlyph(DC& dc, const Path& path);

// Marks a page being played on this thread while it lives.
class PagePlaying {
public:
    PagePlaying();
    ~PagePlaying();
    PagePlaying(const PagePlaying&) = delete;
    PagePlaying& operator=(const PagePlaying&) = delete;
};
// True while fewer pages are playing than drawing may use cores.
bool CoreToSpare();

// How an image is laid on the page: smoothed or sampled, and where its pixels go.
struct ImageSampling {
    bool smoothed = false;
    Matrix toDevice;  // image pixels to device pixels, upright
};
// Fills the device rectangle (x0, y0) - (x1, y1), which the DC's context holds in its clip,
// with `op` and an image source, in parts (see drawing_options.h): each pixel comes out as
// one fill of the whole gives it. `setSource` sets the source on a context from the image
// surface given to it, `image` or a twin of it for another core. False, with nothing drawn,
// where that cannot be done or does not pay.
bool FillLargeImage(DC& dc, double x0, double y0, double x1, double y1, cairo_operator_t op, cairo_surface_t* image,
                    const ImageSampling& sampling, const std::function<void(cairo_t*, cairo_surface_t*)>& setSource);

void ResetState(DcState& st);

// Logical to device (world, then page, then base).
Matrix LogicalToDevice(const DC& dc);
Matrix PageTransform(const DC& dc);

// Path construction in device space.
void AddPolyline(Path& p, const Matrix& m, const POINT* pts, size_t n, bool startNew);
// The closed outline of the logical rectangle (l, t) - (r, b).
void AddRectangle(Path& p, const Matrix& m, double l, double t, double r, double b);
PointD Transform(const DC& dc, double x, double y);
void AddArcPath(Path& path, const Matrix& m, double l, double t, double r, double b, double xs, double ys, double xe,
                double ye, bool clockwise, bool connect);

// Drawing into the DC: appended to the open path, recorded into the bounds of
// a metafile, or painted on a memory DC.
BOOL Draw(DC& dc, const Path& path, bool fill, bool stroke);
void PaintPath(DC& dc, const Path& path, bool fill, bool stroke);
void PaintRegion(DC& dc, const Path& path, HGDIOBJ brush);
void BuildCairoPath(cairo_t* cr, const Path& path);
// The bounds of a path's points, which hold its filling.
void PathBounds(const Path& path, double& x0, double& y0, double& x1, double& y1);
// Sets the DC's clip on `cr`, after showing any bitmap glyphs a document has waiting.
void ApplyClip(DC& dc, cairo_t* cr);
void ApplyClipItems(cairo_t* cr, const std::vector<ClipItem>& clip);
bool EnsureSurface(DC& dc);
void SetBrushSource(DC& dc, cairo_t* cr, BrushObj* brush);
void SetSourceColor(cairo_t* cr, COLORREF color);

// Blits onto a memory DC. `src` may be null for pattern-only operations.
void BlitImage(DC& dc, const ImageRef* src, double sx, double sy, double sw, double sh, double x, double y, double w,
               double h, DWORD rop, const ImageRef* mask = nullptr, int maskX = 0, int maskY = 0);
// A stencil blit on a document of an image known by the bytes it was decoded from and seen
// before (`src` null), or of a black-and-white image: false when the image must be decoded
// and drawn with BlitImage.
bool BlitStencil(DC& dc, const ImageRef* src, std::string_view identity, double sx, double sy, double sw, double sh,
                 double x, double y, double w, double h, DWORD rop);
// Device pixels x0 <= x < x1, y0 <= y < y1.
struct PixelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
// The dots of an image in A1 rows reduced onto the device pixels it covers within `within`, as
// an A8 mask whose top-left pixel is (originX, originY): each pixel as covered as the dots
// cover its footprint. Null for an image not upright or not drawn smaller than its dots.
cairo_surface_t* ReducedDotMask(const uint8_t* a1, size_t stride, int width, int height, const Matrix& srcToDev,
                                const PixelBox& within, int& originX, int& originY);
// On a picture, a black-and-white image given by its rows (`src.rows`), whole, ANDed onto
// the page: false where it must be decoded and drawn with BlitImage.
bool BlitBilevelRows(DC& dc, const ImageRef& src, double x, double y, double w, double h, DWORD rop);
void AlphaBlendImage(DC& dc, const ImageRef& src, double sx, double sy, double sw, double sh, double x, double y,
                     double w, double h, BLENDFUNCTION blend);

// Text output shared by the text calls and the metafile player.
BOOL TextOutCore(HDC h, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx);

// DIB decoding with every size checked against the bytes given.
// With shrink > 1 the image comes out reduced by that factor, each pixel the
// mean of its block: large images drawn small need neither the memory nor
// the time of full size.
bool DecodeDib(const BYTE* info, size_t infoSize, const BYTE* bits, size_t bitsSize, UINT usage,
               const PaletteObj* palette, Image& out, int shrink = 1);
// How much an image of sw x sh pixels drawn over w x h logical units may be
// reduced before drawing (1 when it is not drawn at less than half size).
int ShrinkFactor(const DC& dc, double w, double h, double sw, double sh);
size_t DibHeaderAndColorsSize(const BITMAPINFOHEADER& h, UINT usage = DIB_RGB_COLORS);
uint64_t DibImageSize(const BITMAPINFOHEADER& h);
// A brush pattern at `kx` by `ky` times its size, at least a pixel each way and at most 16M
// pixels: a shrunk colour pattern's pixels are the means of those they cover, other pixels
// the nearest one's. It holds as many periods as come nearest to a whole number of pixels in a
// small tile, so that its tiles keep to where the pattern lies across the page.
Image ResampledPattern(const Image& in, double kx, double ky);
// A packed 32-bit (or 1-bit for mono) bottom-up DIB of an image, for recording.
std::vector<BYTE> PackDib(const ImageRef& img, size_t& headerSize, bool keepAlpha = false);

}  // namespace gdi

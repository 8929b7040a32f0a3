// PCL5 raster images: rows and planes decoded from every compression method
// between start and end, composed into 1-bit or 24-bit rows, then painted at
// the cursor as one bitmap scaled from the raster resolution.
#pragma once
#include "gdi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Largest image held: 65536 pixels a row and 256 MiB in all; at most 8 planes a row.
constexpr int64_t kMaxRasterWidth = 65536;
constexpr int64_t kMaxRasterBytes = 256ll * 1024 * 1024;
constexpr int kMaxRasterPlanes = 8;

// How the rows of an image arrive.
enum class RasterLayout { Mono, IndexedPlanes, IndexedPixels, DirectPlanes, DirectPixels, InkjetBands };

// An ink of inkjet raster (Configure Raster Data): its resolution and how many levels a dot has.
// HP's later inkjet drivers send components instead, each with its own compression method:
// black dots, and colour as 24-bit pixels.
struct RasterComponent {
    int32_t xDpi = 300, yDpi = 300, levels = 2;
    int32_t method = -1;  // the component's own compression method; -1 for inks of levels
    bool rgb = false;     // 24-bit colour pixels rather than black dots
    int bits() const;     // planes a row: enough bits for the levels
};
// Inkjet rows come in groups at the lowest vertical resolution: each ink sends its rows of the
// group (more for an ink of finer resolution), each row as its planes, lowest bit first.
constexpr int kMaxInkPlanes = 32;
// Configure Raster Data (format 2: black, cyan-magenta-yellow or all four; format 6: black dots
// and colour pixels); false when unreadable.
bool ConfigureRasterData(const uint8_t* data, int32_t count);

struct RasterJob {
    std::vector<uint8_t> image;  // composed rows back to back, each `rowLength` bytes (DIB rows)
    int64_t rowCount = 0;
    // Fixed by the first row.
    bool configured = false;
    int64_t width = 0, rowLength = 0;
    int bits = 1;  // of a composed pixel: 1 or 24
    RasterLayout layout = RasterLayout::Mono;
    int planes = 1, planeBits = 1;  // planes a row, bits a pixel within a plane
    int64_t planeBytes = 0;
    bool cmy = false;                         // direct colours are cyan, magenta, yellow
    std::vector<PALETTEENTRY> palette;        // for indexed layouts
    std::vector<std::vector<uint8_t>> seeds;  // each plane's last row
    int plane = 0;                            // the plane the next transfer fills
    int32_t rowDpi = 0;                       // the vertical resolution of composed rows
    // Inks: the components, and for each plane its ink, its row within the group and its bit.
    std::vector<RasterComponent> inks;
    struct InkPlane {
        int ink, row, bit;
        int inkRows;  // rows its ink sends a group
    };
    std::vector<InkPlane> inkPlanes;
    int groupRows = 1;  // composed rows a group makes
    int32_t xDpi = 0;   // the horizontal resolution of composed rows
    // Inkjet rows (inks of levels, or black dots and colour components) are composed a row at a
    // time into a band of rows with ink, painted when a blank row (which a transparent source
    // leaves unpainted) or the end closes it; `rowCount` then counts every row, painted or not.
    int64_t bandFirst = 0;            // the band's first row within the image
    int64_t dotsLength = 0;           // bytes a 1-bit row of black dots
    std::vector<uint8_t> bandDots;    // the band's black dots
    std::vector<uint8_t> bandColour;  // its 24-bit rows, once a row of it has colour
    bool bandInColour = false;        // whether one has
    std::vector<uint8_t> dotsRow;     // the row being composed
    // Inks of levels: each ink's level a pixel, and the colours they make, a row.
    std::vector<uint8_t> inkLevels, inkRow;
};

// Inkjet raster (Configure Raster Data): format 6's components read from the command's data,
// the inks' planes laid out for a new image, a group of rows composed into the band, and the
// band painted.
bool ReadInkjetComponents(const uint8_t* data, int32_t count, std::vector<RasterComponent>& components);
void ConfigureInkjetRows(RasterJob& r, const std::vector<RasterComponent>& inks);
void ComposeInkjetRows(RasterJob& r);
void PaintInkjetBand(RasterJob& r);
// Paints `rows` rows of the image, `bits` deep, the first of them `first` rows below its top.
bool PaintRasterRows(const RasterJob& r, const uint8_t* pixels, int bits, int64_t first, int64_t rows);

// A dot of a 1-bit row; none past its end.
inline bool RasterDot(const std::vector<uint8_t>& row, size_t x) {
    return (x >> 3) < row.size() && (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void StartRaster();
// A row's last (or only) plane: the row is complete.
void TransferRasterRow(const uint8_t* data, int32_t length);
// One plane of a row; the next transfer fills the next plane.
void TransferRasterPlane(const uint8_t* data, int32_t length);
bool EndRaster();
// Raster Y offset: blank rows within the image.
void SkipRasterRows(int32_t rows);
void DiscardRaster();

// Helpers shared by the tests: a private temporary directory, rendering a
// metafile into pixels, and reading pixels back.
#pragma once
#include "gdi.h"
#include "kernel.h"
#include "user.h"
#include "page_list.h"
#include "sample_job.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// A small job of each language the converters read, under a name with its usual extension:
// PCL5 (text in two fonts, a shaded rectangle, a raster image and an HP-GL/2 plot), PCL XL,
// an HP-GL/2 plot file, an NT EMF spool file and ZjStream.
std::vector<std::pair<std::string, Bytes>> JobsOfEachLanguage();

// Runs a shell command; its exit status (-1 when it did not exit), and its standard output in `out`.
int RunCommand(const std::string& command, std::string& out);

struct Pixels;
// A job's picture as a viewer gets it through the plug-in's exports, rows as they come (the
// fourth byte of each pixel as the plug-in leaves it); empty when the job gives none.
Pixels PictureThroughExports(const std::string& path);

// Points $TMPDIR at a fresh directory for the test and removes it afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir_;                        // with a trailing '/'
    std::vector<std::string> Files() const;  // names in dir_, sorted
    std::string Write(const std::string& name, const Bytes& bytes) const;
    // Writes a job under `name` and converts it as the plug-in does; the conversion must not fail.
    PageList Convert(const Bytes& job, const std::string& name = "job") const;
};

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> px;  // 0x00RRGGBB
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
    // Fraction of pixels in a rectangle whose colour is within `tolerance` of `rgb`.
    double Share(int x0, int y0, int x1, int y1, uint32_t rgb, int tolerance = 40) const;
};

// A white memory DC of the given size with a 32-bit DIB section selected.
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    Pixels Read() const;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint32_t* bits = nullptr;
    int width, height;
};

// The box round the pixels of a region that are further than `tolerance` from white;
// right < left when there are none.
RECT InkBox(const Pixels& p, int tolerance, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1);

// Loads a job through the plug-in's exports as a viewer does; empty when it gives no picture.
Pixels LoadPicture(const std::string& jobPath);

// True when a command-line tool is on the PATH.
bool HaveTool(const char* name);
// Reads a PNG composited over white.
bool ReadPng(const std::string& path, Pixels& out);

// Two pictures of one page compared at a coarse scale, robust to font
// substitution and anti-aliasing: both are made grey and box-filtered onto a
// grid `cells` across (rows follow the reference's aspect; ours is stretched
// onto it); a cell is inked where either is darker than 245.
struct CoarseMatch {
    double match = 0;  // the share of inked cells whose grey levels differ by less than `tolerance`
    double ink = 0;    // our ink over the reference's
};
CoarseMatch CompareCoarse(const Pixels& ours, const Pixels& reference, int cells = 96, int tolerance = 48);

// A copy of `in` with one to eight edits: bytes changed or flipped, a word made zero or
// huge, the end cut off or a byte put in.
Bytes Mutate(const Bytes& in, std::mt19937& rng);

// Plays metafile bytes over the whole canvas.
Pixels PlayOnto(const Bytes& emf, int width, int height);
// Records with `draw` on a metafile DC of the frame (0.01 mm), returns the bytes.
template <class F>
Bytes Record(F draw, RECT frame = {0, 0, 21000, 29700}) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    draw(dc);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes out(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(out.size()), out.data());
    DeleteEnhMetaFile(emf);
    return out;
}

// The images a page metafile paints with StretchDIBits.
struct PaintedImage {
    int32_t x, y, width, height, destWidth, destHeight, bits;
    uint32_t rop;
    Bytes data;
};
std::vector<PaintedImage> ImagesOfPage(const Bytes& emf);
// How many records of a type a metafile holds.
size_t CountRecords(const Bytes& emf, uint32_t type);
uint32_t U32(const Bytes& b, size_t off);

// Two grids of w x h cells compared: of each grid's inked cells (`inked(second, cell)`),
// the share that the other meets (`meets(second, cell, otherCell)`) at the same cell or
// one within `reach`; the smaller of the two shares. A grid without ink has share `empty`.
double CellAgreement(int w, int h, int reach, double empty, const std::function<bool(bool, size_t)>& inked,
                     const std::function<bool(bool, size_t, size_t)>& meets);

// Two pictures of one size compared cell by cell: of each picture's cells that
// show ink, the share the other matches within `tolerance` at the same cell or
// one next to it; the smaller of the two shares.
double ColourSimilarity(const Pixels& a, const Pixels& b, int cell = 4, int tolerance = 48);

inline bool Near(uint32_t a, uint32_t b, int tolerance = 40) {
    for (int s = 0; s < 24; s += 8) {
        int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

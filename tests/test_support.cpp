#include "test_support.h"

#include <png.h>

#include "convert_print_job.h"
#include "emf_records.h"
#include "pclxl_job.h"
#include "zjs_job.h"
#include "spoolsight_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

std::vector<std::pair<std::string, Bytes>> JobsOfEachLanguage() {
    std::string pcl =
        "\x1B%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n\x1B"
        "E\x1B&l26A\x1B&a5R\x1B(s1p14v4148THello from many threads\r\n"
        "\x1B(s0p10h3TCourier text, line two\x1B*p300x600Y\x1B*c600a300b20g2P"
        "\x1B*p300x1000Y\x1B*t150R\x1B*r1A";
    for (int row = 0; row < 40; ++row)
        pcl += "\x1B*b4W" + std::string(row % 2 ? "\xF0\x0F\xF0\x0F" : "\x0F\xF0\x0F\xF0");
    pcl +=
        "\x1B*rB\x1B%0BINSP1PA2000,3000PD5000,3000,5000,6000CI800LBPlot\x03\x1B%0A\x0C\x1B"
        "E\x1B%-12345X";
    std::string plot =
        "IN;SP1;PU1000,1000;PD9000,1000,9000,7000,1000,7000,1000,1000;SP2;PA5000,4000;CI2000;"
        "PM0;PA2000,2000;PD3000,2000,3000,3000;PM2;FP;SP3;PU1500,6000;SI0.5,0.8;LBThreads\x03;SP0;";
    BiLevelImage zjsPage = SamplePageImage(4800, 6600);
    return {
        {"letter.pcl", Bytes(pcl.begin(), pcl.end())},  {"shapes.pxl", MakePclXlJob(2)},
        {"plot.hpgl", Bytes(plot.begin(), plot.end())}, {"sample.spl", ReadFileBytes(SPOOLSIGHT_EXAMPLE)},
        {"raster.zjs", MakeZjsJob({zjsPage, zjsPage})},
    };
}

int RunCommand(const std::string& command, std::string& out) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Pixels PictureThroughExports(const std::string& path) {
    Pixels p;
    void* context = ivpLoadPictureInit(path.c_str());
    if (!context) return p;
    int32_t kind, resolution, bpp, bytesPerLine, colormap;
    char label[32];
    if (ivpLoadPictureGetInfo(context, &kind, &p.width, &p.height, &resolution, &bpp, &bytesPerLine, &colormap, label,
                              sizeof label) == 1) {
        p.px.resize(static_cast<size_t>(p.width) * p.height);
        for (int32_t y = 0; y < p.height; ++y)
            if (ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * p.width]) != 1) p.px.clear();
    }
    ivpLoadPictureExit(context);
    return p;
}

void TempDirTest::SetUp() {
    char pattern[] = "/tmp/spoolsight-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
    setenv("TMPDIR", pattern, 1);
}

void TempDirTest::TearDown() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    unsetenv("TMPDIR");
}

std::vector<std::string> TempDirTest::Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string TempDirTest::Write(const std::string& name, const Bytes& bytes) const {
    // Job files live in a subdirectory so that Files() lists only what the code under test made.
    fs::create_directories(dir_ + "jobs");
    std::string path = dir_ + "jobs/" + name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
}

PageList TempDirTest::Convert(const Bytes& job, const std::string& name) const {
    PageList pages;
    EXPECT_TRUE(ConvertPrintJob(Write(name, job).c_str(), pages));
    return pages;
}

double Pixels::Share(int x0, int y0, int x1, int y1, uint32_t rgb, int tolerance) const {
    size_t hits = 0, total = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x, ++total) hits += Near(at(x, y), rgb, tolerance);
    return total ? static_cast<double>(hits) / total : 0;
}

Canvas::Canvas(int w, int h) : width(w), height(h) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

Canvas::~Canvas() {
    DeleteDC(dc);
    DeleteObject(bitmap);
}

Pixels Canvas::Read() const {
    Pixels p;
    p.width = width;
    p.height = height;
    // Drawing is flushed by any call that reads back; GetPixel does so.
    GetPixel(dc, 0, 0);
    p.px.assign(bits, bits + static_cast<size_t>(width) * height);
    return p;
}

Pixels PlayOnto(const Bytes& emf, int width, int height) {
    Canvas c(width, height);
    HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data());
    RECT all{0, 0, width, height};
    if (h) PlayEnhMetaFile(c.dc, h, &all);
    DeleteEnhMetaFile(h);
    return c.Read();
}

Pixels LoadPicture(const std::string& jobPath) {
    Pixels p;
    void* context = ivpLoadPictureInit(jobPath.c_str());
    if (!context) return p;
    int32_t kind, w, h, resolution, bits, bytesPerLine, colormap;
    char label[32];
    if (ivpLoadPictureGetInfo(context, &kind, &w, &h, &resolution, &bits, &bytesPerLine, &colormap, label,
                              sizeof label)) {
        p.width = w;
        p.height = h;
        p.px.resize(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * w]);
    }
    ivpLoadPictureExit(context);
    return p;
}

bool HaveTool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool ReadPng(const std::string& path, Pixels& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> px(static_cast<size_t>(image.width) * image.height);
    // Composite over white, as the picture is.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&image, &white, px.data(), 0, nullptr)) return false;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.px.resize(px.size());
    for (size_t i = 0; i < px.size(); ++i) {
        uint32_t a = px[i] >> 24, c = px[i];
        auto mix = [&](int s) { return ((((c >> s) & 0xFF) * a + 255 * (255 - a)) / 255) << s; };
        out.px[i] = mix(16) | mix(8) | mix(0);
    }
    return true;
}

uint32_t U32(const Bytes& b, size_t off) {
    uint32_t v = 0;
    if (off + 4 <= b.size()) memcpy(&v, &b[off], 4);
    return v;
}

std::vector<PaintedImage> ImagesOfPage(const Bytes& emf) {
    std::vector<PaintedImage> out;
    for (size_t off = U32(emf, 4); off + 8 <= emf.size() && U32(emf, off + 4) >= 8; off += U32(emf, off + 4)) {
        if (U32(emf, off) != EMR_STRETCHDIBITS) continue;
        PaintedImage p;
        uint32_t offBmi = U32(emf, off + 48), offBits = U32(emf, off + 56), cbBits = U32(emf, off + 60);
        p.x = static_cast<int32_t>(U32(emf, off + 24));
        p.y = static_cast<int32_t>(U32(emf, off + 28));
        p.width = static_cast<int32_t>(U32(emf, off + offBmi + 4));
        p.height = -static_cast<int32_t>(U32(emf, off + offBmi + 8));
        p.bits = emf[off + offBmi + 14];
        p.rop = U32(emf, off + 68);
        p.destWidth = static_cast<int32_t>(U32(emf, off + 72));
        p.destHeight = static_cast<int32_t>(U32(emf, off + 76));
        p.data.assign(emf.begin() + static_cast<long>(off + offBits),
                      emf.begin() + static_cast<long>(off + offBits + cbBits));
        out.push_back(std::move(p));
    }
    return out;
}

size_t CountRecords(const Bytes& emf, uint32_t type) {
    size_t n = 0;
    for (size_t off = U32(emf, 4); off + 8 <= emf.size() && U32(emf, off + 4) >= 8; off += U32(emf, off + 4))
        n += U32(emf, off) == type;
    return n;
}

double ColourSimilarity(const Pixels& a, const Pixels& b, int cell, int tolerance) {
    if (a.width != b.width || a.height != b.height) return 0;
    int w = a.width / cell, h = a.height / cell;
    // Mean colours of the cells.
    auto means = [&](const Pixels& p) {
        std::vector<uint32_t> m(static_cast<size_t>(w) * h);
        for (int cy = 0; cy < h; ++cy)
            for (int cx = 0; cx < w; ++cx) {
                int sum[3] = {0, 0, 0};
                for (int y = cy * cell; y < (cy + 1) * cell; ++y)
                    for (int x = cx * cell; x < (cx + 1) * cell; ++x)
                        for (int c = 0; c < 3; ++c) sum[c] += (p.at(x, y) >> (8 * c)) & 0xFF;
                uint32_t v = 0;
                for (int c = 0; c < 3; ++c) v |= static_cast<uint32_t>(sum[c] / (cell * cell)) << (8 * c);
                m[static_cast<size_t>(cy) * w + cx] = v;
            }
        return m;
    };
    std::vector<uint32_t> ma = means(a), mb = means(b);
    auto cells = [&](bool second) -> const std::vector<uint32_t>& { return second ? mb : ma; };
    return CellAgreement(
        w, h, 1, 1.0, [&](bool second, size_t i) { return !Near(cells(second)[i], 0xFFFFFF, 20); },
        [&](bool second, size_t i, size_t j) { return Near(cells(!second)[j], cells(second)[i], tolerance); });
}

double CellAgreement(int w, int h, int reach, double empty, const std::function<bool(bool, size_t)>& inked,
                     const std::function<bool(bool, size_t, size_t)>& meets) {
    auto share = [&](bool second) {
        size_t all = 0, met = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                size_t i = static_cast<size_t>(y) * w + x;
                if (!inked(second, i)) continue;
                ++all;
                bool found = false;
                for (int dy = -reach; dy <= reach && !found; ++dy)
                    for (int dx = -reach; dx <= reach && !found; ++dx) {
                        int xx = x + dx, yy = y + dy;
                        found = xx >= 0 && yy >= 0 && xx < w && yy < h &&
                            meets(second, i, static_cast<size_t>(yy) * w + xx);
                    }
                met += found;
            }
        return all ? static_cast<double>(met) / all : empty;
    };
    return std::min(share(false), share(true));
}

namespace {
std::vector<double> greyGrid(const Pixels& p, int w, int h) {
    std::vector<double> sum(static_cast<size_t>(w) * h, 0), count(sum.size(), 0);
    for (int y = 0; y < p.height; ++y) {
        int gy = std::min(h - 1, static_cast<int>(int64_t{y} * h / p.height));
        for (int x = 0; x < p.width; ++x) {
            int gx = std::min(w - 1, static_cast<int>(int64_t{x} * w / p.width));
            uint32_t c = p.at(x, y);
            double grey = 0.299 * (c >> 16 & 0xFF) + 0.587 * (c >> 8 & 0xFF) + 0.114 * (c & 0xFF);
            size_t i = static_cast<size_t>(gy) * w + gx;
            sum[i] += grey;
            count[i] += 1;
        }
    }
    for (size_t i = 0; i < sum.size(); ++i) sum[i] = count[i] > 0 ? sum[i] / count[i] : 255;
    return sum;
}
}  // namespace

RECT InkBox(const Pixels& p, int tolerance, int x0, int y0, int x1, int y1) {
    if (x1 < 0) x1 = p.width;
    if (y1 < 0) y1 = p.height;
    RECT r{x1, y1, -1, -1};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!Near(p.at(x, y), 0xFFFFFF, tolerance))
                r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y),
                r.right = std::max<LONG>(r.right, x), r.bottom = std::max<LONG>(r.bottom, y);
    return r;
}

CoarseMatch CompareCoarse(const Pixels& ours, const Pixels& reference, int cells, int tolerance) {
    CoarseMatch m;
    if (ours.width <= 0 || reference.width <= 0) return m;
    int w = cells,
        h = std::max(1, static_cast<int>(std::lround(static_cast<double>(cells) * reference.height / reference.width)));
    std::vector<double> a = greyGrid(ours, w, h), b = greyGrid(reference, w, h);
    size_t inked = 0, agree = 0;
    double inkA = 0, inkB = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        inkA += 255 - a[i];
        inkB += 255 - b[i];
        if (a[i] >= 245 && b[i] >= 245) continue;
        ++inked;
        agree += std::fabs(a[i] - b[i]) < tolerance;
    }
    m.match = inked ? double(agree) / inked : 1.0;
    m.ink = inkB > 0 ? inkA / inkB : (inkA == 0 ? 1.0 : 9.99);
    return m;
}

Bytes Mutate(const Bytes& in, std::mt19937& rng) {
    Bytes b = in;
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < edits && !b.empty(); ++i) {
        size_t at = rng() % b.size();
        switch (rng() % 5) {
        case 0: b[at] = static_cast<uint8_t>(rng()); break;
        case 1: b[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
        case 2: {  // a length-like field made large or zero
            uint32_t v = rng() % 2 ? 0 : 0xFFFFFFF0u + rng() % 16;
            if (at + 4 <= b.size()) memcpy(&b[at & ~size_t{3}], &v, 4);
            break;
        }
        case 3: b.resize(at); break;
        default: b.insert(b.begin() + static_cast<long>(at), static_cast<uint8_t>(rng())); break;
        }
    }
    return b;
}

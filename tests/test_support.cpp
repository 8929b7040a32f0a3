#include "test_support.h"

#include <png.h>

#include "spoolsight_plugin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

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
    if (ivpLoadPictureGetInfo(context, &kind, &w, &h, &resolution, &bits, &bytesPerLine, &colormap, label, sizeof label)) {
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

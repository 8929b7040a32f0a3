// Corrupted jobs, bounded and deterministic: bytes flipped, lengths changed
// and files cut short, run through detection, the spool walker, the exports
// and metafile playback. Nothing may crash, hang or leave files behind.
#include "job_info.h"
#include "language_detector.h"
#include "pclxl_job.h"
#include "zjs_job.h"
#include "drawing_options.h"
#include "spoolsight_plugin.h"
#include "test_support.h"

#include <cstring>
#include <random>

namespace {
void Load(const std::string& path) {
    void* context = ivpLoadPictureInit(path.c_str());
    if (!context) return;
    int32_t k, w, h, r, b, l, c;
    char label[32];
    if (ivpLoadPictureGetInfo(context, &k, &w, &h, &r, &b, &l, &c, label, sizeof label)) {
        std::vector<uint8_t> row(static_cast<size_t>(l));
        ivpLoadPictureGetLine(context, 0, row.data());
        ivpLoadPictureGetLine(context, h - 1, row.data());
    }
    ivpLoadPictureExit(context);
}
}  // namespace

class MutationTest : public TempDirTest {};

TEST_F(MutationTest, CorruptSpoolJobs) {
    // Small pages keep each round fast.
    Bytes page = Record(
        [](HDC dc) {
            HFONT f = CreateFontA(-20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
            SelectObject(dc, f);
            TextOutA(dc, 5, 5, "Mutation", 8);
            Rectangle(dc, 10, 10, 50, 40);
            POINT pts[4] = {{1, 1}, {30, 5}, {8, 30}, {1, 1}};
            Polygon(dc, pts, 4);
            uint8_t bits[8] = {0x55, 0, 0, 0, 0xAA, 0, 0, 0};
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD c[2];
            } bmi{{40, 8, 2, 1, 1, BI_RGB, 8, 0, 0, 2, 0}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
            StretchDIBits(dc, 0, 50, 40, 10, 0, 0, 8, 2, bits, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS,
                          SRCAND);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        },
        RECT{0, 0, 2000, 2000});
    Bytes job = WrapInSpool({page, page});
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        Bytes bad = Mutate(job, rng);
        DetectPrinterLanguage(bad.data(), bad.size());
        Load(Write("m.spl", bad));
        std::vector<std::string> left = Files();
        std::erase_if(left, [](const std::string& f) { return f.size() > 4 && f.substr(f.size() - 4) == ".asm"; });
        ASSERT_EQ(left, std::vector<std::string>{"jobs"}) << "round " << round;
    }
}

namespace {
bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}
}  // namespace

TEST_F(MutationTest, DescriptionsOfCorruptJobs) {
    // The readers behind --info: PJL lines, a spool header and DEVMODE, ZjStream items and a
    // PCL XL session, each fed cut and altered jobs.
    std::string pjl = "\x1B%-12345X@PJL JOB NAME=\"x\"\r\n@PJL SET PAPER=A4\r\n@PJL ENTER LANGUAGE=PCLXL\r\n";
    Bytes pjlJob(pjl.begin(), pjl.end()), xl = MakePclXlJob(1);
    pjlJob.insert(pjlJob.end(), xl.begin(), xl.end());
    Bytes devmode(220, 0);
    devmode[68] = 220;
    Bytes spool = WrapInSpool({Record([](HDC dc) { Rectangle(dc, 1, 1, 20, 20); }, RECT{0, 0, 1000, 1000})});
    Bytes record = {3, 0, 0, 0, 220, 0, 0, 0};
    record.insert(record.end(), devmode.begin(), devmode.end());
    spool.insert(spool.begin() + 16, record.begin(), record.end());
    std::mt19937 rng(99);
    for (const Bytes& job : {pjlJob, spool, MakeZjsJob({SamplePageImage(64, 32)})})
        for (int round = 0; round < 150; ++round) {
            Bytes bad = Mutate(job, rng);
            JobInfo info;
            ASSERT_TRUE(DescribePrintJob(Write("d.job", bad).c_str(), info));
            std::string json = JobInfoJson("d", info);
            EXPECT_TRUE(ValidUtf8(json)) << json;  // whatever bytes the job held
            EXPECT_EQ(json.find_first_of(std::string("\0\n\r\x1B", 4)), std::string::npos) << json;
            EXPECT_FALSE(JobInfoText("d", info).empty());
        }
    std::vector<std::string> left = Files();
    std::erase_if(left, [](const std::string& f) { return f.size() > 4 && f.substr(f.size() - 4) == ".asm"; });
    EXPECT_EQ(left, std::vector<std::string>{"jobs"});
}

TEST_F(MutationTest, CorruptZjStreamJobsOfRealDrivers) {
    if (!HaveTool("foo2zjs") || !HaveTool("foo2hp")) GTEST_SKIP() << "foo2zjs not installed";
    // A small page with some ink, as the LaserJet 1020 and the Color LaserJet 2600 (banded planes) get it.
    std::string head = "P4\n640 480\n";
    Bytes pbm(head.begin(), head.end());
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 80; ++x) pbm.push_back(static_cast<uint8_t>((y / 8 + x) % 3 ? 0 : 0xF0));
    std::string in = Write("page.pbm", pbm);
    for (const char* model : {"foo2zjs -z1", "foo2hp"}) {
        std::string out = dir_ + "jobs/job.zjs";
        ASSERT_EQ(std::system((std::string(model) + " -r600x600 -g640x480 < " + in + " > " + out).c_str()), 0);
        Bytes job = ReadFileBytes(out);
        std::mt19937 rng(4321);
        for (int round = 0; round < 150; ++round) {
            Load(Write("m.zjs", Mutate(job, rng)));
            // No page file left (a mutation read as PCL5 or as text leaves that language's trace).
            std::vector<std::string> left = Files();
            std::erase_if(left, [](const std::string& f) { return f == "out.asm"; });
            ASSERT_EQ(left, std::vector<std::string>{"jobs"}) << model << " round " << round;
        }
    }
}

TEST_F(MutationTest, CorruptPageMetafilesPlayAndGiveTheDeviceContextBack) {
    Bytes page = RecordSamplePage("", 1);
    std::mt19937 rng(99);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    for (int round = 0; round < 200; ++round) {
        Bytes bad = Mutate(page, rng);
        Canvas c(64, 90);
        HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data());
        RECT all{0, 0, 64, 90};
        if (h) PlayEnhMetaFile(c.dc, h, &all);
        DeleteEnhMetaFile(h);
        // Whatever the records set (mapping, clip, objects), the DC comes back as it was.
        RECT corner{0, 0, 4, 4};
        FillRect(c.dc, &corner, black);
        Pixels p = c.Read();
        ASSERT_EQ(p.width, 64);
        ASSERT_EQ(p.at(0, 0), 0x000000u) << "round " << round;
        ASSERT_EQ(p.at(3, 3), 0x000000u) << "round " << round;
    }
    DeleteObject(black);
}

TEST(PlaybackMutation, CorruptLargeImagesDrawInPartsAsInOnePiece) {
    // A page of large images, reduced line art ANDed onto the page and an enlarged colour
    // copy, corrupted: whatever the records then say (sizes, stretching, transforms, clips),
    // images drawn in parts come out as drawn in one piece.
    std::mt19937 rng(2024);
    auto dibInfo = [](int w, int h, int bpp) {
        std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + (bpp == 1 ? 8 : 0));
        BITMAPINFOHEADER hd{sizeof hd, w, h, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        memcpy(info.data(), &hd, sizeof hd);
        if (bpp == 1) memset(info.data() + sizeof hd + 4, 0xFF, 3);  // black, then white
        return info;
    };
    std::vector<uint8_t> lineArt(400 * 52, 0xFF), colour(64 * 48 * 3);
    for (int y = 0; y < 150; ++y)  // ink in the top left corner, white elsewhere
        for (int x = 0; x < 16; ++x) lineArt[y * 52 + x] = static_cast<uint8_t>(rng());
    for (uint8_t& b : colour) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> lineInfo = dibInfo(400, 300, 1), colourInfo = dibInfo(64, 48, 24);
    Bytes page = Record(
        [&](HDC dc) {
            HBRUSH grey = CreateSolidBrush(RGB(200, 180, 160));
            RECT all{0, 0, 378, 378};
            FillRect(dc, &all, grey);
            DeleteObject(grey);
            StretchDIBits(dc, 11, 13, 181, 139, 0, 0, 400, 300, lineArt.data(),
                          reinterpret_cast<const BITMAPINFO*>(lineInfo.data()), DIB_RGB_COLORS, SRCAND);
            SetStretchBltMode(dc, HALFTONE);
            StretchDIBits(dc, 170, 160, 190, 150, 0, 0, 64, 48, colour.data(),
                          reinterpret_cast<const BITMAPINFO*>(colourInfo.data()), DIB_RGB_COLORS, SRCAND);
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, 20, 200, 150, 160, 0, 0, 64, 48, colour.data(),
                          reinterpret_cast<const BITMAPINFO*>(colourInfo.data()), DIB_RGB_COLORS, SRCCOPY);
        },
        {0, 0, 10000, 10000});
    for (int round = 0; round < 40; ++round) {
        Bytes bad = round ? Mutate(page, rng) : page;
        SetImagesInParts(false);
        Pixels whole = PlayOnto(bad, 640, 600);
        SetImagesInParts(true);
        Pixels parts = PlayOnto(bad, 640, 600);
        ASSERT_TRUE(whole.px == parts.px) << "round " << round;
    }
}

TEST(DetectorMutation, ArbitraryBytes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        Bytes b(rng() % 64);
        for (auto& x : b) x = "@PJL ENTER LANGUAGE=\x1B%-0123456789BEX\0ZJ"[rng() % 38];
        int code = DetectPrinterLanguage(b.data(), b.size());
        ASSERT_GE(code, 1);
        ASSERT_LE(code, 13);
    }
    // The words of job-control headers, stream headers and plots, in any order.
    const char* words[] = {"\x1B%-12345X",
                           "@PJL ",
                           "ENTER LANGUAGE=",
                           "\r\n",
                           "\n",
                           ") HP-PCL XL;",
                           "( BROTHER XL2HB;",
                           "JZJZ",
                           "IN;",
                           "SP1",
                           "PA",
                           "1,2",
                           "LB",
                           "\x03",
                           "\x1B.",
                           "(;",
                           ":",
                           "\x1B&l",
                           "26A",
                           "\xD1",
                           "%!",
                           "PK\x03\x04",
                           ".fpage",
                           " ",
                           "HPGL2",
                           "PDF",
                           "pclxl"};
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        for (int n = static_cast<int>(rng() % 12); n > 0; --n) s += words[rng() % std::size(words)];
        Bytes b(s.begin(), s.end());
        int code = DetectPrinterLanguage(b.data(), b.size());
        ASSERT_GE(code, 1);
        ASSERT_LE(code, 13);
    }
}

// ZjStream jobs: hand-built streams around JBIG-KIT images and real jobs
// made by foo2zjs; decoded pages are compared with their source bitmaps.
#include "convert_print_job.h"
#include "emf_records.h"
#include "jbig_page.h"
#include "zjs_paper.h"
#include "spoolsight_plugin.h"
#include "test_support.h"
#include "zjs_job.h"
#include "zjs_name_tables.h"

#include <cstring>
#include <filesystem>

namespace {
uint32_t U32(const Bytes& b, size_t off) {
    uint32_t v;
    memcpy(&v, &b[off], 4);
    return v;
}

// The 1-bit image a page metafile carries, put together from the bands its
// STRETCHDIBITS records hold (large images are recorded in bands of rows).
struct RecordedImage {
    int width = 0, height = 0;  // the source image, all bands
    int shownWidth = 0;         // the columns the records print
    int destX = 0, destY = 0;
    int destWidth = 0, destHeight = 0;  // all bands
    int records = 0;
    Bytes bits;  // 4-byte aligned rows
    bool ok = false;
};

RecordedImage ImageOfPage(const Bytes& emf) {
    RecordedImage r;
    for (size_t off = U32(emf, 4); off + 8 <= emf.size(); off += U32(emf, off + 4)) {
        if (U32(emf, off) != EMR_STRETCHDIBITS) continue;
        uint32_t offBmi = U32(emf, off + 48), offBits = U32(emf, off + 56), cbBits = U32(emf, off + 60);
        int width = static_cast<int32_t>(U32(emf, off + offBmi + 4));
        if (r.records == 0) {
            r.width = width;
            r.destX = static_cast<int32_t>(U32(emf, off + 24));
            r.destY = static_cast<int32_t>(U32(emf, off + 28));
            r.shownWidth = static_cast<int32_t>(U32(emf, off + 40));
            r.destWidth = static_cast<int32_t>(U32(emf, off + 72));
        } else if (width != r.width) {
            return {};
        }
        r.height += -static_cast<int32_t>(U32(emf, off + offBmi + 8));
        r.destHeight += static_cast<int32_t>(U32(emf, off + 76));
        r.bits.insert(r.bits.end(), emf.begin() + static_cast<long>(off + offBits),
                      emf.begin() + static_cast<long>(off + offBits + cbBits));
        ++r.records;
        r.ok = true;
    }
    return r;
}

bool SameImage(const RecordedImage& r, const BiLevelImage& src) {
    if (!r.ok || r.width != src.width || r.height != src.height) return false;
    size_t stride = ((static_cast<size_t>(src.width) + 31) / 32) * 4;
    if (r.bits.size() < stride * src.height) return false;
    for (int y = 0; y < src.height; ++y)
        if (memcmp(&r.bits[y * stride], &src.rows[y * src.Stride()], src.Stride()) != 0) return false;
    return true;
}

void Put32BE(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}

// A chunk in big-endian form, for streams the builder does not make.
void Chunk(Bytes& b, uint32_t size, uint32_t type, uint32_t items, const Bytes& rest = {}) {
    Put32BE(b, size);
    Put32BE(b, type);
    Put32BE(b, items);
    Put32BE(b, 0);
    b.insert(b.end(), rest.begin(), rest.end());
}
}  // namespace

class ZjsTest : public TempDirTest {
protected:
    PageList Convert(const Bytes& job) { return TempDirTest::Convert(job, "job.zjs"); }
    // Only page metafiles may be left in the temporary directory.
    void ExpectOnlyPages(const PageList& pages) {
        size_t others = 0;
        for (const auto& f : Files())
            if (f != "jobs" && f.find(".emf") == std::string::npos) ++others;
        EXPECT_EQ(others, 0u);
        EXPECT_EQ(Files().size(), pages.size() + 1);
    }
};

TEST(ZjsNames, TablesAreSortedAndComplete) {
    const ZjsNameTables& t = BuildZjsNameTables();
    EXPECT_EQ(t.chunks.Size(), 13u);
    EXPECT_EQ(t.items.Size(), 48u);
    EXPECT_STREQ(t.items.Find(0), "ZJI_PAGECOUNT");
    EXPECT_STREQ(t.items.Find(0x8001), "ZJI_QMS_OUTBIN");
    EXPECT_STREQ(t.chunks.Find(ZJT_PAUSE), "ZJT_PAUSE");
    EXPECT_STREQ(t.chunks.Find(12), "ZJT_2600N");
    EXPECT_EQ(t.chunks.Find(13), nullptr);
    ZjsNameTable table;
    table.Add(5, "five");
    table.Add(1, "one");
    table.Add(5, "again");
    EXPECT_STREQ(table.Find(5), "five");
    EXPECT_EQ(table.Size(), 2u);
}

TEST(ZjsPaper, DriversPaperCodes) {
    struct Case {
        int32_t code, width, height;
    } cases[] = {
        {9, 16800, 23760},      // A4
        {1, 17272, 22352},      // letter, 8.5 x 11 in
        {5, 17272, 28448},      // legal
        {8, 23760, 33600},      // A3
        {11, 11840, 16800},     // A5
        {20, 8382, 19304},      // envelope #10
        {4, 34544, 22352},      // ledger, landscape
        {12345, 16800, 23760},  // unknown codes: A4
    };
    for (const Case& c : cases) {
        int32_t w, h;
        ZjsPaperSize(c.code, w, h);
        EXPECT_EQ(w, c.width) << c.code;
        EXPECT_EQ(h, c.height) << c.code;
    }
}

TEST_F(ZjsTest, PagesDecodeExactlyInBothByteOrders) {
    // Widths that are not multiples of 32 need their rows repacked.
    std::vector<BiLevelImage> images = {SamplePageImage(333, 420), SamplePageImage(64, 100)};
    // Whole pages, and pages in bands of rows (the last band shorter) as Color LaserJet 2600 printers take them.
    for (auto [big, bandRows] : {std::pair{true, 0}, {false, 0}, {true, 37}, {false, 100}}) {
        ZjsJobOptions o;
        o.bigEndian = big;
        o.bandRows = bandRows;
        PageList pages = Convert(MakeZjsJob(images, o));
        ASSERT_EQ(pages.size(), 2u) << big;
        EXPECT_NE(pages[0].find("_0001.emf"), std::string::npos);
        EXPECT_NE(pages[1].find("_0002.emf"), std::string::npos);
        for (size_t i = 0; i < 2; ++i) EXPECT_TRUE(SameImage(ImageOfPage(ReadFileBytes(pages[i])), images[i])) << i;
        ExpectOnlyPages(pages);
        DeletePageFiles(pages);
    }
}

TEST_F(ZjsTest, PlacementFollowsTheResolution) {
    BiLevelImage img = SamplePageImage(4960, 7016);
    PageList pages = Convert(MakeZjsJob({img}));
    ASSERT_EQ(pages.size(), 1u);
    RecordedImage r = ImageOfPage(ReadFileBytes(pages[0]));
    // k = 25.4 / 600 * 80: the A4 image fills the page, 3 units short in width.
    EXPECT_EQ(r.destWidth, 16797);
    EXPECT_EQ(r.destHeight, 23760);
    ENHMETAHEADER h;
    Bytes emf = ReadFileBytes(pages[0]);
    memcpy(&h, emf.data(), sizeof h);
    EXPECT_EQ(h.szlMillimeters.cx, 210);
    EXPECT_EQ(h.szlMillimeters.cy, 297);
    DeletePageFiles(pages);
    ZjsJobOptions fine;
    fine.resolution = 1200;
    pages = Convert(MakeZjsJob({img}, fine));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(ImageOfPage(ReadFileBytes(pages[0])).destHeight, 11880);
    DeletePageFiles(pages);
    ZjsJobOptions zero;
    zero.resolution = 0;  // falls back to 600
    pages = Convert(MakeZjsJob({img}, zero));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(ImageOfPage(ReadFileBytes(pages[0])).destHeight, 23760);
    DeletePageFiles(pages);
}

TEST_F(ZjsTest, PictureShowsThePageAtItsPlace) {
    BiLevelImage img = SamplePageImage(4960, 7016);
    Pixels p = LoadPicture(Write("a4.zjs", MakeZjsJob({img, img})));
    int32_t w = p.width, hgt = p.height;
    EXPECT_EQ(w, 1587);
    EXPECT_EQ(hgt, 2245);
    // The block covers x 1/10..1/3 and y 1/8..1/4 of the page.
    EXPECT_GT(p.Share(w / 10 + 5, hgt / 8 + 5, w / 3 - 5, hgt / 4 - 5, 0x000000, 30), 0.99);
    EXPECT_GT(p.Share(w / 2, hgt / 2 + 20, w - 20, hgt - 20, 0xFFFFFF, 30), 0.99);
    EXPECT_FALSE(Near(p.at(hgt / 3, hgt / 3), 0xFFFFFF, 30));  // the diagonal
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

TEST_F(ZjsTest, StreamsThatEndEarlyOrCarryNoImage) {
    BiLevelImage img = SamplePageImage(100, 80);
    Bytes job = MakeZjsJob({img, img});
    // Job-control text of odd length before the signature.
    std::string header = "\x1B%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=ZJS\r\n.";
    Bytes prefixed(header.begin(), header.end());
    prefixed.insert(prefixed.end(), job.begin(), job.end());
    PageList withHeader = Convert(prefixed);
    EXPECT_EQ(withHeader.size(), 2u);
    DeletePageFiles(withHeader);
    // No end-of-document chunk: the completed pages.
    Bytes noEnd(job.begin(), job.end() - 16);
    PageList pages = Convert(noEnd);
    EXPECT_EQ(pages.size(), 2u);
    DeletePageFiles(pages);
    // Cut inside the second page: the first page only, no JBIG file left.
    Bytes cut(job.begin(), job.begin() + static_cast<long>(job.size() * 3 / 4));
    pages = Convert(cut);
    EXPECT_EQ(pages.size(), 1u);
    ExpectOnlyPages(pages);
    DeletePageFiles(pages);
    // A page with no image header, and a 3-byte file.
    Bytes empty = {'J', 'Z', 'J', 'Z'};
    Chunk(empty, 16, ZJT_START_PAGE, 0);
    Chunk(empty, 16, ZJT_END_PAGE, 0);
    EXPECT_TRUE(Convert(empty).empty());
    EXPECT_TRUE(Convert({'J', 'Z', 'J'}).empty());
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

TEST_F(ZjsTest, BrokenChunksAndItemsEndTheWalkSafely) {
    BiLevelImage img = SamplePageImage(100, 80);
    Bytes one = MakeZjsJob({img});
    Bytes good(one.begin(), one.end() - 16);  // without END_DOC
    auto withTail = [&](const Bytes& tail) {
        Bytes b = good;
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    Bytes small, past, zeroItem, longItem, unknown, string;
    Chunk(small, 8, ZJT_START_PAGE, 0);                                           // below its own header size
    Chunk(past, 100000, ZJT_START_PAGE, 0);                                       // past the end
    Chunk(zeroItem, 28, ZJT_START_DOC, 3, {0, 0, 0, 0, 0, 3, 1, 0, 0, 0, 0, 1});  // item of size 0
    Chunk(longItem, 28, ZJT_START_DOC, 1, {0, 0, 1, 0, 0, 3, 1, 0, 0, 0, 0, 1});  // item past its chunk
    Chunk(unknown, 20, 77, 0, {1, 2, 3, 4});
    Chunk(string, 24, ZJT_START_DOC, 1, {0, 0, 0, 8, 0, 100, 3, 0});  // string with no terminator in its item
    string.insert(string.end(), {'A', 'B', 'C', 'D'});
    for (const Bytes* tail : {&small, &past, &zeroItem, &longItem, &unknown, &string}) {
        PageList pages = Convert(withTail(*tail));
        EXPECT_EQ(pages.size(), 1u);
        ExpectOnlyPages(pages);
        DeletePageFiles(pages);
    }
    // Item counts that do not fit in the chunk, and negative ones.
    Bytes count;
    Chunk(count, 16, ZJT_START_DOC, 0x7FFFFFFF);
    Chunk(count, 16, ZJT_START_DOC, 0x80000000u);
    EXPECT_EQ(Convert(withTail(count)).size(), 1u);
}

TEST_F(ZjsTest, BadImagesAreSkippedAndLeaveNothing) {
    BiLevelImage img = SamplePageImage(200, 100);
    Bytes jbig = EncodeJbig(img);
    auto job = [&](const Bytes& bih, const Bytes& bid) {
        Bytes b = {'J', 'Z', 'J', 'Z'};
        Chunk(b, 16, ZJT_START_PAGE, 0);
        Chunk(b, static_cast<uint32_t>(16 + bih.size()), ZJT_JBIG_BIH, 0, bih);
        Chunk(b, static_cast<uint32_t>(16 + bid.size()), ZJT_JBIG_BID, 0, bid);
        Chunk(b, 16, ZJT_END_PAGE, 0);
        return b;
    };
    Bytes bih(jbig.begin(), jbig.begin() + 20), bid(jbig.begin() + 20, jbig.end());
    auto count = [&](const Bytes& b) {
        PageList pages = Convert(b);
        ExpectOnlyPages(pages);
        DeletePageFiles(pages);
        return pages.size();
    };
    PageList good = Convert(job(bih, bid));
    EXPECT_EQ(good.size(), 1u);
    DeletePageFiles(good);
    // A header announcing a huge image.
    Bytes huge = bih;
    huge[4] = 0x7F;
    EXPECT_EQ(count(job(huge, bid)), 0u);
    // Two planes.
    Bytes planes = bih;
    planes[2] = 2;
    EXPECT_EQ(count(job(planes, bid)), 0u);
    // Garbage data and a header without data.
    EXPECT_LE(count(job(bih, Bytes(bid.size(), 0xFF))), 1u);
    EXPECT_LE(count(job(bih, {})), 1u);
    // Two headers in one page: the second replaces the first.
    Bytes twice = {'J', 'Z', 'J', 'Z'};
    Chunk(twice, 16, ZJT_START_PAGE, 0);
    Chunk(twice, 36, ZJT_JBIG_BIH, 0, huge);
    Chunk(twice, 36, ZJT_JBIG_BIH, 0, bih);
    Chunk(twice, static_cast<uint32_t>(16 + bid.size()), ZJT_JBIG_BID, 0, bid);
    Chunk(twice, 16, ZJT_END_PAGE, 0);
    PageList pages = Convert(twice);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(SameImage(ImageOfPage(ReadFileBytes(pages[0])), img));
    ExpectOnlyPages(pages);
}

// A bitmap as a PBM file's bytes, one page after the other.
Bytes Pbm(const std::vector<const BiLevelImage*>& pages) {
    Bytes pbm;
    for (const BiLevelImage* img : pages) {
        std::string head = "P4\n" + std::to_string(img->width) + " " + std::to_string(img->height) + "\n";
        pbm.insert(pbm.end(), head.begin(), head.end());
        pbm.insert(pbm.end(), img->rows.begin(), img->rows.end());
    }
    return pbm;
}

// The recorded image shows `src` from (x0, y0) on, dot for dot, as far as it reaches (x0 a multiple of 8).
bool ShowsImage(const RecordedImage& r, const BiLevelImage& src, int x0, int y0) {
    if (!r.ok || r.shownWidth <= 0 || r.height <= 0 || x0 + r.shownWidth > src.width || y0 + r.height > src.height)
        return false;
    size_t stride = ((static_cast<size_t>(r.width) + 31) / 32) * 4, whole = static_cast<size_t>(r.shownWidth) / 8;
    int rest = r.shownWidth % 8;
    uint8_t mask = static_cast<uint8_t>(0xFF00 >> rest);
    for (int y = 0; y < r.height; ++y) {
        const uint8_t* a = &r.bits[y * stride];
        const uint8_t* b = &src.rows[(y0 + y) * src.Stride() + x0 / 8];
        if (memcmp(a, b, whole) != 0 || (rest && ((a[whole] ^ b[whole]) & mask))) return false;
    }
    return true;
}

TEST_F(ZjsTest, Foo2zjsJobsOfEveryModelDecodeToTheirSourceBitmap) {
    if (!HaveTool("foo2zjs")) GTEST_SKIP() << "foo2zjs not installed";
    // foo2zjs's own A4 width at 600 dpi is 4958 pixels, not a multiple of 32.
    BiLevelImage img = SamplePageImage(4958, 7016);
    for (int y = 3000; y < 3100; ++y)
        for (int x = 2001; x < 4001; x += 3) img.Set(x, y);
    std::string in = Write("page.pbm", Pbm({&img, &img}));  // two pages
    // -z0 the KM 2300DL and LaserJet 1000, -z1 the LaserJet 1018/1020, -z2 the P1102, -z3 the CP1025;
    // foo2hp the Color LaserJet 1600/2600, whose planes come in bands of rows.
    for (const char* model : {"foo2zjs -z0", "foo2zjs -z1", "foo2zjs -z2", "foo2zjs -z3", "foo2hp"}) {
        std::string out = dir_ + "jobs/page.zjs";
        ASSERT_EQ(std::system((std::string(model) + " -r600x600 -g4958x7016 -p9 < " + in + " > " + out).c_str()), 0)
            << model;
        PageList pages;
        ASSERT_TRUE(ConvertPrintJob(out.c_str(), pages));
        ASSERT_EQ(pages.size(), 2u) << model;
        for (const auto& page : pages) {
            RecordedImage r = ImageOfPage(ReadFileBytes(page));
            EXPECT_EQ(r.shownWidth, 4958) << model;
            EXPECT_EQ(r.height, 7016) << model;
            EXPECT_TRUE(ShowsImage(r, img, 0, 0)) << model;
        }
        ExpectOnlyPages(pages);
        DeletePageFiles(pages);
    }
}

TEST_F(ZjsTest, RastersOfTwelveHundredBySixHundredDotsWithOffsets) {
    if (!HaveTool("foo2zjs")) GTEST_SKIP() << "foo2zjs not installed";
    // The 600 dpi sample page with each column doubled: the same page at 1200 x 600 dpi.
    BiLevelImage fine = BiLevelImage::Blank(9920, 7016), coarse = SamplePageImage(4960, 7016);
    for (int y = 0; y < 7016; ++y)
        for (int x = 0; x < 4960; ++x)
            if (coarse.Get(x, y)) fine.Set(2 * x, y), fine.Set(2 * x + 1, y);
    std::string in = Write("fine.pbm", Pbm({&fine})), coarseIn = Write("coarse.pbm", Pbm({&coarse}));
    std::string coarseJob = dir_ + "jobs/coarse.zjs";
    ASSERT_EQ(std::system(("foo2zjs -z0 -r600x600 -g4960x7016 -p9 < " + coarseIn + " > " + coarseJob).c_str()), 0);
    Pixels reference = LoadPicture(coarseJob);
    ASSERT_EQ(reference.width, 1587);
    // -z0 sends RESOLUTION_X 1200; -z1 and -z2 send 600 with a raster twice the video width.
    for (const char* model : {"foo2zjs -z0", "foo2zjs -z1", "foo2zjs -z2"}) {
        for (bool margins : {false, true}) {
            std::string out = dir_ + "jobs/fine.zjs", cut = margins ? " -u 96x50 -l 120x60" : "";
            ASSERT_EQ(
                std::system(
                    (std::string(model) + " -r1200x600 -g9920x7016 -p9" + cut + " < " + in + " > " + out).c_str()),
                0);
            PageList pages;
            ASSERT_TRUE(ConvertPrintJob(out.c_str(), pages));
            ASSERT_EQ(pages.size(), 1u) << model;
            RecordedImage r = ImageOfPage(ReadFileBytes(pages[0]));
            // The raster, dot for dot, placed at its offset: 96 dots at 1200 dpi, 50 rows at 600 dpi.
            EXPECT_EQ(r.shownWidth, margins ? 9920 - 96 - 120 : 9920) << model;
            EXPECT_EQ(r.height, margins ? 7016 - 50 - 60 : 7016) << model;
            EXPECT_TRUE(ShowsImage(r, fine, margins ? 96 : 0, margins ? 50 : 0)) << model;
            EXPECT_EQ(r.destX, margins ? 96 * 2032 / 1200 : 0) << model;
            EXPECT_EQ(r.destY, margins ? 50 * 2032 / 600 : 0) << model;
            EXPECT_NEAR(r.destX + r.destWidth, (margins ? 9920 - 120 : 9920) * 2032 / 1200, 1) << model;
            DeletePageFiles(pages);
            // The picture is the 600 dpi page's, but for the margins cut away.
            if (!margins) {
                Pixels p = LoadPicture(out);
                ASSERT_EQ(p.width, reference.width);
                ASSERT_EQ(p.height, reference.height);
                EXPECT_GT(ColourSimilarity(p, reference), 0.97) << model;
            }
        }
    }
}

TEST_F(ZjsTest, BandedPlanesKeepTheirRowsPastABrokenBand) {
    if (!HaveTool("foo2hp")) GTEST_SKIP() << "foo2hp not installed";
    BiLevelImage img = SamplePageImage(4958, 7016);
    std::string in = Write("page.pbm", Pbm({&img})), out = dir_ + "jobs/page.zjs";
    ASSERT_EQ(std::system(("foo2hp -r600x600 -g4958x7016 -p9 < " + in + " > " + out).c_str()), 0);
    Bytes job = ReadFileBytes(out);
    // The bands: chunks of type 12 with one item; spoil the data of the fourth one that carries ink.
    auto be32 = [&](size_t at) {
        return uint32_t{job[at]} << 24 | uint32_t{job[at + 1]} << 16 | uint32_t{job[at + 2]} << 8 | job[at + 3];
    };
    size_t at = std::search(job.begin(), job.end(), std::begin("JZJZ"), std::end("JZJZ") - 1) - job.begin() + 4;
    int inked = 0, spoiled = -1, band = 0;
    for (; at + 16 <= job.size() && be32(at) >= 16; at += be32(at)) {
        if (be32(at + 4) != 12 || be32(at + 8) != 1) continue;
        size_t payload = at + 16 + be32(at + 16), end = at + be32(at);
        if (end - payload > 64 && ++inked == 4) {
            for (size_t i = payload + 8; i < end; ++i) job[i] = static_cast<uint8_t>(i * 7);
            spoiled = band;
        }
        ++band;
    }
    ASSERT_GE(spoiled, 0);
    PageList pages = Convert(job);
    ASSERT_EQ(pages.size(), 1u);
    RecordedImage r = ImageOfPage(ReadFileBytes(pages[0]));
    ASSERT_EQ(r.height, 7016);
    // Bands are 100 rows: every row outside the spoiled band is the source's.
    size_t stride = ((static_cast<size_t>(r.width) + 31) / 32) * 4;
    for (int y = 0; y < 7016; ++y) {
        if (y / 100 == spoiled) continue;
        ASSERT_EQ(memcmp(&r.bits[y * stride], &img.rows[y * img.Stride()], img.Stride() - 1), 0) << "row " << y;
    }
    ExpectOnlyPages(pages);
}

TEST_F(ZjsTest, SheetsFollowTheDriversPaperCodes) {
    if (!HaveTool("foo2zjs")) GTEST_SKIP() << "foo2zjs not installed";
    // A letter page (8.5 x 11 in at 600 dpi) with paper code 1, and a legal page with code 5; the
    // picture is the sheet in whole millimetres at 192 dpi (216 x 279 and 216 x 356 mm).
    struct Case {
        int width, height, code, pictureWidth, pictureHeight;
    } cases[] = {{5100, 6600, 1, 1632, 2112}, {5100, 8400, 5, 1632, 2688}};
    for (const Case& c : cases) {
        BiLevelImage img = BiLevelImage::Blank(c.width, c.height);  // a frame 12 dots wide round the raster
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (x < 12 || y < 12 || x >= c.width - 12 || y >= c.height - 12) img.Set(x, y);
        std::string in = Write("page.pbm", Pbm({&img})), out = dir_ + "jobs/page.zjs";
        std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(
            std::system(("foo2zjs -z1 -r600x600 -g" + size + " -p" + std::to_string(c.code) + " < " + in + " > " + out)
                            .c_str()),
            0);
        Pixels p = LoadPicture(out);
        EXPECT_EQ(p.width, c.pictureWidth) << c.code;
        EXPECT_EQ(p.height, c.pictureHeight) << c.code;
        // The frame's right and bottom edges are on the page.
        EXPECT_LT(p.Share(p.width - 3, p.height / 2, p.width, p.height / 2 + 1, 0xFFFFFF, 60), 1.0) << c.code;
        EXPECT_LT(p.Share(p.width / 2, p.height - 3, p.width / 2 + 1, p.height, 0xFFFFFF, 60), 1.0) << c.code;
    }
}

TEST_F(ZjsTest, JbigDataMatchesJbigKitsOwnTools) {
    if (std::system("command -v jbgtopbm > /dev/null 2>&1") != 0) GTEST_SKIP() << "jbigkit-bin not installed";
    BiLevelImage img = SamplePageImage(333, 420);
    std::string jbg = Write("page.jbg", EncodeJbig(img)), pbm = dir_ + "jobs/page.pbm";
    ASSERT_EQ(std::system(("jbgtopbm " + jbg + " " + pbm).c_str()), 0);
    Bytes decoded = ReadFileBytes(pbm);
    std::string head = "P4\n333 420\n";
    ASSERT_GE(decoded.size(), head.size() + img.rows.size());
    EXPECT_TRUE(std::equal(img.rows.begin(), img.rows.end(), decoded.end() - static_cast<long>(img.rows.size())));
    // And our page builder reads what pbmtojbg writes.
    std::string fromTool = dir_ + "jobs/tool.jbg";
    ASSERT_EQ(std::system(("pbmtojbg " + pbm + " " + fromTool).c_str()), 0);
    std::string page = dir_ + "jobs/tool.emf";
    ASSERT_EQ(BuildJbigPage(page.c_str(), fromTool.c_str(), 9, 600), 1);
    EXPECT_TRUE(SameImage(ImageOfPage(ReadFileBytes(page)), img));
    EXPECT_EQ(BuildJbigPage(page.c_str(), (dir_ + "missing.jbg").c_str(), 9, 600), 0);
    EXPECT_FALSE(std::filesystem::exists(page));
}

TEST_F(ZjsTest, ColourPlanesPrintOverEachOther) {
    if (!HaveTool("foo2zjs") || !HaveTool("foo2hp") || !HaveTool("gs"))
        GTEST_SKIP() << "foo2zjs or ghostscript not installed";
    // Red and blue squares and a black bar, rendered to CMYK by Ghostscript, as colour ZjStream jobs.
    std::string ps = Write("colour.ps", [] {
        std::string s =
            "%!PS\n1 0 0 setrgbcolor 72 72 144 144 rectfill\n0 0 1 setrgbcolor 300 400 144 144 rectfill\n"
            "0 0 0 setrgbcolor 72 600 300 40 rectfill\nshowpage\n";
        return Bytes(s.begin(), s.end());
    }());
    std::string cmyk = dir_ + "jobs/colour.cmyk", job = dir_ + "jobs/colour.zjs";
    ASSERT_EQ(std::system(("gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -r600x600 -sDEVICE=bitcmyk -sOutputFile=" +
                           cmyk + " " + ps)
                              .c_str()),
              0);
    // The KM 2300DL's planes, the CP1025's planes, and the Color LaserJet 2600's banded planes.
    for (const char* model : {"foo2zjs -z0", "foo2zjs -z3", "foo2hp"}) {
        std::system(
            (std::string(model) + " -r600x600 -g4958x7016 -p9 -c < " + cmyk + " > " + job + " 2>/dev/null").c_str());
        Pixels p = LoadPicture(job);
        int32_t hgt = p.height;
        ASSERT_GT(hgt, 0) << model;
        // PostScript points from the bottom left to picture pixels at 192 dpi.
        auto at = [&](double x, double y) {
            return p.at(static_cast<int>(x * 192 / 72), hgt - 1 - static_cast<int>(y * 192 / 72));
        };
        uint32_t red = at(144, 144), blue = at(372, 472), bar = at(200, 620), paper = at(500, 200);
        EXPECT_GT((red >> 16) & 0xFF, 200u) << model;
        EXPECT_LT((red >> 8) & 0xFF, 60u) << model;
        EXPECT_GT(blue & 0xFF, 150u) << model;
        EXPECT_LT((blue >> 16) & 0xFF, 100u) << model;
        EXPECT_TRUE(Near(bar, 0x000000, 60)) << model;
        EXPECT_EQ(paper, 0xFFFFFFu) << model;
        EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
    }
}

TEST_F(ZjsTest, TemporaryFilesOfAnotherConversionAreLeftAlone) {
    // Another conversion's trace, and a link where ours would go.
    WriteFileBytes(dir_ + "zjs.asm", Bytes{'m', 'i', 'n', 'e'});
    std::filesystem::create_symlink(dir_ + "zjs.asm", dir_ + "zjs-2.asm");
    PageList pages = Convert(MakeZjsJob({SamplePageImage(64, 64)}));
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_EQ(ReadFileBytes(dir_ + "zjs.asm"), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "zjs-2.asm"));
    DeletePageFiles(pages);
    EXPECT_EQ(Files().size(), 3u);  // jobs, zjs.asm, zjs-2.asm
    PageList none;
    EXPECT_FALSE(ConvertPrintJob((dir_ + "no-such-job.zjs").c_str(), none));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "no-such-job.zjs"));
}

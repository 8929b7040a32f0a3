// The command-line host: loads the plug-in with dlopen and writes PNG files.
#include "png_writer.h"
#include "test_support.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {
int RunHost(const std::string& args) {
    std::string cmd = std::string(SPOOLSIGHT_HOST) + " " + args + " > /dev/null 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The host's exit status and what it wrote to its error output.
int RunHostFor(const std::string& args, std::string& errors) {
    std::string cmd = std::string(SPOOLSIGHT_HOST) + " " + args + " 2>&1 > /dev/null";
    FILE* out = popen(cmd.c_str(), "r");
    if (!out) return -1;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, out)) errors.append(buffer, n);
    int status = pclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsPng(const std::string& path) {
    Bytes b = ReadFileBytes(path);
    return b.size() > 8 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}
}  // namespace

class HostTest : public TempDirTest {};

TEST_F(HostTest, RendersTheExampleAndEveryPage) {
    std::string out = dir_ + "jobs/first.png";
    std::filesystem::create_directories(dir_ + "jobs");
    ASSERT_EQ(RunHost(std::string(SPOOLSIGHT_EXAMPLE) + " -o " + out), 0);
    EXPECT_TRUE(IsPng(out));
    ASSERT_EQ(RunHost(std::string(SPOOLSIGHT_EXAMPLE) + " --all-pages " + dir_ + "jobs/png --keep-emf " + dir_ + "jobs/emf"), 0);
    for (const char* page : {"page-0001", "page-0002", "page-0003"}) {
        EXPECT_TRUE(IsPng(dir_ + "jobs/png/" + page + ".png")) << page;
        EXPECT_TRUE(std::filesystem::exists(dir_ + "jobs/emf/" + page + ".emf")) << page;
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

TEST_F(HostTest, FailsWithAStatusForBadInput) {
    EXPECT_EQ(RunHost(dir_ + "missing.spl -o " + dir_ + "x.png"), 1);
    EXPECT_EQ(RunHost(Write("text.txt", Bytes(100, 'a')) + " -o " + dir_ + "x.png"), 1);
    EXPECT_EQ(RunHost(""), 2);
    EXPECT_EQ(RunHost(std::string(SPOOLSIGHT_EXAMPLE) + " --plugin /nonexistent.so -o " + dir_ + "x.png"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "x.png"));
}

TEST_F(HostTest, NamesLanguagesItDoesNotShow) {
    struct Case {
        std::string name, bytes, says;
    };
    const Case cases[] = {
        {"doc.ps", "%!PS-Adobe-3.0\n/Times-Roman findfont 12 scalefont setfont\n", "PostScript job: this language is not shown"},
        {"doc.prn", "\x1B%-12345X@PJL ENTER LANGUAGE = PDF\r\n%PDF-1.4\n", "PDF job: this language is not shown"},
        {"lava.prn", "\x1B%-12345X@PJL ENTER LANGUAGE=LAVAFLOW\n\x1B" "E", "LAVAFLOW job: this language is not shown"},
        {"notes.txt", "Minutes of the meeting, held on Monday.\n", "no page could be read from this file"},
    };
    for (const Case& c : cases) {
        std::string errors;
        EXPECT_EQ(RunHostFor(Write(c.name, Bytes(c.bytes.begin(), c.bytes.end())) + " -o " + dir_ + "x.png", errors), 1);
        EXPECT_NE(errors.find("spoolsight: " + dir_ + "jobs/" + c.name + ": "), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
        errors.clear();
        EXPECT_EQ(RunHostFor(dir_ + "jobs/" + c.name + " --all-pages " + dir_ + "png", errors), 1);
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "x.png"));
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

class PngWriterTest : public TempDirTest {
protected:
    // A BGRx picture: a drawn page (flat white with a few marks) or a photograph-like field,
    // grainy along its rows and shading smoothly down its columns.
    static std::vector<uint32_t> Picture(int w, int h, bool photo) {
        std::vector<uint32_t> px(static_cast<size_t>(w) * h, 0xFFFFFF), grain(static_cast<size_t>(w));
        uint32_t seed = 12345;
        for (uint32_t& g : grain) g = (seed = seed * 1103515245 + 12345) >> 8 & 0x3F3F3F;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (photo) px[static_cast<size_t>(y) * w + x] = grain[x] + static_cast<uint32_t>(y * (x % 5 + 1) / 8 % 64) * 0x010101;
                else if ((x / 7 + y / 5) % 11 == 0) px[static_cast<size_t>(y) * w + x] = 0x203040;
            }
        return px;
    }
};

TEST_F(PngWriterTest, BandsJoinIntoOnePictureThatDecodesAsDrawn) {
    // Heights round the band size, any number of threads, drawn pages and photographs: what
    // libpng reads back is the picture, row for row.
    for (bool photo : {false, true})
        for (int h : {1, 63, 64, 129, 700})
            for (unsigned threads : {1u, 2u, 3u, 8u}) {
                int w = 301;
                std::vector<uint32_t> px = Picture(w, h, photo);
                std::string path = dir_ + "p.png", error;
                ASSERT_TRUE(WritePng(path, w, h,
                                     [&](int32_t y, uint8_t*) {
                                         return reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
                                     },
                                     error, threads))
                    << error;
                Pixels back;
                ASSERT_TRUE(ReadPng(path, back)) << h << " rows, " << threads << " threads";
                ASSERT_EQ(back.width, w);
                ASSERT_EQ(back.height, h);
                EXPECT_EQ(back.px, px) << h << " rows, " << threads << " threads, photo " << photo;
            }
}

TEST_F(PngWriterTest, RowsCopiedIntoScratchComeFromEveryThread) {
    // A source that copies each row, as the plug-in's exports do, gets a buffer per thread.
    int w = 500, h = 900;
    std::vector<uint32_t> px = Picture(w, h, false);
    std::atomic<int> calls{0};
    std::string error;
    ASSERT_TRUE(WritePng(dir_ + "c.png", w, h,
                         [&](int32_t y, uint8_t* scratch) {
                             ++calls;
                             std::memcpy(scratch, px.data() + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
                             return static_cast<const uint8_t*>(scratch);
                         },
                         error, 4))
        << error;
    Pixels back;
    ASSERT_TRUE(ReadPng(dir_ + "c.png", back));
    EXPECT_EQ(back.px, px);
    EXPECT_GE(calls.load(), h);
}

TEST_F(PngWriterTest, PhotographsTakeTheUpFilterAndDrawnPagesNone) {
    // Each filter where it pays: the photograph's file is much smaller than the same picture
    // written unfiltered would be, and a drawn page stays small.
    auto size = [&](bool photo) {
        int w = 800, h = 600;
        std::vector<uint32_t> px = Picture(w, h, photo);
        std::string error, path = dir_ + (photo ? "photo.png" : "page.png");
        EXPECT_TRUE(WritePng(path, w, h,
                             [&](int32_t y, uint8_t*) {
                                 return reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
                             },
                             error));
        Bytes b = ReadFileBytes(path);
        return b.size();
    };
    EXPECT_LT(size(true), 800u * 600 * 3 / 4);
    EXPECT_LT(size(false), 800u * 600 * 3 / 40);
}

TEST_F(PngWriterTest, ARowThatCannotBeHadLeavesNoFile) {
    int w = 100, h = 400;
    std::vector<uint32_t> px = Picture(w, h, false);
    std::string error;
    EXPECT_FALSE(WritePng(dir_ + "broken.png", w, h,
                          [&](int32_t y, uint8_t*) {
                              return y == 333 ? nullptr
                                              : reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
                          },
                          error, 3));
    EXPECT_NE(error.find("333"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "broken.png"));
    EXPECT_FALSE(WritePng(dir_ + "no/such/dir/x.png", w, h,
                          [&](int32_t y, uint8_t*) {
                              return reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
                          },
                          error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

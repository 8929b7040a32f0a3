// GhostPCL's own example jobs, read from the shared corpus beside the project:
// each is recognised as the language GhostPCL reads it in, and each that
// GhostPCL pictures gives a picture here too.
#include "language_detector.h"
#include "test_support.h"

#include <filesystem>

namespace fs = std::filesystem;

class GhostPclExamples : public TempDirTest {};

TEST_F(GhostPclExamples, EachIsRecognisedAndPictured) {
    fs::path corpus = SPOOLSIGHT_CORPUS;
    if (!fs::is_directory(corpus / "ref")) GTEST_SKIP() << "no example corpus at " << corpus;
    size_t pictured = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().filename().string(), ext = entry.path().extension().string();
        if (name == "fontpage.pcl") continue;  // ESC A, GhostPCL's request for its font list, is no part of PCL
        Bytes job = ReadFileBytes(entry.path().string());
        PrinterLanguage expected = ext == ".pxl" || ext == ".px3" ? PclXl : Pcl5;
        EXPECT_EQ(DetectPrinterLanguage(job.data(), job.size()), expected) << name;
        // GhostPCL pictures the jobs its ref/ folder holds.
        if (!fs::exists(corpus / "ref" / (name + ".png"))) continue;
        Pixels p = LoadPicture(entry.path().string());
        EXPECT_GT(p.width, 0) << name;
        pictured += p.width > 0;
    }
    EXPECT_GE(pictured, 17u);
}

namespace {
// A picture turned a quarter counter-clockwise: a landscape page as it lies on portrait paper.
Pixels TurnedOntoPortrait(const Pixels& p) {
    Pixels out;
    out.width = p.height, out.height = p.width;
    out.px.resize(p.px.size());
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.px[static_cast<size_t>(y) * out.width + x] = p.at(p.width - 1 - y, x);
    return out;
}
}  // namespace

TEST_F(GhostPclExamples, FirstPagesLookAsGhostPclDrawsThem) {
    fs::path corpus = SPOOLSIGHT_CORPUS;
    if (!fs::is_directory(corpus / "ref")) GTEST_SKIP() << "no example corpus at " << corpus;
    // PCL5 and HP-GL/2 jobs (text flow and fonts, rules, patterns and fills, merged plots, labels)
    // and PCL XL jobs (vector art, raster patterns, downloaded fonts).
    for (const char* name : {"owl.pcl", "owl2.pcl", "lineprinter.pcl", "opaque.pcl", "fonts.pcl", "origins.pcl",
                             "grashopp.pcl", "pattern.pcl", "fills.pcl", "label.tst", "grid.pcl", "tiger.px3",
                             "vasarely.px3", "frs96.pxl", "pattern.pxl", "fonts.pxl"}) {
        Pixels reference;
        ASSERT_TRUE(ReadPng((corpus / "ref" / (std::string(name) + ".png")).string(), reference)) << name;
        // GhostPCL's PCL5 pages are US Letter unless the job says otherwise, and landscape
        // pages come out turned onto portrait paper. PCL XL jobs name their media.
        std::string letter = fs::path(name).extension() == ".pcl" || fs::path(name).extension() == ".tst"
                                 ? "@PJL SET PAPER=LETTER\r\n"
                                 : "";
        Bytes job(letter.begin(), letter.end());
        Bytes body = ReadFileBytes((corpus / name).string());
        job.insert(job.end(), body.begin(), body.end());
        Pixels ours = LoadPicture(Write(name, job));
        ASSERT_GT(ours.width, 0) << name;
        if ((ours.width > ours.height) != (reference.width > reference.height)) ours = TurnedOntoPortrait(ours);
        CoarseMatch m = CompareCoarse(ours, reference, 48);
        EXPECT_GE(m.match, 0.9) << name;
        EXPECT_GE(m.ink, 0.8) << name;
        EXPECT_LE(m.ink, 1.25) << name;
        std::printf("%s against GhostPCL: match %.3f, ink %.2f\n", name, m.match, m.ink);
    }
}

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

// The command-line host: loads the plug-in with dlopen and writes PNG files.
#include "test_support.h"

#include <cstdlib>
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

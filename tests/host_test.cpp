// The command-line host: loads the plug-in with dlopen and writes PNG files.
#include "command_line.h"
#include "pclxl_job.h"
#include "png_writer.h"
#include "zjs_job.h"
#include "test_support.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace {
int RunHost(const std::string& args) {
    std::string cmd = std::string(SPOOLSIGHT_HOST) + " " + args + " > /dev/null 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The host's exit status and what it wrote to its error output; `environment` goes before the command.
int RunHostFor(const std::string& args, std::string& errors, const std::string& environment = "") {
    return RunCommand(environment + std::string(SPOOLSIGHT_HOST) + " " + args + " 2>&1 > /dev/null", errors);
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
    ASSERT_EQ(
        RunHost(std::string(SPOOLSIGHT_EXAMPLE) + " --all-pages " + dir_ + "jobs/png --keep-emf " + dir_ + "jobs/emf"),
        0);
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
        {"doc.ps", "%!PS-Adobe-3.0\n/Times-Roman findfont 12 scalefont setfont\n",
         "PostScript job: this language is not shown"},
        {"doc.prn", "\x1B%-12345X@PJL ENTER LANGUAGE = PDF\r\n%PDF-1.4\n", "PDF job: this language is not shown"},
        {"lava.prn",
         "\x1B%-12345X@PJL ENTER LANGUAGE=LAVAFLOW\n\x1B"
         "E",
         "LAVAFLOW job: this language is not shown"},
        {"data.bin", std::string("\x01\x02\x03 data\n", 9), "no page could be read from this file"},
    };
    for (const Case& c : cases) {
        std::string errors;
        EXPECT_EQ(RunHostFor(Write(c.name, Bytes(c.bytes.begin(), c.bytes.end())) + " -o " + dir_ + "x.png", errors),
                  1);
        EXPECT_NE(errors.find("spoolsight: " + dir_ + "jobs/" + c.name + ": "), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
        errors.clear();
        EXPECT_EQ(RunHostFor(dir_ + "jobs/" + c.name + " --all-pages " + dir_ + "png", errors), 1);
        EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "x.png"));
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

namespace {
// The size of a PNG file's picture, from its header.
std::pair<int, int> PngSize(const std::string& path) {
    Bytes b = ReadFileBytes(path);
    if (b.size() < 24) return {0, 0};
    auto be = [&](size_t at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
    return {be(16), be(20)};
}
}  // namespace

TEST_F(HostTest, PagesResolutionsAndNumberedNames) {
    std::string job = SPOOLSIGHT_EXAMPLE;  // three A4 pages
    std::filesystem::create_directories(dir_ + "out");
    // A name with a page number writes every page; --pages chooses some, in any order.
    EXPECT_EQ(RunHost(job + " -q -o " + dir_ + "out/all-%03d.png"), 0);
    for (const char* name : {"all-001.png", "all-002.png", "all-003.png"})
        EXPECT_TRUE(IsPng(dir_ + "out/" + name)) << name;
    EXPECT_EQ(RunHost(job + " --pages 3,1 -r 96 -o " + dir_ + "out/some-%d.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "out/some-3.png"), (std::pair{793, 1122}));  // A4 at 96 dpi
    EXPECT_TRUE(IsPng(dir_ + "out/some-1.png"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "out/some-2.png"));
    // One page at a resolution of its own; the default is the viewer's 192 dpi.
    EXPECT_EQ(RunHost(job + " --pages 2 -r 300 -o " + dir_ + "out/two.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "out/two.png"), (std::pair{2480, 3507}));
    EXPECT_EQ(RunHost(job + " -o " + dir_ + "out/first.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "out/first.png"), (std::pair{1587, 2245}));
    // Pages the job lacks are told, the others written: status 3.
    std::string errors;
    EXPECT_EQ(RunHostFor(job + " --pages 2-5 -o " + dir_ + "out/lack-%d.png", errors), 3);
    EXPECT_NE(errors.find("has no page 4 (it has 3)"), std::string::npos) << errors;
    EXPECT_TRUE(IsPng(dir_ + "out/lack-3.png"));
    // No partial file is left beside the pictures, nothing in the temporary directory.
    for (const auto& e : std::filesystem::directory_iterator(dir_ + "out"))
        EXPECT_EQ(e.path().extension(), ".png") << e.path();
    EXPECT_EQ(Files(), (std::vector<std::string>{"out"}));
}

TEST_F(HostTest, StandardStreamsAndSeveralJobs) {
    std::string job = SPOOLSIGHT_EXAMPLE, host = SPOOLSIGHT_HOST;
    // A job from standard input, its picture to standard output.
    std::string cmd = host + " - -o - < " + job + " > " + dir_ + "piped.png";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(PngSize(dir_ + "piped.png"), (std::pair{1587, 2245}));
    // Several jobs into one folder, each named after its file.
    std::string pcl = Write("letter.pcl", Bytes{0x1B, 'E', 'h', 'i', 0x1B, 'E'});
    EXPECT_EQ(RunHost(job + " " + pcl + " --output-dir " + dir_ + "many"), 0);
    EXPECT_TRUE(IsPng(dir_ + "many/sample.png"));
    EXPECT_TRUE(IsPng(dir_ + "many/letter.png"));
    EXPECT_EQ(RunHost(job + " " + pcl + " --pages 1-2 --output-dir " + dir_ + "many"), 3);  // the letter has one page
    EXPECT_TRUE(IsPng(dir_ + "many/sample-2.png"));
    EXPECT_TRUE(IsPng(dir_ + "many/letter-1.png"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "many/letter-2.png"));
    // Two jobs of one name from different folders: the second picture is named apart, and told.
    std::filesystem::create_directories(dir_ + "jobs/other");
    std::filesystem::copy_file(job, dir_ + "jobs/other/letter.pcl");
    std::string errors;
    EXPECT_EQ(RunHostFor(pcl + " " + dir_ + "jobs/other/letter.pcl --output-dir " + dir_ + "alike", errors), 0);
    EXPECT_TRUE(IsPng(dir_ + "alike/letter.png") && IsPng(dir_ + "alike/letter-2.png"));
    EXPECT_NE(ReadFileBytes(dir_ + "alike/letter.png"), ReadFileBytes(dir_ + "alike/letter-2.png"));
    EXPECT_NE(errors.find("other/letter.pcl: its picture is named letter-2, as " + pcl + " took letter"),
              std::string::npos)
        << errors;
    // Nothing is left in the temporary directory but the PCL5 trace, which stays by design.
    EXPECT_EQ(Files(), (std::vector<std::string>{"alike", "jobs", "many", "out.asm", "piped.png"}));
}

// Outputs that are not regular files: links, FIFOs and devices are written, never replaced.
TEST_F(HostTest, OutputsThatAreNotRegularFilesAreWrittenInPlace) {
    namespace fs = std::filesystem;
    std::string job = SPOOLSIGHT_EXAMPLE;
    // A symbolic link's target is written; the link stays a link, a dangling one too.
    std::string real = dir_ + "real.png", link = dir_ + "link.png", dangling = dir_ + "dangling.png";
    Write("real.png", Bytes{'o', 'l', 'd'});
    fs::rename(dir_ + "jobs/real.png", real);
    fs::create_symlink("real.png", link);
    fs::create_symlink("jobs/new.png", dangling);
    for (const std::string& args : {" -o " + link, " -o " + dangling, " -r 150 -o " + link})
        EXPECT_EQ(RunHost(job + args), 0) << args;
    EXPECT_TRUE(fs::is_symlink(link) && fs::is_symlink(dangling));
    EXPECT_TRUE(IsPng(real));
    EXPECT_TRUE(IsPng(dir_ + "jobs/new.png"));
    // A FIFO is written in place: its reader gets the whole file, and it stays a FIFO.
    for (const char* name : {"pipe.png", "pipe.pdf"}) {
        std::string fifo = dir_ + name, read;
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        std::thread reader([&] {
            FILE* in = std::fopen(fifo.c_str(), "rb");
            char buffer[4096];
            while (size_t n = in ? std::fread(buffer, 1, sizeof buffer, in) : 0) read.append(buffer, n);
            if (in) std::fclose(in);
        });
        EXPECT_EQ(RunHost(job + " -r 72 -o " + fifo), 0) << name;
        reader.join();
        EXPECT_EQ(read.substr(0, 4), fifo.ends_with("pdf") ? "%PDF" : "\x89PNG") << name;
        EXPECT_TRUE(fs::is_fifo(fifo)) << name;
    }
    // A directory is refused and stays.
    std::string errors;
    fs::create_directories(dir_ + "folder.png");
    EXPECT_EQ(RunHostFor(job + " -o " + dir_ + "folder.png", errors), 3);
    EXPECT_NE(errors.find("Is a directory"), std::string::npos) << errors;
    EXPECT_TRUE(fs::is_directory(dir_ + "folder.png"));
    // Devices, made here as /dev/null and /dev/full are: written, and never removed, even when
    // writing fails.
    std::string null = dir_ + "null", full = dir_ + "full";
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 || mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)))
        GTEST_SKIP() << "devices cannot be made here: " << std::strerror(errno);
    EXPECT_EQ(RunHost(job + " -o " + null), 0);
    EXPECT_EQ(RunHost(job + " -r 72 -o " + null), 0);
    EXPECT_EQ(RunHostFor(job + " -o " + full, errors), 3);
    EXPECT_EQ(RunHost(job + " -r 72 -o " + full), 3);
    for (const std::string& device : {null, full}) {
        struct stat st;
        ASSERT_EQ(lstat(device.c_str(), &st), 0) << device;
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
    }
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"dangling.png", "folder.png", "full", "jobs", "link.png", "null", "pipe.pdf",
                                        "pipe.png", "real.png"}));
}

TEST_F(HostTest, UsageErrorsAreToldInOneLine) {
    std::string job = SPOOLSIGHT_EXAMPLE;
    struct Case {
        std::string args, says;
    } cases[] = {
        {job + " --pages 3-1", "cannot read the page list"},
        {job + " --pages 2,,4", "cannot read the page list"},
        {job + " --pages 0", "cannot read the page list"},
        {job + " -r 5", "the resolution must be"},
        {job + " -r 300dpi", "the resolution must be"},
        {job + " --pages 1-2 -o " + dir_ + "one.png", "several pages need a page number"},
        {job + " -o " + dir_ + "p-%s.png", "is not a page number"},
        {job + " -o " + dir_ + "p-%d-%d.png", "more than one page number"},
        {job + " -o - --pages 1-", "standard output takes one picture"},
        {job + " " + job, "several jobs need --output-dir"},
        {job + " --frobnicate", "unknown option --frobnicate"},
        {job + " -r 100 --plugin /x.so", "--plugin serves the first page"},
        {job + " --format bmp", "unknown format bmp"},
        {job + " --size 200", "the size must be WIDTHxHEIGHT"},
        {job + " --size 0x10", "the size must be WIDTHxHEIGHT"},
        {job + " --paper B9", "unknown paper B9"},
        {job + " --crop=yes", "--crop takes no value"},
        {job + " --pjl ''", "--pjl takes one PJL command"},
        {job + " --format", "--format needs a value"},
        {"", "no job file given"},
    };
    for (const Case& c : cases) {
        std::string errors;
        EXPECT_EQ(RunHostFor(c.args, errors), 2) << c.args;
        EXPECT_NE(errors.find(c.says), std::string::npos) << c.args << ": " << errors;
    }
    EXPECT_EQ(RunHost("--help"), 0);
    EXPECT_EQ(RunHost("--version"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "one.png"));
}

TEST_F(HostTest, InfoDescribesJobsWithoutDrawingThem) {
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 not installed";
    // A spool file with a document name and a DEVMODE: landscape Legal, 2 copies, long-edge duplex, colour.
    Bytes spool;
    auto put32 = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k) spool.push_back(static_cast<uint8_t>(v >> (8 * k)));
    };
    auto putText = [&](const std::u16string& t) {
        for (char16_t c : t) spool.push_back(static_cast<uint8_t>(c)), spool.push_back(static_cast<uint8_t>(c >> 8));
        spool.push_back(0), spool.push_back(0);
    };
    put32(0x10000), put32(0), put32(24), put32(0);  // the header's size is set below
    put32(0), put32(0);
    putText(u"Quarterly report \u2713\U0001F4C8.docx");  // a pair of surrogates among the characters
    while (spool.size() % 4) spool.push_back(0);
    for (int k = 0; k < 4; ++k) spool[4 + k] = static_cast<uint8_t>(spool.size() >> (8 * k));
    std::vector<uint8_t> devmode(220, 0);
    std::u16string device = u"HP LaserJet 4050";
    for (size_t k = 0; k < device.size(); ++k) devmode[2 * k] = static_cast<uint8_t>(device[k]);
    auto set16 = [&](size_t at, uint16_t v) {
        devmode[at] = static_cast<uint8_t>(v), devmode[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    set16(68, 220), set16(76, 2), set16(78, 5), set16(86, 2), set16(92, 2), set16(94, 2);
    put32(3), put32(static_cast<uint32_t>(devmode.size()));
    spool.insert(spool.end(), devmode.begin(), devmode.end());
    Bytes page = RecordSamplePage("", 1);
    put32(12), put32(static_cast<uint32_t>(page.size()));
    spool.insert(spool.end(), page.begin(), page.end());
    std::string spoolJob = Write("report.spl", spool);
    // A PCL5 job with a PJL header, and a ZjStream job.
    // Its header sets the paper twice, holds a comment of one byte that is not UTF-8 (Latin-1 é) and
    // one that is (✓), and a line that a NUL ends, as foo2zjs writes them.
    std::string pcl =
        "\x1B%-12345X@PJL JOB NAME = \"Letters\"\r\n@PJL SET PAPER=A4\r\n@PJL SET PAPER=LETTER\r\n"
        "@PJL SET COPIES = 3\r\n@PJL COMMENT caf\xE9 \xE2\x9C\x93\r\n@PJL SET JOBATTR=\"JobAttr4=2026\"" +
        std::string(1, '\0') +
        "\x1B%-12345X@PJL ENTER LANGUAGE = PCL\r\n\x1B"
        "Ehi\x1B"
        "E\x1B%-12345X";
    std::string pclJob = Write("letters.pcl", Bytes(pcl.begin(), pcl.end()));
    std::string zjsJob = Write("page.zjs", MakeZjsJob({SamplePageImage(400, 300)}));
    std::string json = dir_ + "info.json";
    ASSERT_EQ(
        std::system((std::string(SPOOLSIGHT_HOST) + " --json " + spoolJob + " " + pclJob + " " + zjsJob + " > " + json)
                        .c_str()),
        0);
    // Each line one JSON object, as a script reads them.
    std::string check =
        "python3 -c \"import json,sys\n"
        "jobs=[json.loads(l) for l in open(sys.argv[1])]\n"
        "s,p,z=jobs\n"
        "assert s['language']=='NT EMF spool' and len(s['pages'])==1, s\n"
        "d=s['spool']\n"
        "assert d['document']=='Quarterly report \\u2713\\U0001f4c8.docx' and d['device']=='HP LaserJet 4050', d\n"
        "assert d['orientation']=='landscape' and d['paper']=='Legal' and d['copies']==2, d\n"
        "assert d['duplex']=='long edge' and d['colour']=='colour', d\n"
        "assert p['version']==1 and p['language']=='PCL5' and p['pjl']['COPIES']==3, p\n"
        "assert p['pjl']['PAPER']==['A4','LETTER'] and p['pjl']['COMMENT']=='caf\u00e9 \u2713', p\n"
        "assert p['pjl']['JOBATTR']=='\\\"JobAttr4=2026\\\"', p\n"
        "assert p['pjl']['JOB NAME']=='\\\"Letters\\\"' and p['evidence']=='PJL ENTER LANGUAGE=PCL', p\n"
        "assert abs(p['pages'][0]['width_mm']-215.9)<0.5, p\n"
        "assert z['language']=='ZjStream' and len(z['pages'])==1, z\n"
        "assert z['zjstream']['page 1 ZJI_RASTER_X']==400, z\n"
        "assert s['problems']==[] and p['problems']==[] and z['problems']==[], jobs\n"
        "\" " +
        json;
    EXPECT_EQ(std::system(check.c_str()), 0) << ReadFileBytes(json).size();
    EXPECT_EQ(std::system((std::string(SPOOLSIGHT_HOST) + " --info " + pclJob + " > " + dir_ + "info.txt").c_str()), 0);
    Bytes t = ReadFileBytes(dir_ + "info.txt");
    std::string described(t.begin(), t.end());
    EXPECT_NE(described.find("PCL5 (PJL ENTER LANGUAGE=PCL)"), std::string::npos) << described;
    EXPECT_NE(described.find("page 1: 215.9 x 279.4 mm, portrait"), std::string::npos) << described;
    EXPECT_EQ(RunHost("--info " + dir_ + "missing.pcl"), 1);
}

// What could not be read or written is told, once, with its real cause; a job whose pages are
// incomplete exits with 3, one that gives no page with 1.
TEST_F(HostTest, ProblemsAreToldWithTheirCauses) {
    // A PCL XL job cut inside its first page: the picture of what was read, the cut told, status 3,
    // through the plug-in's first page as through the library's pages; --json lists it.
    Bytes whole = MakePclXlJob(1);
    std::string cut = Write("cut.pxl", Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)));
    std::string errors;
    for (const std::string& args : {std::string(" -o "), std::string(" -r 96 -o ")}) {
        EXPECT_EQ(RunHostFor(cut + args + dir_ + "cut.png", errors), 3) << args;
        EXPECT_NE(errors.find("cut.pxl: page 1: the job ends inside a command"), std::string::npos) << errors;
        EXPECT_TRUE(IsPng(dir_ + "cut.png"));
    }
    std::string json;
    ASSERT_EQ(RunCommand(std::string(SPOOLSIGHT_HOST) + " --json " + cut, json), 0);
    EXPECT_NE(json.find("\"problems\": [{\"page\": 1, \"message\": \"the job ends inside a command\"}]"),
              std::string::npos)
        << json;
    // A temporary directory that cannot be used is named, with why.
    std::string job = SPOOLSIGHT_EXAMPLE;
    EXPECT_EQ(RunHostFor(job + " -r 96 -o " + dir_ + "x.png", errors = "", "TMPDIR=" + dir_ + "gone "), 1);
    EXPECT_NE(errors.find("the temporary directory " + dir_ + "gone"), std::string::npos) << errors;
    EXPECT_NE(errors.find("no such file or directory"), std::string::npos) << errors;
    // A directory given as a job, and an output in a folder that does not exist, in each format.
    EXPECT_EQ(RunHostFor(dir_ + " -o " + dir_ + "x.png", errors), 1);
    EXPECT_NE(errors.find("is a directory, not a job file"), std::string::npos) << errors;
    EXPECT_EQ(RunHostFor("--info " + dir_, errors), 1);
    EXPECT_NE(errors.find("is a directory, not a job file"), std::string::npos) << errors;
    for (const char* name : {"x.png", "x.pdf", "x.svg"}) {
        EXPECT_EQ(RunHostFor(job + " -o " + dir_ + "missing/" + name, errors), 3) << name;
        EXPECT_NE(errors.find("cannot write " + dir_ + "missing/" + name + ": No such file or directory"),
                  std::string::npos)
            << errors;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"cut.png", "jobs"}));
}

// A page larger than one picture in memory is drawn in bands: an A4 page at 1200 dpi is
// written whole; a page that even bands cannot draw is told with the limit.
TEST_F(HostTest, LargePicturesAreDrawnInBands) {
    std::string job = SPOOLSIGHT_EXAMPLE, big = dir_ + "big.png";
    ASSERT_EQ(RunHost(job + " -r 1200 -o " + big), 0);
    auto [width, height] = PngSize(big);
    EXPECT_NEAR(width, 210 / 25.4 * 1200, 2);
    EXPECT_NEAR(height, 297 / 25.4 * 1200, 2);
    // A page of 1.5 x 1 m at 2400 dpi is 141732 pixels wide.
    Bytes emf = Record([](HDC dc) { Rectangle(dc, 10, 10, 200, 200); }, RECT{0, 0, 150000, 100000});
    const int32_t device[4] = {5669, 3780, 1500, 1000};  // pixels, then millimetres
    std::memcpy(&emf[72], device, sizeof device);
    std::string errors;
    EXPECT_EQ(RunHostFor(Write("wide.spl", WrapInSpool({emf})) + " -r 2400 -o " + dir_ + "wide.png", errors), 3);
    EXPECT_NE(errors.find("page 1 cannot be pictured at 2400 dpi: more than 32768 pixels a side"), std::string::npos)
        << errors;
    EXPECT_EQ(Files(), (std::vector<std::string>{"big.png", "jobs"}));
}

// The options users of Ghostscript and hp2xx reach for, through the command.
TEST_F(HostTest, FormatsSizesPapersAndLooks) {
    std::string job = SPOOLSIGHT_EXAMPLE, errors;
    auto head = [&](const std::string& path, size_t n) {
        Bytes b = ReadFileBytes(path);
        return std::string(b.begin(), b.begin() + static_cast<long>(std::min(n, b.size())));
    };
    // Netpbm by extension or by --format; PNG pictures carry their resolution.
    ASSERT_EQ(RunHost(job + " -r 50 -o " + dir_ + "p.pbm"), 0);
    EXPECT_EQ(head(dir_ + "p.pbm", 11), "P4\n413 584\n");
    ASSERT_EQ(RunHost(job + " -r50 --format=pgm -o " + dir_ + "g.out"), 0);
    EXPECT_EQ(head(dir_ + "g.out", 15), "P5\n413 584\n255\n");
    ASSERT_EQ(RunHost(job + " -r 50 --format ppm -o " + dir_ + "c.ppm"), 0);
    EXPECT_EQ(head(dir_ + "c.ppm", 3), "P6\n");
    // TIFF and JPEG, each as an independent reader reads it, at its resolution.
    ASSERT_EQ(RunHost(job + " -r 50 -o " + dir_ + "t.tif"), 0);
    EXPECT_EQ(head(dir_ + "t.tif", 4), std::string("II*\0", 4));
    ASSERT_EQ(RunHost(job + " -r 50 --format jpeg -o " + dir_ + "j.out"), 0);
    EXPECT_EQ(head(dir_ + "j.out", 3), "\xFF\xD8\xFF");
    if (HaveTool("identify")) {
        std::string said;
        ASSERT_EQ(RunCommand("identify -format '%w %h %x\n' " + dir_ + "t.tif " + dir_ + "j.out", said), 0);
        EXPECT_EQ(said, "413 584 50\n413 584 50\n");
    }
    ASSERT_EQ(RunHost(job + " -r 300 -o " + dir_ + "r.png"), 0);
    Bytes png = ReadFileBytes(dir_ + "r.png");
    const uint8_t phys[] = {'p', 'H', 'Y', 's', 0, 0, 0x2E, 0x23, 0, 0, 0x2E, 0x23, 1};  // 11811 a metre
    EXPECT_NE(std::search(png.begin(), png.end(), std::begin(phys), std::end(phys)), png.end());
    // A thumbnail fitted in its box; greys and black and white.
    ASSERT_EQ(RunHost(job + " --size 300x300 --gray -o " + dir_ + "t.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "t.png"), (std::pair<int, int>{212, 300}));
    Pixels t;
    ASSERT_TRUE(ReadPng(dir_ + "t.png", t));
    size_t coloured = 0;
    for (uint32_t v : t.px) coloured += ((v >> 16) & 0xFF) != (v & 0xFF) || ((v >> 8) & 0xFF) != (v & 0xFF);
    EXPECT_EQ(coloured, 0u);
    ASSERT_EQ(RunHost(job + " --size 300x300 --mono -o " + dir_ + "m.png"), 0);
    Pixels m;
    ASSERT_TRUE(ReadPng(dir_ + "m.png", m));
    size_t grey = 0;
    for (uint32_t v : m.px) grey += (v & 0xFFFFFF) != 0 && (v & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_EQ(grey, 0u);
    // The paper of a PCL5 job and of an HP-GL plot that name none; a plot cropped to its drawing.
    std::string letter = Write("letter.pcl", Bytes{0x1B, 'E', 'h', 'i', 0x0C});
    ASSERT_EQ(RunHost(letter + " --paper letter -r 50 -o " + dir_ + "l.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "l.png"), (std::pair<int, int>{424, 549}));
    std::string text = "IN;SP1;PA1000,1000;PD2000,1000,2000,2000;PU;";
    std::string plot = Write("plot.hpgl", Bytes(text.begin(), text.end()));
    ASSERT_EQ(RunHost(plot + " --pjl 'SET PAPER=A3' -r 50 -o " + dir_ + "a3.png"), 0);
    EXPECT_EQ(PngSize(dir_ + "a3.png"), (std::pair<int, int>{584, 826}));
    ASSERT_EQ(RunHost(plot + " --crop -r 100 -o " + dir_ + "crop.png"), 0);
    auto [w, h] = PngSize(dir_ + "crop.png");
    EXPECT_NEAR(w, 25 / 25.4 * 100 + 20, 4);  // 25 mm of drawing and a tenth of an inch each side
    EXPECT_NEAR(h, w, 4);
    // A job read in the language named, whatever it looks like: a plot too short to be told
    // from other bytes is drawn (a diagonal line); dots without smoothed edges.
    std::string few = "PD100,100,5000,5000;";
    std::string fewJob = Write("few.txt", Bytes(few.begin(), few.end()));
    EXPECT_EQ(RunHost(fewJob + " -r 50 -o " + dir_ + "few.png"), 1);
    ASSERT_EQ(RunHost(fewJob + " --language=HPGL --no-antialias -r 50 -o " + dir_ + "few.png"), 0);
    Pixels f;
    ASSERT_TRUE(ReadPng(dir_ + "few.png", f));
    RECT ink = InkBox(f, 100);
    EXPECT_NEAR(ink.right - ink.left, ink.bottom - ink.top, 3);
    EXPECT_GT(ink.right - ink.left, 90);
    std::set<uint32_t> colours(f.px.begin(), f.px.end());
    EXPECT_LE(colours.size(), 2u);
    // A PDF on standard output, and --output-dir in every format.
    std::string out;
    ASSERT_EQ(RunCommand(std::string(SPOOLSIGHT_HOST) + " " + job + " --format pdf -o - | head -c 5", out), 0);
    EXPECT_EQ(out, "%PDF-");
    ASSERT_EQ(RunHost(job + " " + letter + " --format svg --output-dir " + dir_ + "svg"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "svg/sample.svg"));
    EXPECT_TRUE(std::filesystem::exists(dir_ + "svg/letter.svg"));
}

TEST(HostCommandLine, PageListsAndNumberedNames) {
    std::vector<PageRange> r;
    ASSERT_TRUE(ParsePageRanges("2-5,8,3-", r));
    std::vector<size_t> lacking;
    EXPECT_EQ(SelectPages(r, 6, lacking), (std::vector<size_t>{1, 2, 3, 4, 5}));  // each page once, in order asked
    EXPECT_EQ(lacking, std::vector<size_t>{8});                                   // page 8 is missing
    ASSERT_TRUE(ParsePageRanges("-2", r));
    EXPECT_EQ(SelectPages(r, 6, lacking), (std::vector<size_t>{0, 1}));
    ASSERT_TRUE(ParsePageRanges("4-999999999", r));
    EXPECT_EQ(SelectPages(r, 5, lacking).size(), 2u);  // an absurd range is not walked
    EXPECT_EQ(lacking, std::vector<size_t>{6});
    for (const char* bad : {"", "-", "1-2-3", "a", "1,", ",1", "5-2", "0-3", "1 2", "9999999999"})
        EXPECT_FALSE(ParsePageRanges(bad, r)) << bad;
    std::string error;
    EXPECT_TRUE(HasPageNumber("p-%03d.png", error));
    EXPECT_EQ(NameForPage("p-%03d.png", 7), "p-007.png");
    EXPECT_EQ(NameForPage("100%%-%d.png", 12), "100%-12.png");
    EXPECT_FALSE(HasPageNumber("plain.png", error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(HasPageNumber("50%%.png", error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(HasPageNumber("p-%n.png", error));
    EXPECT_FALSE(error.empty());
}

// GNU forms: --name=value, -r300, -oFILE, and -- before names that begin with a dash.
TEST(HostCommandLine, OptionsInTheirGnuForms) {
    std::vector<std::string> args = {"spoolsight",     "--format=PDF", "-r300",  "-oout.pdf",
                                     "--size=640x480", "--paper",      "letter", "--pjl=SET ORIENTATION=LANDSCAPE",
                                     "--mono",         "--crop",       "--",     "-job.pcl"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    HostOptions o;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(static_cast<int>(argv.size()), argv.data(), o, error)) << error;
    EXPECT_TRUE(o.formatGiven);
    EXPECT_EQ(o.format, OutputFormat::Pdf);
    EXPECT_EQ(o.resolution, 300);
    EXPECT_EQ(o.output, "out.pdf");
    EXPECT_EQ(o.boxWidth, 640);
    EXPECT_EQ(o.boxHeight, 480);
    EXPECT_EQ(o.pjl, (std::vector<std::string>{"SET PAPER=LETTER", "SET ORIENTATION=LANDSCAPE"}));
    EXPECT_EQ(o.look, Look::Mono);
    EXPECT_TRUE(o.crop);
    EXPECT_EQ(o.jobs, std::vector<std::string>{"-job.pcl"});
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
                if (photo)
                    px[static_cast<size_t>(y) * w + x] =
                        grain[x] + static_cast<uint32_t>(y * (x % 5 + 1) / 8 % 64) * 0x010101;
                else if ((x / 7 + y / 5) % 11 == 0) px[static_cast<size_t>(y) * w + x] = 0x203040;
            }
        return px;
    }
    // Writes a picture held in memory, its rows read in place.
    static bool WriteInPlace(const std::string& path, const std::vector<uint32_t>& px, int w, int h, std::string& error,
                             unsigned threads = 0) {
        return WritePng(
            path, w, h,
            [&](int32_t y, uint8_t*) {
                return reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
            },
            error, threads);
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
                ASSERT_TRUE(WriteInPlace(path, px, w, h, error, threads)) << error;
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
    ASSERT_TRUE(WritePng(
        dir_ + "c.png", w, h,
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
        EXPECT_TRUE(WriteInPlace(path, px, w, h, error));
        Bytes b = ReadFileBytes(path);
        return b.size();
    };
    EXPECT_LT(size(true), 800u * 600 * 3 / 4);
    EXPECT_LT(size(false), 800u * 600 * 3 / 40);
}

TEST_F(PngWriterTest, PicturesOfFewColoursTakeAPaletteAndDecodeAsDrawn) {
    // Up to 256 colours, greys and others, make a palette. A 257th anywhere, even in a row the
    // first look passes over, or bands that hold few each but many together, make RGB.
    constexpr int w = 150, h = 400;
    struct Case {
        const char* name;
        int (*colourOf)(int x, int y);  // which colour, as a number
        uint8_t colourType;
    };
    const Case cases[] = {
        {"256 colours", [](int x, int y) { return (x + y * 7) % 256; }, 3},
        {"black and white", [](int x, int y) { return (x / 3 + y) % 2; }, 3},
        {"a 257th in one row", [](int x, int y) { return y == 397 && x == 5 ? 256 : (x + y * 7) % 256; }, 2},
        // Rows the first look skips add 60 colours of their own to each half: 210 a half, 270 in all.
        {"few a half, many together",
         [](int x, int y) { return y % 16 == 0 ? x % 150 : 150 + x % 60 + (y < h / 2 ? 0 : 60); }, 2},
    };
    for (const Case& c : cases)
        for (unsigned threads : {1u, 2u, 3u}) {
            std::vector<uint32_t> px(static_cast<size_t>(w) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    // Greys for even numbers, other colours for odd ones.
                    auto k = static_cast<uint32_t>(c.colourOf(x, y));
                    px[static_cast<size_t>(y) * w + x] =
                        k % 2 ? ((k & 0xFF) << 16 | (0x80 + (k >> 8)) << 8 | (255 - k / 2 % 256)) : k / 2 * 0x010101u;
                }
            std::string path = dir_ + "few.png", error;
            ASSERT_TRUE(WriteInPlace(path, px, w, h, error, threads)) << error;
            Bytes file = ReadFileBytes(path);
            ASSERT_GT(file.size(), 26u);
            EXPECT_EQ(file[25], c.colourType) << c.name << ", " << threads << " threads";
            Pixels back;
            ASSERT_TRUE(ReadPng(path, back)) << c.name;
            EXPECT_EQ(back.px, px) << c.name << ", " << threads << " threads";
        }
}

TEST_F(PngWriterTest, ARowThatCannotBeHadLeavesNoFile) {
    int w = 100, h = 400;
    std::vector<uint32_t> px = Picture(w, h, false);
    std::string error;
    EXPECT_FALSE(WritePng(
        dir_ + "broken.png", w, h,
        [&](int32_t y, uint8_t*) {
            return y == 333 ? nullptr : reinterpret_cast<const uint8_t*>(px.data() + static_cast<size_t>(y) * w);
        },
        error, 3));
    EXPECT_NE(error.find("333"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "broken.png"));
    EXPECT_FALSE(WriteInPlace(dir_ + "no/such/dir/x.png", px, w, h, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

// Stopped by SIGINT, SIGTERM or SIGHUP in the middle of a long job, the command leaves neither
// page files in the temporary directory nor unfinished pictures, and ends as the signal ends it.
TEST_F(HostTest, StoppedBySignalsItLeavesNoFiles) {
    // 150 pages, each a full-width 600 dpi image of 3000 rows in run-length rows of 6 bytes.
    std::string job =
        "\x1B"
        "E\x1B*t600R";
    for (int page = 0; page < 150; ++page) {
        job += "\x1B*p0x0Y\x1B*r1A\x1B*b1M";
        for (int row = 0; row < 3000; ++row) job += std::string("\x1B*b6W\xFF\xAA\xFF\x55\xFF\xAA", 12);
        job += "\x1B*rB\f";
    }
    std::string path = Write("long.pcl", Bytes(job.begin(), job.end()));
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::string tmp = dir_ + "tmp" + std::to_string(signal), out = dir_ + "out" + std::to_string(signal);
        std::filesystem::create_directories(tmp);
        // Everything the child needs is made before the fork: it only execs.
        std::string tmpdir = "TMPDIR=" + tmp;
        char* environment[] = {tmpdir.data(), nullptr};
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDERR_FILENO);
            execle(SPOOLSIGHT_HOST, SPOOLSIGHT_HOST, path.c_str(), "--all-pages", out.c_str(), nullptr, environment);
            _exit(127);
        }
        // Stopped once its pages are being made.
        auto pageFiles = [&] {
            size_t n = 0;
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(tmp, ec)) n += e.path().extension() == ".emf";
            return n;
        };
        for (int wait = 0; wait < 2000 && pageFiles() < 3; ++wait) usleep(5000);
        ASSERT_GE(pageFiles(), 3u) << "no page files appeared";
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_EQ(pageFiles(), 0u) << signal;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(out, ec))
            EXPECT_EQ(e.path().filename().string().find(".part-"), std::string::npos) << e.path();
    }
}

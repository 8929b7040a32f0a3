// The PCL5 front end: command tables, the escape-sequence tokenizer with its
// trace lines, HP-GL/2 sections, the job driver and the PJL reader.
#include "pcl_job_driver.h"
#include "test_support.h"

#include <cstring>
#include <filesystem>
#include <sstream>

namespace {
// Writes every call it gets as one line.
class RecordingRenderer : public PclRenderer {
public:
    std::vector<std::string> calls;
    void Dispatch(const PclCommand& c, const PclArgs& a) override {
        std::ostringstream o;
        o << "cmd " << c.parameter;
        if (c.group) o << c.group << static_cast<char>(a.terminator);
        o << " " << (a.relative && a.value >= 0 ? "+" : "") << a.value;
        if (a.data)
            o << " data " << a.count << " "
              << std::string(reinterpret_cast<const char*>(a.data), static_cast<size_t>(a.count));
        calls.push_back(o.str());
    }
    void EnterPcl() override { calls.push_back("enter pcl"); }
    void EnterHpgl(double v) override { calls.push_back("enter hpgl " + std::to_string(static_cast<int>(v))); }
    void SelectFontById(bool secondary, double id) override {
        calls.push_back(std::string(secondary ? "secondary " : "") + "font id " + std::to_string(static_cast<int>(id)));
    }
    void SelectDefaultFont(bool secondary, int32_t v) override {
        calls.push_back(std::string(secondary ? "secondary " : "") + "default font " + std::to_string(v));
    }
    void SelectSymbolSet(bool secondary, int32_t number, uint8_t letter) override {
        calls.push_back(std::string(secondary ? "secondary " : "") + "symbol set " + std::to_string(number) +
                        static_cast<char>(letter));
    }
    void DispatchHpgl(const char* m, const uint8_t* params, size_t length, bool cut) override {
        calls.push_back(std::string("hpgl ") + m + std::string(reinterpret_cast<const char*>(params), length) +
                        (cut ? " cut" : ""));
    }
    void Character(uint8_t b) override { calls.push_back(std::string("char ") + static_cast<char>(b)); }
};

const std::string ESC = "\x1B";

struct Walked {
    std::vector<std::string> calls;
    std::string trace;
    PclPageSize size;
};
}  // namespace

class PclFrontEndTest : public TempDirTest {
protected:
    Walked Walk(const std::string& job) {
        Walked w;
        RecordingRenderer r;
        RunPclJob(PrintJob{"job.pcl", reinterpret_cast<const uint8_t*>(job.data()), job.size()}, dir_.c_str(), r,
                  w.size);
        w.calls = r.calls;
        Bytes t = ReadFileBytes(dir_ + "/out.asm");
        w.trace.assign(t.begin(), t.end());
        return w;
    }
};

TEST(PclTables, LookUps) {
    const PclCommandTable& t = BuildPclCommandTable();
    EXPECT_EQ(t.LookUpFirst('E').result, PclLookup::TwoCharacter);
    EXPECT_EQ(t.LookUpFirst('&').result, PclLookup::Parameter);
    EXPECT_EQ(t.LookUpFirst('z').result, PclLookup::Unknown);
    ASSERT_NE(t.LookUp('*', 'b', 'W'), nullptr);
    EXPECT_EQ(t.LookUp('*', 'b', 'W')->kind, PclWithData);
    EXPECT_STREQ(t.LookUp('&', 'l', 'T')->name, "Job Separation");  // the first of the two rows
    EXPECT_STREQ(t.LookUp('*', 'p', 'x')->name, "Horizontal Cursor Position(RTL)");
    EXPECT_STREQ(t.ControlCodeName(12), "Form Feed");
    EXPECT_EQ(t.ControlCodeName(27), nullptr);
}

TEST_F(PclFrontEndTest, ParameterisedAndCombinedSequences) {
    Walked w = Walk(ESC + "E" + ESC + "&l1o2A" + ESC + "*p12.5X" + ESC + "*c123456789A" + ESC + "z" + "Q");
    std::vector<std::string> expected = {"cmd E 0",      "cmd &lO 1",           "cmd &lA 2",
                                         "cmd *pX 12.5", "cmd *cA 1.23457e+07", "char Q"};
    EXPECT_EQ(w.calls, expected);
    EXPECT_NE(w.trace.find("\nstring* \"\\x1BE\" // Printer Reset"), std::string::npos);
    EXPECT_NE(w.trace.find("\nstring* \"\\x1B&l1O\" // Logical Page Orientation"), std::string::npos);
    EXPECT_NE(w.trace.find("\nstring* \"\\x1B*p12.50X\" // Horizontal Cursor Position(PCL)"), std::string::npos);
    EXPECT_NE(w.trace.find("\nstring* \"\\x51\" // Character"), std::string::npos);
}

TEST_F(PclFrontEndTest, ACombinedSequenceLeftOpenEndsBeforeTheNextEscape) {
    // Inkjet drivers end a sequence with a lower-case letter and start the next command at once:
    // the escape is not swallowed, and no command prints as text.
    Walked w = Walk(ESC + "*b2m" + ESC + "*b1746Y" + ESC + "*p5x" + "\x01" + "Q");
    std::vector<std::string> expected = {"cmd *bM 2", "cmd *bY 1746", "cmd *pX 5", "char \x01", "char Q"};
    EXPECT_EQ(w.calls, expected);
}

TEST_F(PclFrontEndTest, DataBlocksAreClampedAndNeverReadAsCommands) {
    Walked w = Walk(ESC + "*b3m5W" +
                    std::string("\x1B"
                                "E123") +
                    "Z" + ESC + "*b100W" + "abc");
    std::vector<std::string> expected = {"cmd *bM 3",
                                         "cmd *bW 5 data 5 \x1B"
                                         "E123",
                                         "char Z", "cmd *bW 100 data 3 abc"};
    EXPECT_EQ(w.calls, expected);
    EXPECT_NE(w.trace.find("\nhex row data[\n\\x1B\\x45\\x31\\x32\\x33\n]"), std::string::npos);
}

TEST_F(PclFrontEndTest, FontAndLanguageSequences) {
    Walked w = Walk(ESC + "(10U" + ESC + "(3X" + ESC + ")s1S" + ESC + "(@" + ESC + ")3@" + ESC + ")19M" + ESC +
                    "&a-5h+2V" + ESC + "%-12345X" + ESC + "&t31P" + "x");
    std::vector<std::string> expected = {
        "symbol set 10U",           "font id 3",  "cmd )sS 1",  "default font 0", "secondary default font 3",
        "secondary symbol set 19M", "cmd &aH -5", "cmd &aV +2", "cmd %-X -12345", "char x"};
    EXPECT_EQ(w.calls, expected);  // a signed number is a relative move
    EXPECT_NE(w.trace.find("\nstring* \"\\x1B%-12345X\" // Universal Exit"), std::string::npos);
    EXPECT_NE(w.trace.find("\nstring* \"\\x1B&t31P\" // Unknown command"), std::string::npos);
}

TEST_F(PclFrontEndTest, SequencesCutOffAtTheEnd) {
    for (const char* tail :
         {"\x1B", "\x1B*", "\x1B*b", "\x1B*b12", "\x1B(", "\x1B(12", "\x1B%", "\x1B%1B", "\x1B*b5W"}) {
        Walked w = Walk(std::string("A") + tail);
        ASSERT_FALSE(w.calls.empty()) << tail;
        EXPECT_EQ(w.calls[0], "char A") << tail;
    }
    Walked longNumber = Walk(ESC + "(" + std::string(400, '9') + "X" + ESC + "*p" + std::string(300, '7') + "Y");
    ASSERT_EQ(longNumber.calls.size(), 2u);
    EXPECT_EQ(longNumber.calls[0], "font id 2147483647");
    EXPECT_EQ(longNumber.calls[1], "cmd *pY 7.77778e+07");
}

TEST_F(PclFrontEndTest, TextParsingMethods) {
    Walked two = Walk(ESC + "&t2P" + "ab");
    EXPECT_EQ(two.calls, std::vector<std::string>{"char b"});  // one two-byte character
    EXPECT_NE(two.trace.find("\nstring* \"\\x6162\" // Wide Character"), std::string::npos);
    Walked sjis = Walk(ESC + "&t31P" + "\x82\xA0" + "A\r");
    EXPECT_EQ(sjis.calls, (std::vector<std::string>{"char \xA0", "char A", "char \r"}));
    EXPECT_NE(sjis.trace.find("// Carriage return"), std::string::npos);
}

TEST_F(PclFrontEndTest, PjlBlocks) {
    Walked w =
        Walk(std::string("\0\0", 2) + "@PJL SET PAPERLENGTH = 15840\r\n@PJL SET PAPERWIDTH=12240\r\n" + ESC + "E@x");
    EXPECT_EQ(w.size.length, 31680);
    EXPECT_EQ(w.size.width, 24480);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"cmd E 0", "char @", "char x"}));
    EXPECT_NE(w.trace.find("\n@PJL SET PAPERLENGTH = 15840"), std::string::npos);
    PclPageSize s{100, 200};
    std::string both = "@PJL SET PAPERLENGTH=10 PAPERWIDTH=20";
    ReadPjlBlock(both.c_str(), both.size(), s);
    EXPECT_EQ(s.length, 20);
    EXPECT_EQ(s.width, 200);
    for (const char* bad : {"@PJL SET PAPERLENGTH=0", "@PJL SET PAPERLENGTH=-5", "@PJL SET PAPERLENGTH=99999999999",
                            "@PJL SET PAPERLENGTH", "@PJL SET PAPERWIDTH="}) {
        PclPageSize keep{100, 200};
        ReadPjlBlock(bad, std::strlen(bad), keep);
        EXPECT_EQ(keep.length, 100) << bad;
        EXPECT_EQ(keep.width, 200) << bad;
    }
}

TEST_F(PclFrontEndTest, HpglSections) {
    Walked w =
        Walk(ESC + "%1B" + "IN;SP1;PD100,100,200 ;PE<=abc;DT*;LBHello*CO\"note\";BP1,\"job\";" + ESC + "%0A" + "x");
    std::vector<std::string> expected = {"enter hpgl 1",      "hpgl IN;",  "hpgl SP1;",     "hpgl PD100,100,200 ;",
                                         "hpgl PE<=abc;",     "hpgl DT*;", "hpgl LBHello*", "hpgl CO\"note\";",
                                         "hpgl BP1,\"job\";", "enter pcl", "char x"};
    EXPECT_EQ(w.calls, expected);  // each command with its parameters, their closing byte included
    for (const char* line : {"\nstring* \"IN;\" // Initialize", "\nstring* \"SP1;\" // Select Pen",
                             "\nstring* \"PD100,100,200 ;\" // Pen Down", "\nstring* \"PE<=abc;\" // Polyline Encoded",
                             "\nstring* \"DT*;\" // Define Label Terminator", "\nstring* \"LBHello*\" // Label",
                             "\nstring* \"CO\"note\";\" // Comment", "// Begin Plot"})
        EXPECT_NE(w.trace.find(line), std::string::npos) << line;
    // A section left by another ESC% sequence resumes PCL5 on it.
    Walked uel = Walk(ESC + "%-1B" + "PU;" + ESC + "%-12345X" + "y");
    EXPECT_EQ(uel.calls, (std::vector<std::string>{"enter hpgl -1", "hpgl PU;", "cmd %-X -12345", "char y"}));
    // So does a printer reset: its E is no character.
    Walked reset = Walk(ESC + "%0B" + "PU;" + ESC + "E\n");
    EXPECT_EQ(reset.calls, (std::vector<std::string>{"enter hpgl 0", "hpgl PU;", "cmd E 0", "char \n"}));
}

TEST_F(PclFrontEndTest, HpglCommandsEndWhereTheirSyntaxSays) {
    auto calls = [&](const std::string& plot) { return Walk(ESC + "%1B" + plot + ESC + "%0A").calls; };
    using Calls = std::vector<std::string>;
    // A display message is text to the label terminator, whatever words it holds.
    EXPECT_EQ(calls("WDPAGE 1 PD HERE\x03PU;"),
              (Calls{"enter hpgl 1", "hpgl WDPAGE 1 PD HERE\x03", "hpgl PU;", "enter pcl"}));
    // A symbol is one character; the next command follows at once.
    EXPECT_EQ(calls("SM*PA10,10;SM;"), (Calls{"enter hpgl 1", "hpgl SM*", "hpgl PA10,10;", "hpgl SM;", "enter pcl"}));
    // DT's mode belongs to it, and the new terminator ends the next label.
    EXPECT_EQ(calls("DT#,1;LBa;b#IN;LBc\x03"),
              (Calls{"enter hpgl 1", "hpgl DT#,1;", "hpgl LBa;b#", "hpgl IN;", "hpgl LBc\x03", "enter pcl"}));
    // Numbers end where the next mnemonic begins; an encoded polyline stops at an escape sequence.
    EXPECT_EQ(calls("PA1,2PD3\t4PE<=ab"),
              (Calls{"enter hpgl 1", "hpgl PA1,2", "hpgl PD3\t4", "hpgl PE<=ab", "enter pcl"}));
    // The data ending inside a command is told to its handler.
    EXPECT_EQ(Walk(ESC + "%1BPA1,2").calls, (Calls{"enter hpgl 1", "hpgl PA1,2 cut"}));
    EXPECT_EQ(Walk(ESC + "%1BLBnever ends").calls, (Calls{"enter hpgl 1", "hpgl LBnever ends cut"}));
}

TEST_F(PclFrontEndTest, TraceFileRules) {
    Walked first = Walk("a");
    EXPECT_NE(first.trace.find("PCL5 dump"), std::string::npos);
    // An earlier dump of ours is replaced, a link is never followed.
    Walked second = Walk("b");
    EXPECT_EQ(second.trace.find("\\x61"), std::string::npos);
    std::filesystem::remove(dir_ + "/out.asm");
    WriteFileBytes(dir_ + "/victim", Bytes{'v'});
    std::filesystem::create_symlink(dir_ + "/victim", dir_ + "/out.asm");
    RecordingRenderer r;
    PclPageSize size;
    const uint8_t c = 'c';
    const PrintJob job{"c.pcl", &c, 1};
    RunPclJob(job, dir_.c_str(), r, size);
    EXPECT_EQ(ReadFileBytes(dir_ + "/victim"), Bytes{'v'});
    // The dump went to the next name, which later jobs take again: dumps never pile up.
    for (int again = 0; again < 3; ++again) RunPclJob(job, dir_.c_str(), r, size);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/out-2.asm"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/out-3.asm"));
    // Without any place for the dump the job is walked all the same.
    RecordingRenderer blind;
    RunPclJob(job, "/nonexistent-dir/", blind, size);
    EXPECT_EQ(blind.calls, std::vector<std::string>{"char c"});
}

#include "job_evidence.h"
#include "language_detector.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {
DetectedJob Identify(const std::string& s) {
    return IdentifyPrintJob(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
PrinterLanguage Detect(const std::string& s) {
    return DetectPrinterLanguage(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

std::string Pad(std::string s, size_t to = 64) {
    s.resize(std::max(s.size(), to), '\n');
    return s;
}

const std::string ESC = "\x1B";
const std::string UEL = ESC + "%-12345X";
}  // namespace

TEST(DetectorSignatures, RecognisesEachLanguageAtTheStart) {
    EXPECT_EQ(Detect(std::string("\0\0\1\0\x10\0\0\0", 8)), NtEmfSpool);
    EXPECT_EQ(Detect(ESC + "E" + "text"), Pcl5);
    EXPECT_EQ(Detect(ESC + "@" + "text"), EscP);
    EXPECT_EQ(Detect(ESC + "[K"), Bjl);
    EXPECT_EQ(Detect("BJLSTART\n"), Bjl);
    EXPECT_EQ(Detect(ESC + "%-1B" + "IN;"), Pcl5);
    EXPECT_EQ(Detect(ESC + "%+12B"), Pcl5);
    EXPECT_EQ(Detect("JZJZ...."), ZjStream);
    EXPECT_EQ(Detect("ZJZJ...."), ZjStream);
    EXPECT_EQ(Detect("ZIMF...."), Zimf);
    EXPECT_EQ(Detect("\xCD\xCA\x10\x00"), MagicCdCa);
    EXPECT_EQ(Detect(std::string("\xCA\xCD\0\0", 4)), MagicCdCa);
    EXPECT_EQ(Detect("BEGMF 'x';"), Cgm);
}

TEST(DetectorSignatures, LeadingZeroBytesAreSkippedExceptForTheSpoolSignature) {
    EXPECT_EQ(Detect(std::string("\0\0\0", 3) + ESC + "E" + "x"), Pcl5);
    EXPECT_EQ(Detect(std::string("\0\0\0\0", 4) + "ZJZJ"), ZjStream);
    // 00 00 01 00 decides before the zeros are skipped; it needs a fifth byte.
    EXPECT_EQ(Detect(std::string("\0\0\1\0"
                                 "ZJZJ",
                                 8)),
              NtEmfSpool);
    EXPECT_EQ(Detect(std::string("\0\0\1\0", 4)), Unknown);
}

TEST(DetectorSignatures, EscEWinsOverLaterPclXl) {
    EXPECT_EQ(Detect(Pad(ESC + "E" + UEL + "@PJL ENTER LANGUAGE=PCLXL\n")), Pcl5);
}

TEST(DetectorSignatures, PercentEscapeNeedsTheB) {
    EXPECT_EQ(Detect(ESC + "%-12345X"), Unknown);
    EXPECT_EQ(Detect(ESC + "%12"), Unknown);  // ends before any other byte
}

TEST(DetectorSignatures, MarkersMatchOnlyWhenAllTheirBytesArePresent) {
    EXPECT_EQ(Detect(""), Unknown);
    EXPECT_EQ(Detect("J"), Unknown);
    EXPECT_EQ(Detect("JZJ"), Unknown);
    EXPECT_EQ(Detect("ZIM"), Unknown);
    EXPECT_EQ(Detect("\xCA\xCD"), Unknown);
    EXPECT_EQ(Detect("BEGM"), Unknown);
    EXPECT_EQ(Detect(std::string("\0\0\0", 3)), Unknown);
    // Two bytes are too few for the signature tests; the look past them still sees a PCL5 reset.
    EXPECT_EQ(Detect(ESC + "E"), Pcl5);
    EXPECT_EQ(Detect("\xCD"), Unknown);
}

TEST(DetectorSignatures, BjlStartNeedsNineBytes) {
    EXPECT_EQ(Detect("BJLSTART"), Unknown);
    EXPECT_EQ(Detect("BJLSTARTX"), Bjl);
}

TEST(DetectorScan, PjlEnterLanguageValues) {
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE = PCLXL\n")), PclXl);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=PCL\n")), Pcl5);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=PCL3GUI\n")), Pcl5);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=postscript\n")), PostScript);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=HPGL2\n")), Pcl5);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=QPDL\n")), Qpdl);
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=zjs\n")), ZjStream);
}

TEST(DetectorScan, ComparisonRules) {
    // PCLXL and PCL compare exactly: lower case is some other value.
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=pclxl\n")), Unknown);
    // The command itself is exact.
    EXPECT_EQ(Detect(Pad(UEL + "@pjl enter language=PCLXL\n")), Unknown);
    // No '=' after the command: skipped.
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE PCLXL\n")), Unknown);
    // A later line still counts after an unknown value.
    EXPECT_EQ(Detect(Pad(UEL + "@PJL ENTER LANGUAGE=FOO\n@PJL ENTER LANGUAGE=PCLXL\n")), PclXl);
}

TEST(DetectorScan, OtherHeaderLines) {
    EXPECT_EQ(Detect(Pad("garbage%!PS-Adobe-3.0\n")), PostScript);
    EXPECT_EQ(Detect(Pad("xx%!ps-adobe-3.0\n")), PostScript);
    EXPECT_EQ(Detect(Pad("@PJL SET LANGUAGEHINT = ZJS\n")), ZjStream);
    EXPECT_EQ(Detect(Pad("@PJL SET LANGUAGEHINT=ZJS\n")), ZjStream);
    EXPECT_EQ(Detect(Pad("@EJL SE LA=ESC/PAGE\n")), EscPage);
    EXPECT_EQ(Detect(Pad("@ejl se la = esc/page\n")), EscPage);
    // The language-hint line moves the scan on to the ENTER LANGUAGE test.
    EXPECT_EQ(Detect(Pad("@PJL SET LANGUAGEHINT@PJL ENTER LANGUAGE=PCLXL\n")), PclXl);
}

TEST(DetectorScan, PacketModeSequence) {
    std::string packet("\0\0\0\x1B\x01@EJL 1284.4\n@EJL     \n", 27);
    EXPECT_EQ(Detect("xx" + packet + "more"), EscP);
    std::string lower = packet;
    lower[6] = 'e';
    EXPECT_EQ(Detect("xx" + lower + "more"), EscP);
    // A zero byte where the sequence wants a letter is no match.
    std::string broken = packet;
    broken[10] = '\0';
    EXPECT_EQ(Detect("xx" + broken + "more"), Unknown);
    // The sequence cut off at the end of the file is no match either.
    EXPECT_EQ(Detect("xxxxxxxx" + packet.substr(0, 22)), Unknown);
}

TEST(DetectorScan, LengthLimits) {
    // Under 21 bytes there is no scan: the line is text.
    EXPECT_EQ(Identify("x%!PS-Adobe-3.0 abcd").format, JobFormat::PlainText);
    EXPECT_EQ(Detect("%!PS-Adobe-3.0 abcdef"), PostScript);
    // A header line starting in the last 20 bytes is not found.
    EXPECT_EQ(Identify(std::string(30, '-') + "%!PS-Adobe" + std::string(10, ' ')).format, JobFormat::PlainText);
    EXPECT_EQ(Detect(std::string(30, '-') + "%!PS-Adobe" + std::string(11, ' ')), PostScript);
    // Values and '=' cut off at the end of the data.
    EXPECT_EQ(Detect(std::string(10, ' ') + "@PJL ENTER LANGUAGE ="), Unknown);
    EXPECT_EQ(Detect(std::string(10, ' ') + "@PJL ENTER LANGUAGE=PC"), Unknown);
    EXPECT_EQ(Detect("@EJL SE LA=ESC/PAG" + std::string(3, ' ')), Unknown);
}

TEST(DetectorScan, LanguageHintAtTheVeryEndStopsTheScan) {
    // The hint moves the scan 21 bytes on, to the end of the data; the scan must stop there.
    EXPECT_NE(Detect(std::string("\0\0\0~", 4) + "@PJL SET LANGUAGEHINT"), ZjStream);
    EXPECT_NE(Detect("@PJL SET LANGUAGEHINT"), ZjStream);
}

namespace {

// A PJL header as Windows drivers and foo2zjs write it: no language named.
const std::string kPjlHeader =
    UEL + "@PJL JOB NAME=\"report\"\r\n@PJL SET RESOLUTION=600\r\n@PJL SET ECONOMODE=OFF\r\n";
// The first bytes of a PCL XL session: UnitsPerMeasure, Measure, BeginSession.
const std::string kXlSession = "\xD1\x58\x02\x58\x02\xF8\x89\xC0\x00\xF8\x86\x41";
}  // namespace

TEST(DetectorEvidence, PclJobsWithoutTheMarkersOfTheHeaderRules) {
    for (const std::string& job : {
             UEL + ESC + "E" + ESC + "&l26A text",   // UEL then reset
             kPjlHeader + ESC + "E" + ESC + "(10U",  // PJL without ENTER LANGUAGE
             UEL + "@PJL SET JOBATTR=\"x\"" + std::string(1, '\0') + UEL + ESC +
                 "&l0O",                           // a line ended by NUL, then UEL
             ESC + "&l1o0o1t0l6D" + ESC + "&l1X",  // straight into page set-up
             ESC + "*r1A" + ESC + "*b3W abc",      // raster
             ESC + "*c1D" + ESC + ")s64W",         // a font id, then a font header
             ESC + "=" + "half a line down",
             ESC + "(s0p16.67h8.5v0b0T text",
             ESC + "(10U text",
             ESC + "9" + "margins cleared",
             UEL + ESC + "%0B" + "IN;SP1;",  // HP-GL/2 inside PCL5
             std::string("\0\0\r\n", 4) + ESC + "&a720h720V text",
         }) {
        DetectedJob d = Identify(job);
        EXPECT_EQ(d.language, Pcl5) << job;
        EXPECT_EQ(d.format, JobFormat::Pcl5) << job;
    }
    // Escape sequences of other syntax are no evidence.
    for (const std::string& job :
         {ESC + "&" + "1", ESC + "*" + "AB", ESC + "(" + "(((", ESC + "Q" + "x", ESC + "%" + "X"})
        EXPECT_EQ(Detect(job), Unknown) << job;
}

TEST(DetectorEvidence, PclXlStreamHeaders) {
    // HP's header, with each binding byte, behind PJL that names no language or right after a UEL.
    for (std::string binding : {")", "(", "'"}) {
        EXPECT_EQ(Identify(kPjlHeader + binding + " HP-PCL XL;2;0;Comment\n" + kXlSession).format, JobFormat::PclXl);
        EXPECT_EQ(Detect(UEL + binding + " HP-PCL XL;3;0\n" + kXlSession), PclXl);
    }
    // Brother's drivers, and any other name, where PCL XL follows the header line.
    EXPECT_EQ(Detect(kPjlHeader + "@PJL ENTER LANGUAGE = XL2HB\r\n) BROTHER XL2HB;1;0\n" + kXlSession), PclXl);
    EXPECT_EQ(Detect(UEL + ") ACME PAGE XL;1;0\n" + kXlSession), PclXl);
    // Brother's header over something else is named, and drawn by nothing.
    DetectedJob other = Identify(UEL + ") BROTHER XL2HB;1;0\nXYZ");
    EXPECT_EQ(other.format, JobFormat::BrotherXl2hb);
    EXPECT_EQ(other.language, Unknown);
    EXPECT_EQ(Identify(UEL + ") ACME PAGE;1;0\nplain text").format, JobFormat::PlainText);
    EXPECT_NE(Detect(") HP-PCL XL;2;0"), PclXl);  // no line end within reach
}

TEST(DetectorEvidence, ZjStreamBehindPjlThatNamesNoLanguage) {
    // foo2zjs's header for the LaserJet 1018/1020 and P1102 families.
    std::string job = kPjlHeader + "@PJL SET JOBATTR=\"JobAttr4=20261207\"" + std::string(1, '\0') + UEL + "JZJZ" +
        std::string("\0\0\0\x34", 4);
    DetectedJob d = Identify(job);
    EXPECT_EQ(d.language, ZjStream);
    EXPECT_EQ(job.substr(d.start, 4), "JZJZ");
    EXPECT_EQ(Detect(UEL + "ZJZJ" + std::string(16, '\0')), ZjStream);
}

TEST(DetectorEvidence, HpglPlotsInEveryDialect) {
    struct Case {
        std::string plot;
        size_t start;  // where the plot's commands begin
    };
    const Case cases[] = {
        {"IN;SP1;PA0,0;PD100,100;", 0},
        {ESC + ".(;" + ESC + ".I81;;17:" + ESC + ".N;19:IN;SP1;PU0,0;", 21},  // device control first
        {"\x03"
         "IN;SP1;PA0,0;",
         1},                                                   // an ETX
        {std::string(64, '\0') + "IN;SP1;PU0,0;", 64},         // NUL padding
        {"INCA2IP0,0,10300,7650DI0,1SP2PU0,0PD100,100", 0},    // no semicolons at all
        {"PS 7910 10830\r\nIN\r\nSP 1\r\nPA 100 200\r\n", 0},  // spaces, a command a line
        {"in;sp1;pa100,100;pd200,200;", 0},                    // lower case
        {"BP;IN;PS10668;", 0},
        {"DF;SP1;", 0},  // short, and ends there
        {"CO\"made by hand\";IN;", 0},
        {"IW0,0,1000,1000;SP2;PR10,10;", 0},
        {"INROIPIW;\nSC0,18,0,18;\nPU2,2;\nPD16,2;\n", 0},  // parameterless commands back to back
        {"CA5;CS0;DI1,0;LBlabel\x03", 0},                   // classic HP-GL labels
        {"OP;SP1;PU;", 0},
        {"\r\n  BP;IN;PS10668;", 4},
        {"SP1;PE<=abc;PU;", 0},                    // an encoded polyline
        {"IN;DT#;LBtext;with;semicolons#PU;", 0},  // a label to its own terminator
        {"IN;WDPLOT 7 OF 9\x03SM*PU;", 0},         // a display message and a symbol
    };
    for (const Case& c : cases) {
        DetectedJob d = Identify(c.plot);
        EXPECT_EQ(d.format, JobFormat::HpglPlot) << c.plot;
        EXPECT_EQ(d.language, Pcl5) << c.plot;
        EXPECT_LE(d.start, c.start) << c.plot;
        EXPECT_GE(d.start + 2, c.start) << c.plot;  // device-control leftovers may be passed or not
    }
    // A plot behind PJL that enters HP-GL/2 keeps its language code and is read from its first command.
    std::string pjl = UEL + "@PJL ENTER LANGUAGE=HPGL2\r\n";
    DetectedJob d = Identify(pjl + "IN;SP1;PA0,0;PD10,10;");
    EXPECT_EQ(d.language, Pcl5);
    EXPECT_EQ(d.format, JobFormat::HpglPlot);
    EXPECT_EQ(d.start, pjl.size());
    // An HP-GL/2 printer job that is PCL5 with HP-GL/2 inside stays PCL5.
    EXPECT_EQ(Identify(pjl + ESC + "E" + ESC + "%0BIN;").format, JobFormat::Pcl5);
    // ESC%-1B at the start is a PCL5 rule.
    EXPECT_EQ(Identify(ESC + "%-1BIN;SP1;").format, JobFormat::Pcl5);
}

// Text that is no printer language is printed as a PCL printer prints it: that of letters and
// print controls that no plotter would take for its commands.
TEST(DetectorEvidence, PlainTextIsPrintedAndImagesAndJunkStayUnknown) {
    for (const std::string& text : {
             std::string("IN the beginning was the word"),
             std::string("In a hole in the ground there lived a hobbit."),
             std::string("Dear Sir,\r\nPlease find enclosed the invoice.\r\n\f"),
             std::string("PA,PD,PU\n1,2,3\n4,5,6\n"),
             std::string("PS: see you at 10"),
             std::string("DR. SMITH"),
             std::string("LBno terminator here"),
             std::string("name,value\nalpha,1\nbeta,2\n"),
             std::string("#!/bin/sh\necho hello\n"),
             std::string("Total\t12.50\b\b\b\b\b_____\r\n\x1A"),  // DOS: tabs, overstrikes, end-of-file mark
             kPjlHeader + "A letter after a header that names no language.\r\n",
         }) {
        DetectedJob d = Identify(text);
        EXPECT_EQ(d.format, JobFormat::PlainText) << text;
        EXPECT_EQ(d.language, Pcl5) << text;
    }
    for (const std::string& binary : {
             std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
             std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11),
             std::string("GIF89a\x01\0\x01\0"),
             std::string("PK\x03\x04\x14\0\0\0word/document.xml"),
             std::string("Text with a bell\a in it"),
             std::string("Text\x7F"),
             std::string("---- ... ----\r\n"),  // no letter or digit at all
             std::string("Sp1;pu;"),            // nor a space or a line end: no text, nor a plot
             std::string("IN;"),
             std::string("PA"),
             std::string("XY;IN;"),
             std::string(),
             std::string(1, '\0'),
             std::string(100, '\0'),
             kPjlHeader,
             UEL,
         })
        EXPECT_EQ(Identify(binary).format, JobFormat::Unknown) << binary;
    // Deterministic junk: nothing is claimed.
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string junk(200 + round, '\0');
        for (char& c : junk) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
        if (junk[0] == 0x1B || junk[0] == 0) junk[0] = 'x';  // an escape or a zero at the start are rules of their own
        DetectedJob d = Identify(junk);
        EXPECT_FALSE(JobFormatIsDrawn(d.format)) << round;
    }
    // A PDF and PostScript are named, and neither is drawn.
    DetectedJob pdf = Identify("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj");
    EXPECT_EQ(pdf.format, JobFormat::Pdf);
    EXPECT_EQ(pdf.language, Unknown);
    EXPECT_EQ(Detect("%!PS\n/Times-Roman findfont"), PostScript);
    EXPECT_EQ(Detect(std::string("\x04") + "%!PS-Adobe-3.0\n"), PostScript);
}

TEST(DetectorEvidence, LanguagesThatAreNamedButNotDrawn) {
    struct Case {
        std::string job;
        JobFormat format;
    };
    const Case cases[] = {
        {UEL + "@PJL ENTER LANGUAGE = PDF\r\n%PDF-1.4", JobFormat::Pdf},
        {UEL + "@PJL ENTER LANGUAGE=LAVAFLOW\n" + ESC + "E" + ESC + "&l0S", JobFormat::LavaFlow},  // not PCL5
        {UEL + "@PJL\r\n@PJL ENTER LANGUAGE=HIPERC\r\n" + std::string(8, '\0'), JobFormat::Hiperc},
        {UEL + "@PJL ENTER LANGUAGE=HBPL\r\n" + ESC + "JP<", JobFormat::Hbpl},
        {UEL + "@PJL ENTER LANGUAGE=XPS\r\nPK\x03\x04", JobFormat::Xps},
        {std::string("PK\x03\x04\x14\0\0\0Documents/1/Pages/1.fpage", 34), JobFormat::Xps},
        {kPjlHeader + ",XQX" + std::string(8, '\0'), JobFormat::Xqx},
        {std::string("OAKT") + std::string(8, '\0'), JobFormat::Oakt},
        {std::string("\xA5SLX\0\0\0\xAC", 8), JobFormat::Slx},
        {std::string("\0\x2A\x08"
                     "metafile\0",
                     12),
         JobFormat::Cgm},  // binary CGM: BEGIN METAFILE "metafile"
        {kPjlHeader + "BEGMF 'drawing';", JobFormat::Cgm},
        {kPjlHeader + "%!PS-Adobe-3.0", JobFormat::PostScript},
    };
    for (const Case& c : cases) {
        DetectedJob d = Identify(c.job);
        EXPECT_EQ(d.format, c.format) << c.job;
        EXPECT_FALSE(JobFormatIsDrawn(d.format)) << c.job;
    }
    // Languages the header rules know keep their codes, and their names.
    EXPECT_EQ(Identify(Pad(UEL + "@PJL ENTER LANGUAGE=QPDL\n")).format, JobFormat::Qpdl);
    DetectedJob gui = Identify(Pad(UEL + "@PJL ENTER LANGUAGE=PCL3GUI\n" + ESC + "E"));
    EXPECT_EQ(gui.language, Pcl5);
    EXPECT_EQ(gui.format, JobFormat::Pcl3Gui);
    EXPECT_TRUE(JobFormatIsDrawn(JobFormat::Pcl3Gui));
    EXPECT_STREQ(JobFormatName(JobFormat::PostScript), "PostScript");
    EXPECT_STREQ(JobFormatName(JobFormat::PclXl), "PCL XL");
    EXPECT_TRUE(JobFormatIsDrawn(JobFormat::HpglPlot));
    EXPECT_FALSE(JobFormatIsDrawn(JobFormat::Unknown));
}

TEST(DetectorEvidence, LooksNoFurtherThanItsWindow) {
    // Evidence past 64 KiB is not looked for.
    EXPECT_EQ(Detect(std::string(kEvidenceWindow, ' ') + ESC + "E" + ESC + "&l0O"), Unknown);
    EXPECT_EQ(Detect(std::string(kEvidenceWindow - 16, ' ') + ESC + "&l0O" + ESC + "E"), Pcl5);
    // A PJL line that does not end within the window hides what follows.
    EXPECT_EQ(Detect(UEL + "@PJL COMMENT " + std::string(kEvidenceWindow, 'x') + "\n" + ESC + "E"), Unknown);
    // Every prefix of a real-looking job gives an answer, reading nothing beyond it (the sanitizers watch).
    std::string job = kPjlHeader + ESC + ".(;" + ") HP-PCL XL;2;0\n" + kXlSession;
    for (size_t n = 0; n <= job.size(); ++n) {
        std::vector<uint8_t> copy(job.begin(), job.begin() + static_cast<long>(n));
        IdentifyPrintJob(copy.data(), copy.size());
    }
}

class DetectorRealDrivers : public TempDirTest {};

TEST_F(DetectorRealDrivers, Foo2zjsFamilyJobsAreNamedOrOpened) {
    // The host-based languages foo2zjs's sibling drivers write, each around a blank 640 x 480 page.
    std::string head = "P4\n640 480\n";
    Bytes pbm(head.begin(), head.end());
    pbm.resize(pbm.size() + 80 * 480, 0);
    std::string page = Write("page.pbm", pbm);
    struct Case {
        const char* tool;
        JobFormat format;
    };
    const Case cases[] = {
        {"foo2lava", JobFormat::LavaFlow},    {"foo2qpdl", JobFormat::Qpdl},
        {"foo2oak", JobFormat::Oakt},         {"foo2slx", JobFormat::Slx},
        {"foo2xqx", JobFormat::Xqx},          {"foo2hiperc", JobFormat::Hiperc},
        {"foo2hbpl2", JobFormat::Hbpl},       {"foo2hp", JobFormat::ZjStream},
        {"foo2zjs -z1", JobFormat::ZjStream}, {"foo2zjs -z2", JobFormat::ZjStream},
        {"foo2zjs -z3", JobFormat::ZjStream},
    };
    for (const Case& c : cases) {
        std::string tool = c.tool;
        if (!HaveTool(tool.substr(0, tool.find(' ')).c_str())) GTEST_SKIP() << tool << " not installed";
        std::string out = dir_ + "jobs/out.prn";
        ASSERT_EQ(std::system((tool + " -g640x480 < " + page + " > " + out + " 2>/dev/null").c_str()), 0) << tool;
        Bytes job = ReadFileBytes(out);
        EXPECT_EQ(IdentifyPrintJob(job.data(), job.size()).format, c.format) << tool;
    }
}

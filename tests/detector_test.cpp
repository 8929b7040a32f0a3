#include "language_detector.h"

#include <gtest/gtest.h>

#include <string>

namespace {
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
    EXPECT_EQ(Detect(std::string("\0\0\1\0" "ZJZJ", 8)), NtEmfSpool);
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
    EXPECT_EQ(Detect(ESC + "E"), Unknown);  // two bytes: the ESC tests need three
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
    // Under 21 bytes there is no scan.
    EXPECT_EQ(Detect("%!PS-Adobe-3.0 abcde"), Unknown);
    EXPECT_EQ(Detect("%!PS-Adobe-3.0 abcdef"), PostScript);
    // A header line starting in the last 20 bytes is not found.
    EXPECT_EQ(Detect(std::string(30, ' ') + "%!PS-Adobe" + std::string(10, ' ')), Unknown);
    EXPECT_EQ(Detect(std::string(30, ' ') + "%!PS-Adobe" + std::string(11, ' ')), PostScript);
    // Values and '=' cut off at the end of the data.
    EXPECT_EQ(Detect(std::string(10, ' ') + "@PJL ENTER LANGUAGE ="), Unknown);
    EXPECT_EQ(Detect(std::string(10, ' ') + "@PJL ENTER LANGUAGE=PC"), Unknown);
    EXPECT_EQ(Detect("@EJL SE LA=ESC/PAG" + std::string(3, ' ')), Unknown);
}

TEST(DetectorScan, LanguageHintAtTheVeryEndStopsTheScan) {
    // The hint moves the scan 21 bytes on, to the end of the data; the scan must stop there.
    EXPECT_EQ(Detect(std::string("\0\0\0~", 4) + "@PJL SET LANGUAGEHINT"), Unknown);
    EXPECT_EQ(Detect("@PJL SET LANGUAGEHINT"), Unknown);
}

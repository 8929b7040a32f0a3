// Writes seed inputs for the fuzz targets: a recorded page, a spool file,
// ZjStream jobs (plain and banded), a JBIG image, PCL5 jobs, HP-GL/2 plots
// and PCL XL jobs, some under the job-control headers drivers write.
//   make-fuzz-seeds DIR
#include "sample_job.h"
#include "pclxl_job.h"
#include "zjs_job.h"

#include <algorithm>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    Bytes page = RecordSamplePage("", 1);
    BiLevelImage image = SamplePageImage(200, 120);
    std::string pcl =
        "\x1B%-12345X@PJL SET PAPERLENGTH=15840\r\n@PJL ENTER LANGUAGE=PCL\r\n\x1B"
        "E\x1B&l26a0O"
        "\x1B(s16602T\x1B(s12V\x1B*p300x400YHello\r\x1B*b3m5W\1\2\3\4\5\x1B%1BIN;SP1;PD10,10;"
        "LBtext\3\x1B%0A\x1B*r1A\x1B*b2M\x1B*b3W\xFE\xAA\x00\x1B*b3M\x1B*b2W\x21\x99\x1B*b10Y"
        "\x1B*rC\x1B*c3D\x1B)s64W" +
        std::string("\0\x40\0", 3) + std::string(31, '\0') + "\0\x78" + std::string(28, '\0') +
        "\x1B*c65E\x1B(s20W\x04\0\x0E\x02\0\0\0\0\0\x10\0\x10\0\x04\0\x50"
        "\x01\x02\x04\x05" +
        "AA\x1B&t31P\x82\xA0\f";
    // A TrueType soft font whose global segment holds a one-table directory, and one glyph.
    std::string gt = std::string("\0\1\0\0\0\1\0\0\0\0\0\0", 12) + "head" + std::string(4, '\0') +
        std::string("\0\0\0\x1C\0\0\0\x36", 8) + std::string(54, '\0');
    std::string ttHeader = std::string("\0\x48\x0F", 3) + std::string(69, '\0') + "GT" +
        std::string{static_cast<char>(gt.size() >> 8), static_cast<char>(gt.size())} + gt + "\xFF\xFF\0\0";
    std::string glyph = std::string("\0\1\0\0\0\0\0\0\0\0\0\2\0\0\1\0\1\0\0\0\x1E\0\x1E\0\0\0\x1E\xFF\xE2", 29);
    std::string ttChar =
        std::string("\x0F\0\x02\0", 4) + std::string{0, static_cast<char>(glyph.size())} + "\0\x07" + glyph;
    std::string truetype =
        "\x1B"
        "E\x1B&l26a0O\x1B*c5D\x1B)s" +
        std::to_string(ttHeader.size()) + "W" + ttHeader + "\x1B*c65E\x1B(s" + std::to_string(ttChar.size()) + "W" +
        ttChar + "\x1B*p300x300YAAA\f";
    std::string plot =
        "IN;IP0,0,4000,4000;SC0,100,0,100;SP2;PW0.5;LT2,4;PA10,10;PD50,10,50,50;PU;RO90;PR5,5;"
        "PM0;PD10,20,20,20;PM1;CI5;PM2;FT3,2,45;FP;EP;FT10,30;RA60,60;EA70,70;WG10,0,90;EW5,45,-90;"
        "AA30,30,120;AT40,50,60,30;BZ1,2,3,4,5,6;BR1,1,2,2,3,3;PE<=\xC1\xC2>\xC1:\xC2\x3F\xC0;"
        "SM*PA1,1;SM;DT#;SI0.2,0.3;LO5;LBlabel#SR;SD2,1,4,12,7,4101;LBtext#RF1,4,4,1,0,0,1;FT11,1;RR5,5;"
        "UL1,10,5;LT1;LA1,2,2,3,3,5;NP4;PC2,0,0,255;SP2;";
    // HP's inkjet raster: black dots and colour components, each in its own method.
    static const char inkjetBytes[] =
        "\x1B"
        "E\x1B*r16S\x1B*g20W\x06\x1F\0\x02\x02\x58\x01\x2C\x09\0\x01\x01\x01\x2C\x01\x2C\x0A\x01\x20\x01"
        "\x1B*r1A\x1B*b3V\x01\xF0\x0F\x1B*b4W\x86\x7F\x80\0\x1B*b0V\x1B*b0W\x1B*b1Y\x1B*b2W\x40\x80\x1B*rC\f";
    std::string inkjet(inkjetBytes, sizeof inkjetBytes - 1);
    ZjsJobOptions little, banded;
    little.bigEndian = false;
    banded.bandRows = 50;
    // Jobs as drivers frame them: PJL that names no language, a plot of a plotter's dialect, PCL XL under Brother's
    // header.
    std::string uel = "\x1B%-12345X", pjl = uel + "@PJL JOB\r\n@PJL SET RESOLUTION=600\r\n";
    Bytes zjsBehindPjl(pjl.begin(), pjl.end()), xl = MakePclXlJob(1);
    Bytes zjs = MakeZjsJob({image}, banded);
    zjsBehindPjl.insert(zjsBehindPjl.end(), zjs.begin(), zjs.end());
    std::string dialect = "\x1B.(;\x1B.I81;;17:INCA2IP0,0,10300,7650DI0,1SP2PU0,0PD100,100\r\nps 7910 10830\r\nlbA\x03";
    std::string brother = uel + ") BROTHER XL2HB;1;0\n";
    Bytes xlBrother(brother.begin(), brother.end());
    // The sample PCL XL job's stream after its two header lines.
    auto body = xl.begin();
    for (int line = 0; line < 2; ++line) body = std::find(body, xl.end(), '\n') + 1;
    xlBrother.insert(xlBrother.end(), body, xl.end());
    bool ok = WriteFileBytes(dir + "/page.emf", page) && WriteFileBytes(dir + "/job.spl", WrapInSpool({page, page})) &&
        WriteFileBytes(dir + "/job.zjs", MakeZjsJob({image, image})) &&
        WriteFileBytes(dir + "/little.zjs", MakeZjsJob({image}, little)) &&
        WriteFileBytes(dir + "/page.jbg", EncodeJbig(image)) &&
        WriteFileBytes(dir + "/job.pcl", Bytes(pcl.begin(), pcl.end())) &&
        WriteFileBytes(dir + "/truetype.pcl", Bytes(truetype.begin(), truetype.end())) &&
        WriteFileBytes(dir + "/inkjet.pcl", Bytes(inkjet.begin(), inkjet.end())) &&
        WriteFileBytes(dir + "/plot.hpgl", Bytes(plot.begin(), plot.end())) &&
        WriteFileBytes(dir + "/job.pxl", MakePclXlJob(2)) && WriteFileBytes(dir + "/banded.zjs", zjsBehindPjl) &&
        WriteFileBytes(dir + "/dialect.plt", Bytes(dialect.begin(), dialect.end())) &&
        WriteFileBytes(dir + "/brother.pxl", xlBrother);
    return ok ? 0 : 1;
}

#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <set>

namespace {
// Reads a page number of at most nine digits at `pos`.
bool readNumber(const std::string& text, size_t& pos, size_t& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && pos - start < 9)
        value = value * 10 + static_cast<size_t>(text[pos++] - '0');
    return pos > start && (pos == text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])));
}

// The page-number conversion of a name: where it starts and ends, and its zero-padded width.
struct Conversion {
    size_t start = std::string::npos, end = 0;
    int width = 0;
};

bool findConversion(const std::string& name, Conversion& c, std::string& error) {
    int found = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') continue;
        if (i + 1 < name.size() && name[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool zero = j < name.size() && name[j] == '0';
        if (zero) ++j;
        int width = 0;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j])) && width < 100)
            width = width * 10 + (name[j++] - '0');
        if (j >= name.size() || (name[j] != 'd' && name[j] != 'i' && name[j] != 'u') || width > 20) {
            error = "the output name " + name + " has a '%' that is not a page number (%d, %03d) or %%";
            return false;
        }
        if (++found > 1) {
            error = "the output name " + name + " has more than one page number";
            return false;
        }
        c.start = i, c.end = j + 1, c.width = zero ? width : 0;
        if (!zero && width > 0) c.width = -width;  // padded with spaces
        i = j;
    }
    return true;
}

std::string lowered(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}
}  // namespace

bool ParseCommandLine(int argc, char** argv, HostOptions& o, std::string& error) {
    bool options = true;  // until "--"
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!options || a == "-" || a.empty() || a[0] != '-') {
            o.jobs.push_back(a);
            continue;
        }
        if (a == "--") {
            options = false;
            continue;
        }
        // GNU forms: --name=value, and -oFILE or -r300 for the short options that take a value.
        std::optional<std::string> inline_;
        if (a.rfind("--", 0) == 0) {
            if (size_t eq = a.find('='); eq != std::string::npos) inline_ = a.substr(eq + 1), a.resize(eq);
        } else if (a.size() > 2 && (a[1] == 'o' || a[1] == 'r')) {
            inline_ = a.substr(2), a.resize(2);
        }
        bool used = false;
        auto value = [&](std::string& into) {
            used = true;
            if (inline_) {
                into = *inline_;
                return true;
            }
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        std::string text;
        if (a == "-o" || a == "--output") {
            if (!value(o.output)) return false;
        } else if (a == "--output-dir") {
            if (!value(o.outputDir)) return false;
        } else if (a == "--all-pages") {
            if (!value(o.pngDir)) return false;
        } else if (a == "--keep-emf") {
            if (!value(o.emfDir)) return false;
        } else if (a == "--plugin") {
            if (!value(o.plugin)) return false;
        } else if (a == "--pages") {
            if (!value(o.pages)) return false;
            std::vector<PageRange> ranges;
            if (!ParsePageRanges(o.pages, ranges)) {
                error = "cannot read the page list '" + o.pages + "' (for example 2-5,8 or 3-)";
                return false;
            }
        } else if (a == "-r" || a == "--resolution") {
            if (!value(text)) return false;
            size_t pos = 0, dpi = 0;
            if (!readNumber(text, pos, dpi) || pos != text.size() || dpi < kMinResolution || dpi > kMaxResolution) {
                error = "the resolution must be a whole number of dots per inch from " +
                    std::to_string(kMinResolution) + " to " + std::to_string(kMaxResolution);
                return false;
            }
            o.resolution = static_cast<int>(dpi);
            o.resolutionGiven = true;
        } else if (a == "--format") {
            if (!value(text)) return false;
            text = lowered(text);
            if (!ParseOutputFormat(text, o.format)) {
                error = "unknown format " + text + " (png, pdf, svg, pbm, pgm, ppm, tiff or jpeg)";
                return false;
            }
            o.formatGiven = true;
        } else if (a == "--size") {
            if (!value(text)) return false;
            size_t pos = 0, w = 0, h = 0;
            bool ok = readNumber(text, pos, w) && pos < text.size() && (text[pos] == 'x' || text[pos] == 'X');
            ++pos;
            if (!ok || !readNumber(text, pos, h) || pos != text.size() || w < 1 || h < 1 || w > kMaxBoxSide ||
                h > kMaxBoxSide) {
                error = "the size must be WIDTHxHEIGHT in pixels, each from 1 to " + std::to_string(kMaxBoxSide);
                return false;
            }
            o.boxWidth = static_cast<int>(w), o.boxHeight = static_cast<int>(h);
        } else if (a == "--paper") {
            if (!value(text)) return false;
            std::string upper;
            for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            static const std::set<std::string> kPapers = {"LETTER", "LEGAL", "EXECUTIVE", "LEDGER", "A3",   "A4",
                                                          "A5",     "A6",    "B4",        "B5",     "COM10"};
            if (!kPapers.count(upper)) {
                error = "unknown paper " + text + " (letter, legal, executive, ledger, A3, A4, A5, A6, B4, B5, COM10)";
                return false;
            }
            o.pjl.push_back("SET PAPER=" + upper);
        } else if (a == "--pjl") {
            if (!value(text)) return false;
            if (text.empty() || text.find_first_of("\r\n\x1B") != std::string::npos) {
                error = "--pjl takes one PJL command without line ends, as in 'SET PAPER=LETTER'";
                return false;
            }
            o.pjl.push_back(text.rfind("@PJL", 0) == 0 ? text.substr(4 + (text.size() > 4 && text[4] == ' ')) : text);
        } else if (a == "--gray" || a == "--grey") {
            o.look = o.look == Look::Mono ? Look::Mono : Look::Gray;
        } else if (a == "--mono") {
            o.look = Look::Mono;
        } else if (a == "--crop") {
            o.crop = true;
        } else if (a == "--no-antialias") {
            o.antialias = false;
        } else if (a == "--language") {
            if (!value(text)) return false;
            text = lowered(text);
            static const std::pair<const char*, JobFormat> kLanguages[] = {{"spool", JobFormat::NtEmfSpool},
                                                                           {"pcl5", JobFormat::Pcl5},
                                                                           {"pclxl", JobFormat::PclXl},
                                                                           {"hpgl", JobFormat::HpglPlot},
                                                                           {"zjs", JobFormat::ZjStream}};
            o.language = JobFormat::Unknown;
            for (const auto& [name, format] : kLanguages)
                if (text == name) o.language = format;
            if (o.language == JobFormat::Unknown) {
                error = "unknown language " + text + " (spool, pcl5, pclxl, hpgl or zjs)";
                return false;
            }
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "--json") {
            o.json = o.info = true;
        } else {
            error = "unknown option " + std::string(argv[i]);
            return false;
        }
        if (inline_ && !used) {
            error = a + " takes no value";
            return false;
        }
    }
    if (o.help || o.version) return true;
    if (o.jobs.empty()) {
        error = "no job file given";
        return false;
    }
    if (std::count(o.jobs.begin(), o.jobs.end(), "-") > 1) {
        error = "standard input can be read once";
        return false;
    }
    if (o.info) return true;  // any number of jobs, nothing written
    if (o.jobs.size() > 1 && o.outputDir.empty()) {
        error = "several jobs need --output-dir, where each job's pictures are named after it";
        return false;
    }
    if (!o.outputDir.empty() && !o.output.empty()) {
        error = "-o and --output-dir do not go together";
        return false;
    }
    return true;
}

bool ParseOutputFormat(const std::string& name, OutputFormat& format) {
    static const std::pair<const char*, OutputFormat> kNames[] = {
        {"png", OutputFormat::Png},   {"pdf", OutputFormat::Pdf},  {"svg", OutputFormat::Svg},
        {"pbm", OutputFormat::Pbm},   {"pgm", OutputFormat::Pgm},  {"ppm", OutputFormat::Ppm},
        {"tiff", OutputFormat::Tiff}, {"tif", OutputFormat::Tiff}, {"jpeg", OutputFormat::Jpeg},
        {"jpg", OutputFormat::Jpeg}};
    for (const auto& [text, f] : kNames)
        if (name == text) {
            format = f;
            return true;
        }
    return false;
}

bool ParsePageRanges(const std::string& text, std::vector<PageRange>& ranges) {
    ranges.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        PageRange r;
        bool open = text[pos] == '-';
        if (!open && !readNumber(text, pos, r.first)) return false;
        if (pos < text.size() && text[pos] == '-') {
            ++pos;
            if (pos < text.size() && text[pos] != ',') {
                if (!readNumber(text, pos, r.last)) return false;
            } else if (open) {
                return false;  // "-" alone
            }
        } else {
            r.last = r.first;
        }
        if (r.first == 0 || (r.last != 0 && r.last < r.first)) return false;
        ranges.push_back(r);
        if (pos < text.size()) {
            if (text[pos] != ',' || pos + 1 == text.size()) return false;
            ++pos;
        }
    }
    return !ranges.empty();
}

std::vector<size_t> SelectPages(const std::vector<PageRange>& ranges, size_t count, std::vector<size_t>& lacking) {
    std::vector<size_t> pages;
    std::set<size_t> seen, missing;
    for (const PageRange& r : ranges) {
        size_t last = r.last == 0 ? count : std::min(r.last, count);
        for (size_t p = r.first; p <= last; ++p)
            if (seen.insert(p).second) pages.push_back(p - 1);
        // The first page of a range that the job lacks stands for the rest of it.
        if (r.first > count || (r.last != 0 && r.last > count)) missing.insert(std::max(r.first, count + 1));
    }
    lacking.assign(missing.begin(), missing.end());
    return pages;
}

bool HasPageNumber(const std::string& name, std::string& error) {
    Conversion c;
    error.clear();
    return findConversion(name, c, error) && c.start != std::string::npos;
}

std::string NameForPage(const std::string& name, size_t page) {
    Conversion c;
    std::string error;
    if (!findConversion(name, c, error) || c.start == std::string::npos) return unescape(name);
    std::string number = std::to_string(page);
    size_t width = static_cast<size_t>(std::abs(c.width));
    if (number.size() < width) number.insert(0, width - number.size(), c.width > 0 ? '0' : ' ');
    return unescape(name.substr(0, c.start)) + number + unescape(name.substr(c.end));
}

std::string UsageText() {
    return "usage: spoolsight [options] JOB...\n"
           "Shows printer job files (NT EMF spool, PCL5, HP-GL/2, PCL XL, ZjStream) as PNG, TIFF, JPEG\n"
           "or Netpbm pictures, PDF documents with searchable text, or SVG.\n"
           "\n"
           "  -o FILE            write to FILE (default page.png; - for standard output) in the format\n"
           "                     its extension names; a name with a page number such as page-%03d.png\n"
           "                     writes one file per page; a PDF holds every page\n"
           "  --format FORMAT    png, pdf, svg, pbm, pgm, ppm, tiff or jpeg, whatever the name's extension\n"
           "  -r DPI             resolution in dots per inch, 10 to 2400 (default 192, the viewer's picture)\n"
           "  --size WxH         each page fitted in a box of W x H pixels and drawn at that size\n"
           "  --paper PAPER      the paper of jobs that name none (letter, legal, A3, A4, A5, ...)\n"
           "  --pjl COMMAND      a PJL command put before the job, as in 'SET PAPER=LETTER' (repeatable)\n"
           "  --gray, --mono     in greys, or in black and white as a monochrome printer prints\n"
           "  --crop             the drawing's bounding box with a margin (for plots)\n"
           "  --no-antialias     dots as a printer lays them, without smoothed edges\n"
           "  --language LANG    read the job as spool, pcl5, pclxl, hpgl or zjs, whatever it looks like\n"
           "  --pages LIST       pages to write, e.g. 2-5,8 or 3- (default: the first page, or\n"
           "                     every page for a name with a page number)\n"
           "  --output-dir DIR   write each job's pictures to DIR, named after the job file\n"
           "  --all-pages DIR    write every page as DIR/page-NNNN.png\n"
           "  --keep-emf DIR     copy the page metafiles to DIR/page-NNNN.emf\n"
           "  --plugin LIB       draw the first page at 192 dpi through this plug-in library, as a viewer does\n"
           "  --info             describe each job (language, pages, PJL, spool DEVMODE, ZjStream items,\n"
           "                     PCL XL session) instead of drawing it; --json as one JSON object a job\n"
           "  -q, --quiet        no progress messages\n"
           "  -h, --help         this text\n"
           "  --version          the program's version\n"
           "\n"
           "Options take their values as --name=value too, and -r300 or -oFILE; -- ends the options.\n"
           "JOB may be - for standard input. What could not be read or written is told on standard\n"
           "error, a line each. Exit status: 0 every requested page written whole, 1 the job cannot be\n"
           "read or has no page, 2 a usage error, 3 some pages are incomplete or could not be written.\n";
}

#include "job_info.h"

#include "convert_print_job.h"
#include "gdi.h"
#include "kernel.h"
#include "language_detector.h"
#include "mapped_file.h"
#include "spool_records.h"
#include "zjs_name_tables.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

namespace {
// Job-control headers are a few kilobytes; their lines are read this far at most.
constexpr size_t kHeaderWindow = 64 * 1024;
constexpr size_t kMaxItems = 256;  // of each kind, however many a job has

struct View {
    const uint8_t* data;
    size_t size;
    bool has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    uint32_t le32(size_t at) const {
        return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t{data[at + 3]} << 24;
    }
    uint16_t le16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
    uint32_t be32(size_t at) const {
        return uint32_t{data[at]} << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
    }
    uint16_t be16(size_t at) const { return static_cast<uint16_t>(data[at] << 8 | data[at + 1]); }
};

// Control characters a job carries in its texts are left out.
std::string printable(std::string s) {
    s.erase(
        std::remove_if(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
        s.end());
    return s;
}

void add(InfoItems& items, std::string name, std::string value) {
    if (items.size() < kMaxItems) items.emplace_back(printable(std::move(name)), printable(std::move(value)));
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// "@PJL SET PAPER = A4", "@PJL JOB NAME = "x"", "@PJL ENTER LANGUAGE=PCLXL", "@EJL ...".
void readPjl(const View& v, InfoItems& items) {
    size_t at = 0, end = std::min(v.size, kHeaderWindow);
    while (at < end) {
        if (v.data[at] == 0x1B && v.has(at, 9) && std::memcmp(v.data + at, "\x1B%-12345X", 9) == 0) {
            at += 9;
            continue;
        }
        if (v.data[at] == '\r' || v.data[at] == '\n' || v.data[at] == ' ' || v.data[at] == 0 || v.data[at] == 4) {
            ++at;
            continue;
        }
        if (!v.has(at, 4) || (std::memcmp(v.data + at, "@PJL", 4) != 0 && std::memcmp(v.data + at, "@EJL", 4) != 0))
            return;
        // A line ends at its line end, or where a NUL or a universal exit cuts it short (foo2zjs
        // writes the ZjStream right after a NUL that ends its last line).
        size_t eol = at;
        while (eol < end && v.data[eol] != '\n' && v.data[eol] != 0 && v.data[eol] != 0x1B) ++eol;
        std::string line = trim(std::string(reinterpret_cast<const char*>(v.data + at + 4), eol - at - 4));
        at = eol < end && v.data[eol] == '\n' ? eol + 1 : eol;
        std::string upper = line;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::string command = upper.substr(0, upper.find(' '));
        std::string rest = trim(line.substr(std::min(line.size(), command.size())));
        if (command == "SET" || command == "DEFAULT") {
            size_t eq = rest.find('=');
            if (eq != std::string::npos) add(items, trim(rest.substr(0, eq)), trim(rest.substr(eq + 1)));
        } else if (command == "JOB" || command == "ENTER" || command == "EOJ") {
            size_t eq = rest.find('=');
            std::string name = eq == std::string::npos ? rest : trim(rest.substr(0, eq));
            if (!name.empty()) name.insert(0, command + " ");
            add(items, name.empty() ? command : name, eq == std::string::npos ? "" : trim(rest.substr(eq + 1)));
        } else if (command == "COMMENT") {
            add(items, "COMMENT", rest);
        } else if (!command.empty()) {
            add(items, command, rest);
        }
    }
}

// A zero-ended UTF-16 text of at most `maxUnits` units, as UTF-8.
std::string utf16z(const View& v, size_t at, size_t maxUnits) {
    std::string out;
    for (size_t k = 0; k < maxUnits && v.has(at + 2 * k, 2); ++k) {
        char32_t c = v.le16(at + 2 * k);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && k + 1 < maxUnits && v.has(at + 2 * k + 2, 2)) {
            char32_t low = v.le16(at + 2 * k + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), ++k;
        }
        AppendUtf8(c, out);
    }
    return out;
}

// The spool header's document name and port, and the first DEVMODE record's fields.
void readSpool(const View& v, InfoItems& items) {
    if (!v.has(0, 16)) return;
    uint32_t headerSize = v.le32(4), docName = v.le32(8), output = v.le32(12);
    if (docName && docName < v.size) add(items, "document", utf16z(v, docName, 256));
    if (output && output < v.size) add(items, "output", utf16z(v, output, 256));
    size_t at = std::max<size_t>(headerSize, 16);
    for (int records = 0; records < 4096 && v.has(at, 8); ++records) {
        uint32_t type = v.le32(at), size = v.le32(at + 4);
        if (type == spool::kDevmode && v.has(at + 8, std::min<size_t>(size, 104)) && size >= 104) {
            size_t d = at + 8;
            static const char* const paper[] = {"",         "Letter",    "Letter small", "Tabloid", "Ledger",
                                                "Legal",    "Statement", "Executive",    "A3",      "A4",
                                                "A4 small", "A5",        "B4",           "B5"};
            uint16_t orientation = v.le16(d + 76), paperSize = v.le16(d + 78), copies = v.le16(d + 86);
            uint16_t color = v.le16(d + 92), duplex = v.le16(d + 94);
            add(items, "device", utf16z(v, d, 32));
            add(items, "orientation",
                orientation == 2       ? "landscape"
                    : orientation == 1 ? "portrait"
                                       : std::to_string(orientation));
            add(items, "paper",
                paperSize < std::size(paper) && paperSize > 0 ? paper[paperSize] : std::to_string(paperSize));
            if (v.le16(d + 80) && v.le16(d + 82)) {
                char size[48];
                std::snprintf(size, sizeof size, "%.1f x %.1f mm", v.le16(d + 82) / 10.0, v.le16(d + 80) / 10.0);
                add(items, "paper size", size);
            }
            add(items, "copies", std::to_string(copies));
            add(items, "duplex",
                duplex == 2       ? "long edge"
                    : duplex == 3 ? "short edge"
                    : duplex == 1 ? "simplex"
                                  : std::to_string(duplex));
            add(items, "colour", color == 2 ? "colour" : color == 1 ? "monochrome" : std::to_string(color));
            return;
        }
        if (size == 0 && type == 0) return;
        at += 8 + static_cast<size_t>(size);
    }
}

// The items of the document's start chunk and of the first page's.
void readZjs(const View& v, size_t start, InfoItems& items) {
    if (!v.has(start, 4)) return;
    bool big = std::memcmp(v.data + start, "JZJZ", 4) == 0;
    auto u32 = [&](size_t at) { return big ? v.be32(at) : v.le32(at); };
    auto u16 = [&](size_t at) { return big ? v.be16(at) : v.le16(at); };
    const ZjsNameTables& names = BuildZjsNameTables();
    size_t at = start + 4;
    for (int chunks = 0; chunks < 4096 && v.has(at, 16); ++chunks) {
        uint32_t size = u32(at), type = u32(at + 4), count = u32(at + 8);
        if (size < 16 || !v.has(at, size)) return;
        if (type == ZJT_START_DOC || type == ZJT_START_PAGE) {
            const char* chunkName = type == ZJT_START_DOC ? "document" : "page 1";
            size_t item = at + 16;
            for (uint32_t k = 0; k < count && item + 8 <= at + size; ++k) {
                uint32_t itemSize = u32(item);
                uint16_t code = u16(item + 4);
                uint8_t itemType = v.data[item + 6];
                if (itemSize < 8 || item + itemSize > at + size) break;
                const char* name = names.items.Find(code);
                std::string label = std::string(chunkName) + " " + (name ? name : "item " + std::to_string(code));
                // Values by the item's type: 1 unsigned, 2 signed 32-bit numbers, 3 text, else bytes.
                if ((itemType == 1 || itemType == 2) && itemSize >= 12) {
                    uint32_t value = u32(item + 8);
                    add(items, label,
                        itemType == 1 ? std::to_string(value) : std::to_string(static_cast<int32_t>(value)));
                } else if (itemType == 3) {
                    const char* text = reinterpret_cast<const char*>(v.data + item + 8);
                    add(items, label, std::string(text, strnlen(text, itemSize - 8)));
                } else {
                    add(items, label, std::to_string(itemSize - 8) + " bytes");
                }
                item += itemSize;
            }
            if (type == ZJT_START_PAGE) return;
        }
        at += size;
    }
}

// The stream header line, and the attributes BeginSession takes.
void readPclXl(const View& v, size_t start, InfoItems& items) {
    size_t eol = start;
    while (eol < v.size && eol - start < 256 && v.data[eol] != '\n') ++eol;
    if (eol >= v.size || v.data[eol] != '\n') return;
    add(items, "stream header", trim(std::string(reinterpret_cast<const char*>(v.data + start), eol - start)));
    bool big = v.data[start] == '(';
    auto num = [&](size_t at, int bytes) -> uint32_t {
        if (bytes == 1) return v.data[at];
        if (bytes == 2) return big ? v.be16(at) : v.le16(at);
        return big ? v.be32(at) : v.le32(at);
    };
    static const std::map<int, const char*> attributeNames = {
        {134, "Measure"}, {137, "UnitsPerMeasure"}, {143, "ErrorReport"}};
    static const char* const measures[] = {"inch", "millimetre", "tenth of a millimetre"};
    static const char* const reports[] = {"none",
                                          "back channel",
                                          "error page",
                                          "back channel and error page",
                                          "back channel (new)",
                                          "error page (new)",
                                          "both (new)"};
    std::vector<std::string> values;
    size_t at = eol + 1;
    for (int tags = 0; tags < 64 && at < v.size; ++tags) {
        uint8_t tag = v.data[at++];
        if (tag == 0x41) return;  // BeginSession: its attributes are read
        if (tag >= 0xC0 && tag <= 0xC5) {
            int bytes = tag == 0xC0 ? 1 : (tag == 0xC1 || tag == 0xC3) ? 2 : 4;
            if (!v.has(at, bytes)) return;
            uint32_t n = num(at, bytes);
            if (tag == 0xC3) values.push_back(std::to_string(static_cast<int16_t>(n)));
            else if (tag == 0xC4) values.push_back(std::to_string(static_cast<int32_t>(n)));
            else if (tag == 0xC5) {
                float f;
                std::memcpy(&f, &n, 4);
                values.push_back(std::to_string(f));
            } else values.push_back(std::to_string(n));
            at += bytes;
        } else if (tag >= 0xD0 && tag <= 0xD5) {
            int bytes = tag == 0xD0 ? 1 : (tag == 0xD1 || tag == 0xD3) ? 2 : 4;
            if (!v.has(at, 2 * bytes)) return;
            auto one = [&](size_t p) {
                uint32_t n = num(p, bytes);
                if (tag == 0xD3) return std::to_string(static_cast<int16_t>(n));
                if (tag == 0xD4) return std::to_string(static_cast<int32_t>(n));
                if (tag == 0xD5) {
                    float f;
                    std::memcpy(&f, &n, 4);
                    return std::to_string(f);
                }
                return std::to_string(n);
            };
            values.push_back(one(at) + " x " + one(at + bytes));
            at += 2 * bytes;
        } else if (tag == 0xF8 || tag == 0xF9) {
            int bytes = tag == 0xF8 ? 1 : 2;
            if (!v.has(at, bytes)) return;
            int id = static_cast<int>(num(at, bytes));
            at += bytes;
            std::string value = values.empty() ? "" : values.back();
            values.clear();
            auto it = attributeNames.find(id);
            if (id == 134 && value.size() == 1 && value[0] >= '0' && value[0] <= '2') value = measures[value[0] - '0'];
            if (id == 143 && value.size() == 1 && value[0] >= '0' && value[0] <= '6') value = reports[value[0] - '0'];
            add(items, it != attributeNames.end() ? it->second : "attribute " + std::to_string(id), value);
        } else if (tag == 0x20 || tag == 0x0A || tag == 0x0D || tag == 0x09 || tag == 0x00) {
            continue;  // white space between tags
        } else {
            return;
        }
    }
}

void readPages(const char* path, JobInfo& info) {
    PageList pages;
    if (!ConvertPrintJob(path, pages, SIZE_MAX, &info.problems)) return;
    for (const std::string& page : pages) {
        HENHMETAFILE emf = GetEnhMetaFileA(page.c_str());
        ENHMETAHEADER h{};
        if (emf && GetEnhMetaFileHeader(emf, sizeof h, &h) == sizeof h) {
            double w = (static_cast<double>(h.rclFrame.right) - h.rclFrame.left) / 100;
            double hgt = (static_cast<double>(h.rclFrame.bottom) - h.rclFrame.top) / 100;
            if (!(w > 0 && hgt > 0)) w = h.szlMillimeters.cx, hgt = h.szlMillimeters.cy;
            info.pages.push_back({w, hgt});
        }
        if (emf) DeleteEnhMetaFile(emf);
    }
    DeletePageFiles(pages);
}

std::string number(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    return b;
}

const char* orientation(const JobInfo::Page& p) { return p.widthMm > p.heightMm ? "landscape" : "portrait"; }

// The length of the well-formed UTF-8 sequence at `p` (at most `left` bytes), or 0.
size_t utf8Length(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || n > left) return 0;
    uint32_t u = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        u = u << 6 | (p[k] & 0x3F);
    }
    // No overlong forms, surrogates or code points past Unicode.
    static const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < least[n] || (u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) return 0;
    return n;
}

// Always valid UTF-8: a byte that begins no well-formed sequence stands for the Latin-1
// character of its value, escaped.
std::string jsonString(const std::string& s) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        unsigned char c = p[i];
        size_t n = utf8Length(p + i, s.size() - i);
        if (c == '"' || c == '\\') {
            out += '\\', out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || n == 0) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            out += b;
            n = 1;
        } else {
            out.append(s, i, n);
        }
        i += n;
    }
    return out + "\"";
}

// A value that is a number in JSON's own grammar is written as one; any other as a string.
std::string jsonValue(const std::string& v) {
    size_t i = 0, n = v.size();
    auto digits = [&] {
        size_t from = i;
        while (i < n && v[i] >= '0' && v[i] <= '9') ++i;
        return i - from;
    };
    if (i < n && v[i] == '-') ++i;
    size_t whole = i < n && v[i] == '0' ? (++i, 1) : digits();
    bool number = whole > 0 && (i == n || v[i] == '.' || v[i] == 'e' || v[i] == 'E');
    if (number && i < n && v[i] == '.') ++i, number = digits() > 0;
    if (number && i < n && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < n && (v[i] == '+' || v[i] == '-')) ++i;
        number = digits() > 0;
    }
    return number && i == n && n <= 24 ? v : jsonString(v);
}

// Items as an object in their first order; a name given more than once has all its values in
// an array.
std::string jsonObject(const InfoItems& items) {
    std::map<std::string, std::vector<std::string>> values;
    std::vector<std::string> order;
    for (const auto& [name, value] : items) {
        if (!values.count(name)) order.push_back(name);
        values[name].push_back(value);
    }
    std::string out = "{";
    for (size_t i = 0; i < order.size(); ++i) {
        const std::vector<std::string>& all = values[order[i]];
        out += (i ? ", " : "") + jsonString(order[i]) + ": ";
        if (all.size() == 1) {
            out += jsonValue(all[0]);
            continue;
        }
        out += "[";
        for (size_t k = 0; k < all.size(); ++k) out += (k ? ", " : "") + jsonValue(all[k]);
        out += "]";
    }
    return out + "}";
}
}  // namespace

bool DescribePrintJob(const char* path, JobInfo& info) {
    MappedFile file;
    if (!path || !file.Open(path)) return false;
    View v{file.data(), file.size()};
    DetectedJob detected = IdentifyPrintJob(v.data, v.size);
    info.format = detected.format;
    info.language = detected.format == JobFormat::Unknown ? "unknown" : JobFormatName(detected.format);
    readPjl(v, info.pjl);
    auto entered =
        std::find_if(info.pjl.begin(), info.pjl.end(), [](const auto& i) { return i.first == "ENTER LANGUAGE"; });
    if (detected.format == JobFormat::Unknown) info.evidence = "no language recognised";
    else if (entered != info.pjl.end()) info.evidence = "PJL ENTER LANGUAGE=" + entered->second;
    else if (detected.start > 0)
        info.evidence = "after a job-control header of " + std::to_string(detected.start) + " bytes";
    else info.evidence = "at the start of the file";
    switch (detected.format) {
    case JobFormat::NtEmfSpool: readSpool(v, info.spool); break;
    case JobFormat::ZjStream: {
        size_t start = detected.start;
        for (size_t at = start; at + 4 <= std::min(v.size, kHeaderWindow); ++at)
            if (std::memcmp(v.data + at, "JZJZ", 4) == 0 || std::memcmp(v.data + at, "ZJZJ", 4) == 0) {
                start = at;
                break;
            }
        readZjs(v, start, info.zjs);
        break;
    }
    case JobFormat::PclXl: {
        size_t start = detected.start;
        for (size_t at = start; at + 1 < std::min(v.size, kHeaderWindow); ++at)
            if ((v.data[at] == '(' || v.data[at] == ')') && v.has(at, 11) &&
                std::memcmp(v.data + at + 1, " HP-PCL XL", 10) == 0) {
                start = at;
                break;
            }
        readPclXl(v, start, info.pclxl);
        break;
    }
    default: break;
    }
    file.Close();
    if (JobFormatIsDrawn(detected.format)) readPages(path, info);
    return true;
}

std::string JobInfoText(const std::string& name, const JobInfo& info) {
    std::string out = name + ": " + info.language + " (" + info.evidence + ")\n";
    if (JobFormatIsDrawn(info.format))
        out += "  " + std::to_string(info.pages.size()) + " page" + (info.pages.size() == 1 ? "" : "s") + "\n";
    // Runs of pages of one size share a line.
    for (size_t i = 0, j; i < info.pages.size(); i = j) {
        const JobInfo::Page& p = info.pages[i];
        for (j = i + 1;
             j < info.pages.size() && info.pages[j].widthMm == p.widthMm && info.pages[j].heightMm == p.heightMm;)
            ++j;
        out += "  " +
            (j - i == 1 ? "page " + std::to_string(i + 1)
                        : "pages " + std::to_string(i + 1) + "-" + std::to_string(j)) +
            ": " + number(p.widthMm) + " x " + number(p.heightMm) + " mm, " + orientation(p) + "\n";
    }
    auto section = [&](const char* title, const InfoItems& items) {
        for (const auto& [key, value] : items)
            out.append("  ").append(title).append(" ").append(key).append(": ").append(value).append("\n");
    };
    section("PJL", info.pjl);
    section("spool", info.spool);
    section("ZjStream", info.zjs);
    section("PCL XL", info.pclxl);
    for (const JobProblem& p : info.problems) out += "  problem: " + JobProblemText(p) + "\n";
    return out;
}

std::string JobInfoJson(const std::string& name, const JobInfo& info) {
    std::string out = "{\"version\": " + std::to_string(kJobInfoJsonVersion) + ", \"file\": " + jsonString(name) +
        ", \"language\": " + jsonString(info.language) + ", \"evidence\": " + jsonString(info.evidence) +
        ", \"pages\": [";
    for (size_t i = 0; i < info.pages.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"width_mm\": " + number(info.pages[i].widthMm) +
            ", \"height_mm\": " + number(info.pages[i].heightMm) + ", \"orientation\": \"" +
            orientation(info.pages[i]) + "\"}";
    out += "], \"pjl\": " + jsonObject(info.pjl) + ", \"spool\": " + jsonObject(info.spool) +
        ", \"zjstream\": " + jsonObject(info.zjs) + ", \"pclxl\": " + jsonObject(info.pclxl) + ", \"problems\": [";
    for (size_t i = 0; i < info.problems.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"page\": " + std::to_string(info.problems[i].page) +
            ", \"message\": " + jsonString(info.problems[i].message) + "}";
    out += "]}";
    return out;
}

#include "job_evidence.h"

#include "hpgl_recogniser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {
constexpr uint8_t ETX = 0x03, CTRL_D = 0x04;
constexpr size_t kMaxHeaderLine = 256;  // a PCL XL stream header line

// The bytes of the job the evidence may look at.
class Window {
public:
    Window(const uint8_t* data, size_t size) : d(data), n(std::min(size, kEvidenceWindow)) {}
    bool Is(size_t p, std::string_view s) const {
        return p <= n && n - p >= s.size() && std::memcmp(d + p, s.data(), s.size()) == 0;
    }
    bool IsCaseless(size_t p, std::string_view s) const {
        if (p > n || n - p < s.size()) return false;
        for (size_t i = 0; i < s.size(); ++i)
            if (fold(d[p + i]) != fold(static_cast<uint8_t>(s[i]))) return false;
        return true;
    }
    // The first of `stops` at or after `p`, or the window's end.
    size_t Find(size_t p, std::string_view stops) const {
        while (p < n && stops.find(static_cast<char>(d[p])) == std::string_view::npos) ++p;
        return p;
    }
    bool Contains(std::string_view s) const { return std::search(d, d + n, s.begin(), s.end()) != d + n; }
    static uint8_t fold(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c; }

    const uint8_t* d;
    size_t n;
};

bool digit(uint8_t c) { return c >= '0' && c <= '9'; }

// Names that a PJL ENTER LANGUAGE line gives languages the header rules leave unnamed.
struct EnteredLanguage {
    std::string_view value;
    JobFormat format;
};
constexpr EnteredLanguage kEnteredLanguages[] = {
    {"PCL3GUI", JobFormat::Pcl3Gui},  {"PDF", JobFormat::Pdf},
    {"XPS", JobFormat::Xps},          {"POSTSCRIPT", JobFormat::PostScript},
    {"QPDL", JobFormat::Qpdl},        {"ESCPAGE", JobFormat::EscPage},
    {"ESC/PAGE", JobFormat::EscPage}, {"LAVAFLOW", JobFormat::LavaFlow},
    {"HIPERC", JobFormat::Hiperc},    {"HBPL", JobFormat::Hbpl},
    {"XQX", JobFormat::Xqx},
};

// The language a PJL line enters, when it is one named above.
JobFormat enteredLanguage(const Window& w, size_t line, size_t end) {
    constexpr std::string_view kEnter = "ENTER LANGUAGE";
    for (size_t p = line; p < end; ++p) {
        if (!w.IsCaseless(p, kEnter)) continue;
        size_t v = p + kEnter.size();
        while (v < end && (w.d[v] == ' ' || w.d[v] == '=')) ++v;
        size_t stop = v;
        while (stop < end && w.d[stop] > ' ' && w.d[stop] != ';') ++stop;
        for (const EnteredLanguage& e : kEnteredLanguages)
            if (stop - v == e.value.size() && w.IsCaseless(v, e.value)) return e.format;
        return JobFormat::Unknown;
    }
    return JobFormat::Unknown;
}

bool xlTag(uint8_t b) {
    return (b >= 0xC0 && b <= 0xC5) || (b >= 0xC8 && b <= 0xCD) || (b >= 0xD0 && b <= 0xD5) ||
        (b >= 0xE0 && b <= 0xE5) || (b >= 0xF8 && b <= 0xFB) ||
        b == 0x41;  // data types, attributes, embedded data, BeginSession
}

// A PCL XL stream header: a binding byte, a space and the stream's name on a
// line of its own. HP's name is PCL XL whatever follows; any other name is,
// when the line is followed by a PCL XL tag.
JobFormat xlHeader(const Window& w, size_t p) {
    if (p >= w.n || (w.d[p] != ')' && w.d[p] != '(' && w.d[p] != '\'') || !w.Is(p + 1, " ")) return JobFormat::Unknown;
    size_t name = p + 2;
    if (name >= w.n || !((w.d[name] >= 'A' && w.d[name] <= 'Z') || (w.d[name] >= 'a' && w.d[name] <= 'z')))
        return JobFormat::Unknown;
    const uint8_t* lf =
        static_cast<const uint8_t*>(std::memchr(w.d + name, '\n', std::min(w.n - name, kMaxHeaderLine)));
    if (!lf) return JobFormat::Unknown;
    size_t next = static_cast<size_t>(lf - w.d) + 1;
    if (w.IsCaseless(name, "HP-PCL XL")) return JobFormat::PclXl;
    if (next < w.n && xlTag(w.d[next])) return JobFormat::PclXl;
    if (w.IsCaseless(name, "BROTHER XL2HB")) return JobFormat::BrotherXl2hb;
    return JobFormat::Unknown;
}

// An escape sequence as PCL5 writes them: ESC E, ESC =, ESC 9, ESC %#A/B, or
// a parameterised command (ESC &l26A, ESC *r1A, ESC (10U, ESC (s3B).
bool pclEscape(const Window& w, size_t p) {
    if (!w.Is(p, "\x1B") || p + 1 >= w.n) return false;
    uint8_t c = w.d[p + 1];
    size_t i = p + 2;
    if (c == 'E' || c == '=' || c == '9') return true;
    if (c == '%') {
        while (i < w.n && (digit(w.d[i]) || w.d[i] == '-' || w.d[i] == '+')) ++i;
        return i > p + 2 && i < w.n && (w.d[i] == 'A' || w.d[i] == 'B');
    }
    if (c != '&' && c != '*' && c != '(' && c != ')') return false;
    bool group = i < w.n && w.d[i] >= 0x60 && w.d[i] <= 0x7E;
    if (!group && (c == '&' || c == '*')) return false;
    if (group) ++i;
    size_t value = i;
    if (i < w.n && (w.d[i] == '+' || w.d[i] == '-')) ++i;
    while (i < w.n && i - value < 32 && (digit(w.d[i]) || w.d[i] == '.')) ++i;
    // A terminator (upper case) or the next parameter of a combined command (lower case).
    return i < w.n && ((w.d[i] >= 0x40 && w.d[i] <= 0x5E) || (group && w.d[i] >= 0x60 && w.d[i] <= 0x7E));
}

// Binary CGM opens with BEGIN METAFILE (class 0, element 1) and its name as a string.
bool binaryCgm(const Window& w) {
    if (w.n < 4 || w.d[0] != 0x00 || (w.d[1] & 0xE0) != 0x20) return false;
    size_t length = w.d[1] & 0x1F, text = 2;
    if (length == 31) {  // long form: the length follows
        length = (static_cast<size_t>(w.d[2]) << 8 | w.d[3]) & 0x7FFF;
        text = 4;
    }
    if (length == 0 || text >= w.n || w.d[text] + 1u > length || w.n - text < length) return false;
    for (size_t i = text + 1; i < text + 1 + w.d[text]; ++i)
        if (w.d[i] < 0x20 || w.d[i] > 0x7E) return false;
    return true;
}

// Passes over what precedes a job's own data; stops at the first byte of it.
// False when a header line runs past the window.
bool skipJobControl(const Window& w, size_t& p, JobFormat& entered) {
    while (p < w.n) {
        uint8_t c = w.d[p];
        if (c == 0 || c == CTRL_D || c == ETX || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++p;
        } else if (w.Is(p, "\x1B%-12345X")) {
            p += 9;
        } else if (w.Is(p, "\x1B.") && p + 2 < w.n) {
            // A plotter's device-control sequence: ESC . letter, parameters to a ':'.
            p += 3;
            while (p < w.n && (digit(w.d[p]) || w.d[p] == ';' || w.d[p] == '.' || w.d[p] == ' ')) ++p;
            if (p < w.n && w.d[p] == ':') ++p;
        } else if (w.IsCaseless(p, "@PJL") || w.IsCaseless(p, "@EJL")) {
            // A line runs to its line feed; drivers also end the last one with the next ESC or a zero byte.
            size_t end = w.Find(p, std::string_view("\n\x1B\0", 3));
            if (end >= w.n) return false;
            if (entered == JobFormat::Unknown) entered = enteredLanguage(w, p, end);
            p = w.d[end] == '\n' ? end + 1 : end;
        } else {
            return true;
        }
    }
    return true;
}
// Text as a program without a printer driver sends it: printable bytes and the print controls
// (CR, LF, FF, HT, BS), some of them letters or digits and some spaces or line ends between
// words, and perhaps a DOS end-of-file mark.
bool plainText(const Window& w, size_t p) {
    size_t end = w.n, alnum = 0, blanks = 0;
    if (end > p && w.d[end - 1] == 0x1A) --end;
    for (size_t i = p; i < end; ++i) {
        uint8_t c = w.d[i];
        if (c < 0x20 && c != '\r' && c != '\n' && c != '\f' && c != '\t' && c != '\b') return false;
        if (c == 0x7F) return false;
        alnum += (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
        blanks += c == ' ' || c == '\r' || c == '\n' || c == '\f' || c == '\t';
    }
    return alnum > 0 && blanks > 0;
}
}  // namespace

JobEvidence FindJobEvidence(const uint8_t* data, size_t size) {
    Window w(data, size);
    if (binaryCgm(w)) return {JobFormat::Cgm, 0};
    size_t p = 0;
    JobFormat entered = JobFormat::Unknown;
    bool complete = skipJobControl(w, p, entered);
    if (entered != JobFormat::Unknown) return {entered, p};
    if (!complete || p >= w.n) return {};
    if (JobFormat xl = xlHeader(w, p); xl != JobFormat::Unknown) return {xl, p};
    if (w.Is(p, "JZJZ") || w.Is(p, "ZJZJ")) return {JobFormat::ZjStream, p};
    if (pclEscape(w, p)) return {JobFormat::Pcl5, p};
    if (BeginsHpglPlot(w.d + p, w.n - p)) return {JobFormat::HpglPlot, p};
    if (w.Is(p, "%PDF-")) return {JobFormat::Pdf, p};
    if (w.Is(p, "%!")) return {JobFormat::PostScript, p};
    if (w.Is(p, "BEGMF")) return {JobFormat::Cgm, p};
    if (w.Is(p, "PK\x03\x04") && (w.Contains(".fpage") || w.Contains(".fdseq") || w.Contains("FixedDocumentSequence")))
        return {JobFormat::Xps, p};
    if (w.Is(p, ",XQX")) return {JobFormat::Xqx, p};
    if (w.Is(p, "OAKT")) return {JobFormat::Oakt, p};
    if (w.Is(p, "\xA5SLX")) return {JobFormat::Slx, p};
    if (plainText(w, p)) return {JobFormat::PlainText, p};
    return {};
}

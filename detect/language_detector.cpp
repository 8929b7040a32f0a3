#include "language_detector.h"

#include "job_evidence.h"

#include <cstring>
#include <utility>

namespace {
constexpr uint8_t ESC = 0x1B;

// Bytes of a marker compared against the data at p; a marker matches only
// when all of its bytes are there.
bool exactAt(const uint8_t* p, size_t left, const char* marker, size_t length) {
    return left >= length && std::memcmp(p, marker, length) == 0;
}

uint8_t fold(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

// Letters compared without regard to case, every other byte as it is.
bool caselessAt(const uint8_t* p, size_t left, const char* marker, size_t length) {
    if (left < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (fold(p[i]) != fold(static_cast<uint8_t>(marker[i]))) return false;
    return true;
}

size_t skip(const uint8_t* data, size_t size, size_t at, const char* chars) {
    while (at < size && std::strchr(chars, data[at]) && data[at] != 0) ++at;
    return at;
}

const char kPacketMode[] = "\0\0\0\x1B\x01@EJL 1284.4\n@EJL     \n";
constexpr size_t kPacketModeLength = 27;
static_assert(sizeof kPacketMode - 1 == kPacketModeLength, "packet-mode sequence");

constexpr size_t kScanWindow = 21;

// The value after "@PJL ENTER LANGUAGE" and its '='.
int languageValue(const uint8_t* v, size_t left) {
    if (exactAt(v, left, "PCLXL", 5)) return PclXl;
    if (exactAt(v, left, "PCL", 3)) return Pcl5;
    if (caselessAt(v, left, "POSTSCRIPT", 10)) return PostScript;
    if (caselessAt(v, left, "HPGL2", 5)) return Pcl5;
    if (caselessAt(v, left, "QPDL", 4)) return Qpdl;
    if (caselessAt(v, left, "ZJS", 3)) return ZjStream;
    return 0;
}

// The header rules' answer, with where the value of the PJL line that decided it stands.
struct HeaderMatch {
    PrinterLanguage language = Unknown;
    size_t value = 0;  // 0: not decided by an ENTER LANGUAGE value
};

HeaderMatch scanHeaders(const uint8_t* data, size_t size) {
    size_t q = 0;
    while (q <= size && size - q >= kScanWindow) {
        // Every marker begins with a zero byte, '@' or '%': other positions are passed at once.
        for (size_t last = size - kScanWindow; q < last && data[q] != 0 && data[q] != '@' && data[q] != '%';) ++q;
        const uint8_t* p = data + q;
        size_t left = size - q;
        if (caselessAt(p, left, kPacketMode, kPacketModeLength)) return {EscP};
        if (caselessAt(p, left, "@EJL SE LA", 10)) {
            size_t v = skip(data, size, q + 10, " =");
            if (caselessAt(data + v, size - v, "ESC/PAGE", 8)) return {EscPage};
        }
        if (caselessAt(p, left, "%!PS-Adobe", 10)) return {PostScript};
        if (exactAt(p, left, "@PJL SET LANGUAGEHINT", 21)) {
            size_t v = skip(data, size, q + 21, " ");
            if (v < size && data[v] == '=') {
                v = skip(data, size, v + 1, " ");
                if (caselessAt(data + v, size - v, "ZJS", 3)) return {ZjStream};
            }
            q += 21;
            p = data + q;
            left = size - q;
        }
        if (!exactAt(p, left, "@PJL ENTER LANGUAGE", 19)) {
            ++q;
            continue;
        }
        size_t v = skip(data, size, q + 19, " ");
        if (v < size && data[v] == '=') {
            v = skip(data, size, v + 1, " ");
            if (int code = languageValue(data + v, size - v)) return {static_cast<PrinterLanguage>(code), v};
        }
        q += 19;
    }
    return {};
}

// The signature and header-line rules.
HeaderMatch headerRules(const uint8_t* data, size_t size) {
    if (data == nullptr || size == 0) return {};
    if (size > 4 && data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0) return {NtEmfSpool};

    size_t start = 0;
    while (start < size && data[start] == 0) ++start;
    const uint8_t* p = data + start;
    size_t r = size - start;

    if (r >= 3 && p[0] == ESC) {
        if (p[1] == 'E') return {Pcl5};
        if (p[1] == '@') return {EscP};
        if (p[1] == '[') return {Bjl};
    }
    if (r >= 9 && std::memcmp(p, "BJLSTART", 8) == 0) return {Bjl};
    if (r >= 3 && p[0] == ESC && p[1] == '%') {
        size_t i = 2;
        while (i < r && ((p[i] >= '0' && p[i] <= '9') || p[i] == '+' || p[i] == '-')) ++i;
        if (i < r && p[i] == 'B') return {Pcl5};
    }
    if (exactAt(p, r, "JZJZ", 4) || exactAt(p, r, "ZJZJ", 4)) return {ZjStream};
    if (exactAt(p, r, "ZIMF", 4)) return {Zimf};
    if (exactAt(p, r, "\xCD\xCA", 2) || exactAt(p, r, "\xCA\xCD\0\0", 4)) return {MagicCdCa};
    if (exactAt(p, r, "BEGMF", 5)) return {Cgm};
    if (size < kScanWindow) return {};
    return scanHeaders(data, size);
}

// The format each language code stands for; HP-GL/2 plots, PCL3GUI jobs and plain text carry
// the PCL5 code.
constexpr std::pair<PrinterLanguage, JobFormat> kCodeFormats[] = {
    {NtEmfSpool, JobFormat::NtEmfSpool},
    {Pcl5, JobFormat::Pcl5},
    {PclXl, JobFormat::PclXl},
    {ZjStream, JobFormat::ZjStream},
    {PostScript, JobFormat::PostScript},
    {Cgm, JobFormat::Cgm},
    {EscP, JobFormat::EscP},
    {MagicCdCa, JobFormat::MagicCdCa},
    {Bjl, JobFormat::Bjl},
    {EscPage, JobFormat::EscPage},
    {Zimf, JobFormat::Zimf},
    {Qpdl, JobFormat::Qpdl},
    {Pcl5, JobFormat::HpglPlot},
    {Pcl5, JobFormat::Pcl3Gui},
    {Pcl5, JobFormat::PlainText},
};

JobFormat formatOf(PrinterLanguage language) {
    for (auto [code, format] : kCodeFormats)
        if (code == language) return format;
    return JobFormat::Unknown;
}

PrinterLanguage languageOf(JobFormat format) {
    for (auto [code, f] : kCodeFormats)
        if (f == format) return code;
    return Unknown;
}
}  // namespace

DetectedJob IdentifyPrintJob(const uint8_t* data, size_t size) {
    HeaderMatch match = headerRules(data, size);
    if (match.language == Unknown) {
        if (data == nullptr) return {};
        JobEvidence e = FindJobEvidence(data, size);
        return {languageOf(e.format), e.format, e.start};
    }
    DetectedJob job{match.language, formatOf(match.language), 0};
    if (match.language == Pcl5 && match.value) {
        const uint8_t* v = data + match.value;
        size_t left = size - match.value;
        // PCL3GUI is HP's inkjet raster; HPGL2 enters the plotter language, which may follow as a plot of its own.
        if (caselessAt(v, left, "PCL3GUI", 7)) job.format = JobFormat::Pcl3Gui;
        if (caselessAt(v, left, "HPGL2", 5)) {
            JobEvidence e = FindJobEvidence(data, size);
            if (e.format == JobFormat::HpglPlot) job.format = e.format, job.start = e.start;
        }
    }
    return job;
}

PrinterLanguage DetectPrinterLanguage(const uint8_t* data, size_t size) {
    return IdentifyPrintJob(data, size).language;
}

#include "pcl_job_driver.h"

#include "kernel.h"
#include "page_files.h"
#include "pcl_paper.h"

#include <cctype>
#include <algorithm>
#include <cstring>
#include <string>

namespace {
constexpr uint8_t ESC = 0x1B;

// The decimal after a keyword: one character passed over whatever it is,
// then spaces and '=' signs, an optional sign and digits.
bool valueAfter(const char* text, size_t length, const char* keyword, int64_t& value) {
    std::string_view all(text, length);
    size_t at = all.find(keyword);
    if (at == std::string_view::npos) return false;
    size_t i = at + std::strlen(keyword) + 1;
    while (i < length && (text[i] == ' ' || text[i] == '=')) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        v = std::min<int64_t>(v * 10 + (text[i] - '0'), INT32_MAX);
    value = negative ? -v : v;
    return true;
}

// The word after a keyword and an '=': letters and digits.
bool wordAfter(const char* text, size_t length, const char* keyword, std::string_view& word) {
    std::string_view all(text, length);
    size_t k = std::strlen(keyword);
    for (size_t at = all.find(keyword); at != std::string_view::npos; at = all.find(keyword, at + 1)) {
        size_t i = at + k;
        while (i < length && text[i] == ' ') ++i;
        if (i >= length || text[i] != '=') continue;  // another keyword that starts with this one
        ++i;
        while (i < length && text[i] == ' ') ++i;
        size_t start = i;
        while (i < length && std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
        word = all.substr(start, i - start);
        return true;
    }
    return false;
}

// A macro being defined takes the bytes up to the command that ends the definition.
void defineMacro(PclStream& s, PclRenderer& renderer) {
    static const char kStop[] = "\x1B&f1X";
    std::string_view rest(reinterpret_cast<const char*>(s.data + s.pos), s.size - s.pos);
    size_t end = rest.find(kStop);
    if (end == std::string_view::npos) end = rest.size();
    renderer.MacroDefined(s.data + s.pos, end);
    if (s.trace) std::fprintf(s.trace, "\n// macro of %zu bytes", end);
    s.pos = std::min(s.size, s.pos + end + sizeof kStop - 1);
}

// The dump of one walk, closed on every way out.
struct TraceFile {
    std::FILE* file = nullptr;
    ~TraceFile() {
        if (file) std::fclose(file);
    }
};
}  // namespace

void ReadPjlBlock(const char* text, size_t length, PclPageSize& size) {
    std::string_view word;
    if (wordAfter(text, length, "ORIENTATION", word)) size.landscape = word == "LANDSCAPE" || word == "landscape";
    if (wordAfter(text, length, "PAPER", word)) {
        if (const PclPaper* p = PaperByName(word.data(), word.size())) size.width = p->width, size.length = p->height;
        return;
    }
    int64_t v = 0;
    auto sensible = [](int64_t units) { return units > 0 && units <= kMaxPjlPageUnits; };
    if (valueAfter(text, length, "PAPERLENGTH", v)) {
        if (sensible(2 * v)) size.length = static_cast<int32_t>(2 * v);
        return;
    }
    if (valueAfter(text, length, "PAPERWIDTH", v) && sensible(2 * v)) size.width = static_cast<int32_t>(2 * v);
}

void RunPclJob(const PrintJob& job, const char* traceDir, PclRenderer& renderer, PclPageSize& pageSize, bool plotFile) {
    TraceFile trace;
    std::string traceName;
    if (traceDir) trace.file = CreateTraceFile(traceDir, "out", ".asm", traceName, true);
    if (trace.file) std::fprintf(trace.file, "// PCL5 dump of %s\n", job.name);

    PclStream s;
    s.data = job.data;
    s.size = job.size;
    s.trace = trace.file;
    s.renderer = &renderer;
    s.table = &BuildPclCommandTable();
    while (s.pos < s.size && s.data[s.pos] == 0) ++s.pos;
    if (plotFile && s.pos < s.size) {
        // A plot file is HP-GL/2 from its first byte; an ESC% in it returns to PCL5.
        renderer.EnterHpgl(kHpglPlotFile);
        RunHpglSection(s, true);
        s.pos = std::min(s.size, s.pos + 1);
    }
    std::string block;
    while (s.pos < s.size && !renderer.Finished()) {
        uint8_t b = s.data[s.pos];
        if (b == ESC) {
            ++s.pos;
            ReadEscapeSequence(s);
            if (renderer.DefiningMacro()) defineMacro(s, renderer);
        } else if (b == '@' && s.size - s.pos >= 4 && std::memcmp(s.data + s.pos, "@PJL", 4) == 0) {
            // The block runs to the next ESC, the next '@' or the end of the data.
            size_t end = s.pos + 1;
            while (end < s.size && s.data[end] != ESC && s.data[end] != '@') ++end;
            if (s.trace) {
                std::fputc('\n', s.trace);
                for (size_t i = s.pos; i < end; ++i)
                    if (s.data[i] != '\r' && s.data[i] != '\n') std::fputc(s.data[i], s.trace);
            }
            block.assign(reinterpret_cast<const char*>(s.data + s.pos), end - s.pos);
            PclPageSize before = pageSize;
            ReadPjlBlock(block.c_str(), block.size(), pageSize);
            if (before.length != pageSize.length || before.width != pageSize.width ||
                before.landscape != pageSize.landscape)
                renderer.PjlSettings(pageSize);
            s.pos = end;
        } else {
            TraceTextByte(s);
            renderer.Character(s.data[s.pos]);
            ++s.pos;
        }
    }
}

void RunPclMacro(const uint8_t* data, size_t size, PclRenderer& renderer) {
    PclStream s;
    s.data = data;
    s.size = size;
    s.renderer = &renderer;
    s.table = &BuildPclCommandTable();
    while (s.pos < s.size) {
        if (s.data[s.pos] == ESC) {
            ++s.pos;
            ReadEscapeSequence(s);
            if (renderer.DefiningMacro()) defineMacro(s, renderer);
        } else {
            renderer.Character(s.data[s.pos++]);
        }
    }
}

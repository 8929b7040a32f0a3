#include "pclxl_stream.h"

#include "interpreter_lock.h"
#include "job_problems.h"
#include "kernel.h"
#include "page_files.h"
#include "pclxl_operators.h"

#include <cmath>
#include <cstring>

PclXlState& XlState() {
    static PclXlState state;
    return state;
}

namespace {
const int kElementBytes[6] = {1, 2, 4, 2, 4, 4};

bool isBinding(uint8_t b) { return b == 0x27 || b == 0x28 || b == 0x29; }

int32_t truncated(double r) {
    if (!(r > -2147483649.0 && r < 2147483648.0)) throw PclXlError("Invalig type");
    return static_cast<int32_t>(r);
}

void push(PclXlValue&& v) {
    PclXlState& s = XlState();
    if (s.stack.size() >= kMaxPclXlStack) throw PclXlError("Invalig input data");
    s.stack.push_back(std::move(v));
}

PclXlValue pop() {
    PclXlState& s = XlState();
    if (s.stack.empty()) throw PclXlError("Invalig input data");
    PclXlValue v = std::move(s.stack.back());
    s.stack.pop_back();
    return v;
}

// One value of element type 0 (ubyte) to 5 (real32), untagged.
PclXlValue readElement(int type) {
    PclXlValue v;
    uint32_t raw = type == 0 ? XlReadByte() : XlReadNumber(kElementBytes[type]);
    switch (type) {
    case 0:
    case 1: v.integer = static_cast<int32_t>(raw); break;
    case 3: v.integer = static_cast<int16_t>(raw); break;
    case 2:
    case 4: v.integer = static_cast<int32_t>(raw); break;
    default: {
        float f;
        std::memcpy(&f, &raw, sizeof f);
        if (!std::isfinite(f)) throw PclXlError("Invalig type");
        v.kind = XlReal;
        v.real = f;
    }
    }
    return v;
}

// An array: its length as a tagged unsigned value, then its elements. The
// elements pass through the integer conversion, as the stack would give them.
void readArray(int type) {
    uint8_t lengthTag = XlReadByte();
    if (lengthTag < 0xC0 || lengthTag > 0xC2) throw PclXlError("Invalig type");
    uint32_t length = lengthTag == 0xC0 ? XlReadByte() : XlReadNumber(kElementBytes[lengthTag - 0xC0]);
    PclXlValue array;
    array.kind = type == 5 ? XlRealArray : XlIntegerArray;
    for (uint32_t i = 0; i < length; ++i) {
        PclXlValue e = readElement(type);
        int32_t n = e.kind == XlReal ? truncated(e.real) : e.integer;
        if (type == 5) array.reals.push_back(n);
        else array.integers.push_back(n);
    }
    push(std::move(array));
}

void readEmbedded(size_t length) {
    PclXlState& s = XlState();
    if (length > s.size - s.pos) {
        s.pos = s.size;
        throw PclXlError("Can't find stream header");
    }
    s.embedded = s.data + s.pos;
    s.embeddedSize = length;
    s.pos += length;
}

// Skips to the first byte after the next line feed.
void nextLine() {
    PclXlState& s = XlState();
    const void* lf = s.pos < s.size ? std::memchr(s.data + s.pos, '\n', s.size - s.pos) : nullptr;
    if (!lf) {
        s.pos = s.size;
        throw PclXlError("Can't find stream header");
    }
    s.pos = static_cast<size_t>(static_cast<const uint8_t*>(lf) - s.data) + 1;
}

constexpr size_t kUel = 9;

bool atUniversalExit() {
    const PclXlState& s = XlState();
    return s.size - s.pos >= kUel && std::memcmp(s.data + s.pos, "\x1B%-12345X", kUel) == 0;
}

// The binding byte opens a line, or follows a universal exit; the rest of
// that line is a comment.
void readHeader() {
    PclXlState& s = XlState();
    for (;;) {
        while (atUniversalExit()) s.pos += kUel;
        if (s.pos >= s.size || isBinding(s.data[s.pos])) break;
        nextLine();
    }
    if (s.pos >= s.size) throw PclXlError("Can't find stream header");
    uint8_t b = s.data[s.pos];
    s.binding = b == 0x29 ? 1 : b == 0x28 ? 2 : 0;
    nextLine();
}
}  // namespace

uint8_t XlReadByte() {
    PclXlState& s = XlState();
    if (s.pos >= s.size) throw PclXlError("Can't find stream header");
    return s.data[s.pos++];
}

uint32_t XlReadNumber(int bytes) {
    PclXlState& s = XlState();
    if (s.binding != 1 && s.binding != 2) throw PclXlError("Internal error");
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        uint32_t b = XlReadByte();
        v = s.binding == 1 ? v | (b << (8 * i)) : (v << 8) | b;
    }
    return v;
}

int32_t XlPopInteger() {
    PclXlValue v = pop();
    switch (v.kind) {
    case XlInteger: return v.integer;
    case XlReal: return truncated(v.real);
    case XlIntegerArray:
        if (v.integers.empty()) throw PclXlError("Invalig type");
        return v.integers[0];
    default: throw PclXlError("Invalig type");
    }
}

double XlPopReal() {
    PclXlState& s = XlState();
    if (!s.stack.empty() && s.stack.back().kind == XlReal) return pop().real;
    return XlPopInteger();
}

std::vector<int32_t> XlPopIntegers() {
    PclXlValue v = pop();
    if (v.kind == XlIntegerArray) return std::move(v.integers);
    if (v.kind != XlRealArray) throw PclXlError("Invalig type");
    return std::vector<int32_t>(v.reals.begin(), v.reals.end());
}

int XlTopKind() {
    PclXlState& s = XlState();
    return s.stack.empty() ? -1 : s.stack.back().kind;
}

void XlExecuteTag() {
    uint8_t tag = XlReadByte();
    if (tag >= 0xC0 && tag <= 0xC5) {
        push(readElement(tag - 0xC0));
    } else if (tag >= 0xC8 && tag <= 0xCD) {
        readArray(tag - 0xC8);
    } else if (tag >= 0xD0 && tag <= 0xD5) {
        PclXlValue x = readElement(tag - 0xD0), y = readElement(tag - 0xD0);
        push(std::move(x));
        push(std::move(y));
    } else if (tag >= 0xE0 && tag <= 0xE5) {
        PclXlValue box[4];
        for (PclXlValue& v : box) v = readElement(tag - 0xE0);
        for (PclXlValue& v : box) push(std::move(v));
    } else if (tag == 0xF8 || tag == 0xF9) {
        int id = tag == 0xF8 ? XlReadByte() : static_cast<int>(XlReadNumber(2));
        // Values the attribute does not take are dropped, whatever happens.
        struct Emptied {
            ~Emptied() { XlState().stack.clear(); }
        } emptied;
        StorePclXlAttribute(id);
    } else if (tag == 0xFA) {
        readEmbedded(XlReadNumber(4));
    } else if (tag == 0xFB) {
        readEmbedded(XlReadByte());
    } else if (tag >= 0x41 && tag <= 0xBF) {
        struct Cleared {
            ~Cleared() { XlState().given.reset(); }
        } cleared;
        ExecutePclXlOperator(tag);
    } else {
        throw PclXlError("Unknown tag");
    }
}

void XlReadOperatorData() {
    PclXlState& s = XlState();
    s.embedded = nullptr;
    s.embeddedSize = 0;
    // Only embedded data may follow here: an operator never runs another operator.
    if (s.pos >= s.size || (s.data[s.pos] != 0xFA && s.data[s.pos] != 0xFB)) throw PclXlError("Invalig input data");
    XlExecuteTag();
}

void RunPclXlStream(const uint8_t* data, size_t size) {
    PclXlState& s = XlState();
    s.data = data;
    s.size = size;
    s.pos = 0;
    try {
        readHeader();
    } catch (const PclXlError&) {
        s.binding = 0;
    }
    if (s.binding != 0) {
        s.stop = false;
        bool endedInside = false;
        while (!s.stop && s.pos < s.size) {
            if (atUniversalExit()) {
                // A universal exit ends the stream; a later stream of the same job is read on.
                try {
                    readHeader();
                } catch (const PclXlError&) {
                    break;
                }
                continue;
            }
            try {
                XlExecuteTag();
            } catch (const PclXlError& e) {
                // The failing tag is dropped; reading goes on with the next.
                endedInside = s.pos >= s.size;
                std::string problem =
                    endedInside ? "the job ends inside a command" : std::string("PCL XL error: ") + e.what();
                if (!e.concerning.empty()) problem += " (" + e.concerning + ")";
                ReportJobProblem(s.dc ? s.pageCounter : 0, problem);
            } catch (const std::exception&) {
                // Out of memory: the pages read so far stand.
                ReportJobProblem(s.dc ? s.pageCounter : 0, "out of memory: the rest of the job is not read");
                break;
            }
        }
        if (s.dc && !s.stop && !endedInside) ReportJobProblem(s.pageCounter, "the job ends before the page does");
    } else {
        ReportJobProblem(0, "no PCL XL stream header");
    }
    s.data = s.embedded = nullptr;
    s.size = s.pos = s.embeddedSize = 0;
}

void ReadPclXlJob(const PrintJob& job, const char* tempDir, PageList& pages) {
    InitPclXlJob(tempDir);
    XlState().pageLimit = job.pageLimit;
    RunPclXlStream(job.data, job.size);
    FinishPclXlJob();
    pages = std::move(XlState().pages);
    XlState().pages.clear();
}

bool ConvertPclXlJob(const PrintJob& job, PageList& pages) {
    std::string tempDir = TempDirectory();
    if (tempDir.empty()) return true;
    std::lock_guard<std::mutex> turn(InterpreterStateLock());
    ReadPclXlJob(job, tempDir.c_str(), pages);
    return true;
}

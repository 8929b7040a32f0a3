#include "pcl_tokenizer.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {
constexpr uint8_t ESC = 0x1B;
constexpr size_t kMaxNumberChars = 8;

bool numberChar(uint8_t b) { return (b >= '0' && b <= '9') || b == '+' || b == '-' || b == '.'; }
bool lowerGroup(uint8_t b) { return b >= 0x60 && b <= 0x7E; }

__attribute__((format(printf, 2, 3))) void trace(PclStream& s, const char* format, ...) {
    if (!s.trace) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(s.trace, format, args);
    va_end(args);
}

// Decimal conversion: optional sign, digits, optional point and fraction.
double toDouble(const uint8_t* p, size_t n) {
    size_t i = 0;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    double v = 0;
    const char* b = reinterpret_cast<const char*>(p + i);
    std::from_chars(b, reinterpret_cast<const char*>(p + n), v, std::chars_format::fixed);
    return negative ? -v : v;
}

// Integer conversion: optional sign and digits, saturating at the int32 range.
int32_t toInt(const uint8_t* p, size_t n) {
    size_t i = 0;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    int64_t v = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i)
        v = std::min<int64_t>(v * 10 + (p[i] - '0'), int64_t{INT32_MAX} + 1);
    v = negative ? -v : v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

void traceParameterised(PclStream& s, uint8_t c, uint8_t g, uint8_t t, bool present, double value, const char* name) {
    if (!present) trace(s, "\nstring* \"\\x%X%c%c%c\" // %s", ESC, c, g, t, name);
    else if (value == std::trunc(value) && std::fabs(value) < 1e9)
        trace(s, "\nstring* \"\\x%X%c%c%d%c\" // %s", ESC, c, g, static_cast<int>(value), t, name);
    else trace(s, "\nstring* \"\\x%X%c%c%.2f%c\" // %s", ESC, c, g, value, t, name);
}

void traceData(PclStream& s, const uint8_t* p, size_t n) {
    if (!s.trace) return;
    // Four characters a byte, sixteen bytes a line, written a line at a time.
    static const char kHex[] = "0123456789ABCDEF";
    std::fputs("\nhex row data[\n", s.trace);
    char line[16 * 4 + 1];
    for (size_t i = 0; i < n; i += 16) {
        size_t k = std::min<size_t>(16, n - i), at = 0;
        for (size_t j = 0; j < k; ++j) {
            line[at++] = '\\', line[at++] = 'x';
            line[at++] = kHex[p[i + j] >> 4], line[at++] = kHex[p[i + j] & 15];
        }
        if (k == 16) line[at++] = '\n';
        std::fwrite(line, 1, at, s.trace);
    }
    std::fputs("\n]", s.trace);
}

// Combined sequence: ESC c g [number terminator]..., the position on g.
void readCombined(PclStream& s, uint8_t c, size_t cur) {
    uint8_t g = s.data[cur];
    for (;;) {
        size_t start = cur + 1, i = start;
        // The number never takes the last byte: a terminator must follow it.
        while (i + 1 < s.size && numberChar(s.data[i])) ++i;
        if (i >= s.size) {
            s.pos = s.size;
            return;
        }
        bool present = i > start;
        double value = present ? toDouble(s.data + start, std::min(i - start, kMaxNumberChars)) : 0.0;
        uint8_t t = s.data[i];
        if (t < 0x40 || t > 0x7E) {
            // No terminator: the sequence ends here, and the byte (often the ESC of the next
            // command, after a combined sequence left open) is read afresh.
            s.pos = i;
            return;
        }
        bool goesOn = lowerGroup(t);
        if (goesOn) t = static_cast<uint8_t>(t - 0x20);
        if (c == '&' && g == 't' && t == 'P') s.textMethod = TruncateToInt32(value);
        cur = i;
        if (const PclCommand* cmd = s.table->LookUp(c, g, t)) {
            traceParameterised(s, c, g, t, present, value, cmd->name);
            PclArgs args;
            args.value = value;
            args.relative = present && (s.data[start] == '+' || s.data[start] == '-');
            args.parameter = c;
            args.terminator = t;
            if (cmd->kind == PclWithData) {
                // The count is clamped to the bytes the job still holds.
                int64_t n = std::clamp<int64_t>(TruncateToInt32(value), 0, static_cast<int64_t>(s.size - i - 1));
                if (n < TruncateToInt32(value))
                    s.renderer->Problem(std::string("the job ends inside the data of ") + cmd->name);
                args.data = s.data + i + 1;
                args.count = static_cast<int32_t>(n);
                s.renderer->Dispatch(*cmd, args);
                traceData(s, s.data + i + 1, static_cast<size_t>(n));
                cur = i + static_cast<size_t>(n);
            } else {
                s.renderer->Dispatch(*cmd, args);
            }
        } else {
            traceParameterised(s, c, g, t, present, value, "Unknown command");
        }
        if (!goesOn) {
            s.pos = cur + 1;
            return;
        }
    }
}

// ESC c number terminator, with no group character: the position on the number.
void readPlain(PclStream& s, uint8_t c, size_t start) {
    size_t i = start;
    while (i < s.size && numberChar(s.data[i])) ++i;
    if (i >= s.size) {
        s.pos = s.size;
        return;
    }
    int32_t number = toInt(s.data + start, i - start);
    uint8_t t = s.data[i];
    auto line = [&](const char* name) { trace(s, "\nstring* \"\\x%X%c%d%c\" // %s", ESC, c, number, t, name); };
    s.pos = i + 1;
    if (c == '%') {
        if (t == 'A') {
            line("Enter PCL");
            s.renderer->EnterPcl();
        } else if (t == 'B') {
            line("Enter HP-GL2");
            s.renderer->EnterHpgl(number);
            s.pos = i;
            RunHpglSection(s);
            s.pos = std::min(s.size, s.pos + 1);
        } else if (t == 'X') {
            line("Universal Exit");
            PclArgs args;
            args.value = number;
            args.parameter = c;
            args.terminator = t;
            if (const PclCommand* cmd = s.table->LookUp('%', '-', 'X')) s.renderer->Dispatch(*cmd, args);
        } else {
            line("Unknown Command");
        }
    } else if (c == '(' || c == ')') {
        bool secondary = c == ')';
        if (t == '@') {
            line("Select Default Font");
            s.renderer->SelectDefaultFont(secondary, number);
        } else if (t == 'X') {
            line("Font Selection By ID");
            s.renderer->SelectFontById(secondary, number);
        } else {
            line("Symbol Set ID");
            s.renderer->SelectSymbolSet(secondary, number, t);
        }
    } else {
        line("Unknown Command");
    }
}

// A plotter's device-control sequence (ESC . and a letter, with parameters up
// to a ':'), which sets up a serial line and draws nothing; the position ends
// on its last byte.
void skipDeviceControl(PclStream& s) {
    size_t start = s.pos, i = std::min(s.size, s.pos + 3);
    while (i < s.size &&
           ((s.data[i] >= '0' && s.data[i] <= '9') || s.data[i] == ';' || s.data[i] == '.' || s.data[i] == ' '))
        ++i;
    if (i < s.size && s.data[i] == ':') ++i;
    trace(s, "\nstring* \"\\x%X%.*s\" // Device Control", ESC, static_cast<int>(i - start - 1),
          reinterpret_cast<const char*>(s.data + start + 1));
    s.pos = i - 1;
}

void traceControlOrCharacter(PclStream& s, uint8_t b) {
    if (const char* name = s.table->ControlCodeName(b)) trace(s, "\nstring* \"\\x%X\" // %s", b, name);
    else trace(s, "\nstring* \"\\x%X\" // Character", b);
}
}  // namespace

void ReadEscapeSequence(PclStream& s) {
    if (s.pos >= s.size) return;
    uint8_t c = s.data[s.pos];
    PclLookup first = s.table->LookUpFirst(c);
    if (first.result == PclLookup::Unknown) {
        // A parameterised character (! to /) and a group character begin a command even when
        // none of that character is known: it is read whole and passed over, not printed.
        if (c >= 0x21 && c <= 0x2F && s.pos + 1 < s.size && lowerGroup(s.data[s.pos + 1])) {
            readCombined(s, c, s.pos + 1);
            return;
        }
        ++s.pos;
        return;
    }
    if (first.result == PclLookup::TwoCharacter) {
        trace(s, "\nstring* \"\\x%X%c\" // %s", ESC, c, first.command->name);
        PclArgs args;
        args.parameter = c;
        s.renderer->Dispatch(*first.command, args);
        ++s.pos;
        return;
    }
    if (s.pos + 1 >= s.size) {
        s.pos = s.size;
        return;
    }
    if (lowerGroup(s.data[s.pos + 1])) readCombined(s, c, s.pos + 1);
    else readPlain(s, c, s.pos + 1);
}

void TraceTextByte(PclStream& s) {
    uint8_t b = s.data[s.pos];
    auto wide = [&] {
        if (s.pos + 1 >= s.size) {
            trace(s, "\nstring* \"\\x%02X\" // Character", b);
            return;
        }
        uint8_t b2 = s.data[++s.pos];
        trace(s, "\nstring* \"\\x%02X%02X\" // Wide Character", b, b2);
    };
    auto control = [&] {
        if (const char* name = s.table->ControlCodeName(b)) trace(s, "\nstring* \"\\x%02X\" // %s", b, name);
        else trace(s, "\nstring* \"\\x%02X\" // Unknown control code", b);
    };
    auto plain = [&] {
        if (const char* name = s.table->ControlCodeName(b)) trace(s, "\nstring* \"\\x%02X\" // %s", b, name);
        else trace(s, "\nstring* \"\\x%02X\" // Character", b);
    };
    switch (s.textMethod) {
    case 2:
        if (s.pos + 1 < s.size) {
            uint8_t b2 = s.data[++s.pos];
            const char* name = b2 <= 0x20 ? s.table->ControlCodeName(b2) : nullptr;
            if (name) trace(s, "\nstring* \"\\x%02X%02X\" // %s", b, b2, name);
            else trace(s, "\nstring* \"\\x%02X%02X\" // Wide Character", b, b2);
        } else {
            plain();
        }
        break;
    case 21:
        if (b < 0x21) control();
        else wide();
        break;
    case 31:
        if (b < 0x21) control();
        else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) wide();
        else trace(s, "\nstring* \"\\x%02X\" // Character", b);
        break;
    case 38:
        if (b >= 0x80) wide();
        else plain();
        break;
    default: plain(); break;
    }
}

void RunHpglSection(PclStream& s, bool fromStart) {
    while (s.pos < s.size && s.size - s.pos >= (fromStart ? 2 : 3) && !s.renderer->Finished()) {
        if (!fromStart) ++s.pos;
        fromStart = false;
        if (s.data[s.pos] == '\n' || s.data[s.pos] == '\r') ++s.pos;
        if (s.pos + 1 >= s.size) break;
        uint8_t c1 = s.data[s.pos], c2 = s.data[s.pos + 1];
        if (c1 == ESC && c2 == 'E') {
            // A printer reset ends the plot as the universal exit does: PCL5 reads it.
            s.pos = s.pos - 1;
            return;
        }
        if (c1 == ESC && c2 == '%') {
            size_t i = s.pos + 2, start = i;
            while (i < s.size && numberChar(s.data[i])) ++i;
            int32_t number = toInt(s.data + start, i - start);
            if (i < s.size && s.data[i] == 'A') {
                trace(s, "\nstring* \"\\x%X%c%d%c\" // Enter PCL", ESC, '%', number, 'A');
                s.pos = i;
                s.renderer->EnterPcl();
            } else {
                // Resume PCL5 on the ESC, so that the sequence is read again as PCL5.
                s.pos = s.pos - 1;
            }
            return;
        }
        if (c1 == ESC && c2 == '.') {
            skipDeviceControl(s);
            continue;
        }
        // Mnemonics may be written in either case.
        const HpglMnemonicInfo* m = LookUpHpglMnemonic(c1, c2);
        if (!m) {
            traceControlOrCharacter(s, c1);
            continue;  // the loop steps onto the next byte
        }
        size_t from = s.pos + 2;
        HpglExtent e = HpglCommandExtent(*m, s.data, s.size, from, s.labelTerminator);
        size_t length = e.end - from;
        s.renderer->DispatchHpgl(m->mnemonic, s.data + from, length, e.cut);
        s.labelTerminator = HpglLabelTerminatorAfter(m->mnemonic, s.data + from, length, s.labelTerminator);
        trace(s, "\nstring* \"%s%.*s\" // %s", m->mnemonic, static_cast<int>(std::min<size_t>(length, INT_MAX)),
              reinterpret_cast<const char*>(s.data + from), m->name);
        s.pos = e.end - 1;  // the loop steps past the command's last byte
    }
    s.pos = std::min(s.pos, s.size);
}

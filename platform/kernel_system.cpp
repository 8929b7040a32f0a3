// Temporary directory, tick count and code-page conversion.
#include "kernel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

DWORD GetTempPathA(DWORD bufferSize, LPSTR buffer) {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env && *env) ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    if (buffer == nullptr || bufferSize <= dir.size()) return static_cast<DWORD>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

DWORD GetTickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

namespace {
// Windows-1252 code points for bytes 0x80..0x9F; other bytes are Latin-1.
const char16_t cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(const unsigned char* s, size_t n, std::u16string& out) {
    for (size_t i = 0; i < n;) {
        unsigned c = s[i];
        unsigned cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) cp = c;
        else if ((c >> 5) == 6 && i + 1 < n) cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F), len = 2;
        else if ((c >> 4) == 14 && i + 2 < n)
            cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F), len = 3;
        else if ((c >> 3) == 30 && i + 3 < n)
            cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F), len = 4;
        i += len;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp);
        }
    }
}
}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int length, LPWSTR wide, int wideSize) {
    if (text == nullptr || wideSize < 0) return 0;
    size_t n = length < 0 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::u16string out;
    out.reserve(n);
    if (codePage == CP_UTF8) {
        appendUtf8(s, n, out);
    } else {
        for (size_t i = 0; i < n; ++i)
            out += (s[i] >= 0x80 && s[i] < 0xA0) ? cp1252High[s[i] - 0x80] : static_cast<char16_t>(s[i]);
    }
    if (wideSize == 0) return static_cast<int>(out.size());
    if (wide == nullptr || out.size() > static_cast<size_t>(wideSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::copy(out.begin(), out.end(), wide);
    return static_cast<int>(out.size());
}

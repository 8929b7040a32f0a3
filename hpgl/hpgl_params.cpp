#include "hpgl_params.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
bool digit(uint8_t c) { return c >= '0' && c <= '9'; }

// A decimal with optional sign, digits and fraction; anything after it is ignored.
double decimal(const std::string& t) {
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    double v = 0;
    for (; i < t.size() && digit(t[i]); ++i) v = std::min(v * 10 + (t[i] - '0'), 1e300);
    if (i < t.size() && t[i] == '.') {
        double scale = 0.1;
        for (++i; i < t.size() && digit(t[i]); ++i, scale /= 10) v += (t[i] - '0') * scale;
    }
    v = std::min(v, kHpglNumberLimit);
    return negative ? -v : v;
}
}  // namespace

HpglParams ReadNumericParams(const uint8_t* p, size_t length, bool cut) {
    HpglParams out;
    std::string token;
    bool closedBySpace = false;  // a comma right after a space-ended number adds no empty one
    auto close = [&] {
        out.values.push_back(decimal(token));
        token.clear();
    };
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = p[i];
        if (c == ',') {
            if (!token.empty() || !closedBySpace) close();
            closedBySpace = false;
        } else if (c == ' ' || c == '\t') {
            if (!token.empty()) {
                close();
                closedBySpace = true;
            }
        } else if (digit(c) || c == '.' || c == '+' || c == '-') {
            bool sign = c == '+' || c == '-';
            if (sign && !token.empty()) close();
            token.push_back(static_cast<char>(c));
            closedBySpace = false;
        } else {
            if (!token.empty()) close();
            return out;
        }
    }
    if (!token.empty() && !cut) close();
    return out;
}

std::optional<std::string> ReadLabelText(const uint8_t* p, size_t length, uint8_t terminator) {
    const void* end = std::memchr(p, terminator, length);
    if (!end || end == p) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(p), static_cast<const uint8_t*>(end) - p);
}

int32_t SaturatedInt(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(v), double{INT32_MIN}, double{INT32_MAX}));
}

int32_t SaturatedAdd(int32_t a, int32_t b) { return SaturatedInt(static_cast<double>(a) + b); }

#include "truetype_glyph.h"

#include <cstring>

namespace {
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
}  // namespace

bool FindTrueTypeTable(const uint8_t* g, size_t size, const char tag[4], size_t& offset, size_t& length) {
    if (size < 12) return false;
    size_t tables = be16(g + 4);
    for (size_t i = 0; i < tables && 12 + i * 16 + 16 <= size; ++i) {
        const uint8_t* e = g + 12 + i * 16;
        if (std::memcmp(e, tag, 4) != 0) continue;
        offset = be32(e + 8);
        length = be32(e + 12);
        return offset <= size && length <= size - offset;
    }
    return false;
}

bool ReadUnitsPerEm(const uint8_t* data, size_t size, uint16_t& unitsPerEm) {
    size_t o, n;
    if (!FindTrueTypeTable(data, size, "head", o, n) || n < 54) return false;
    unitsPerEm = be16(data + o + 18);
    if (unitsPerEm == 0) unitsPerEm = 1;
    return true;
}

bool ReadGlyphComponent(const uint8_t* glyph, size_t n, size_t& at, GlyphComponent& c) {
    if (at + 4 > n) return false;
    c.flags = be16(glyph + at), c.glyph = be16(glyph + at + 2);
    at += 4;
    if (c.flags & 1) {  // word arguments
        if (at + 4 > n) return false;
        c.dx = static_cast<int16_t>(be16(glyph + at)), c.dy = static_cast<int16_t>(be16(glyph + at + 2));
        at += 4;
    } else {
        if (at + 2 > n) return false;
        c.dx = static_cast<int8_t>(glyph[at]), c.dy = static_cast<int8_t>(glyph[at + 1]);
        at += 2;
    }
    // One scale, x and y scales, or a 2 x 2 transform.
    at += (c.flags & 8) ? 2 : (c.flags & 0x40) ? 4 : (c.flags & 0x80) ? 8 : 0;
    return true;
}

bool DecodeSimpleGlyph(const uint8_t* d, size_t size, int32_t dx, int32_t dy, size_t maxPoints,
                       std::vector<OutlinePoint>& out) {
    if (size <= 10) return false;
    int16_t contours = static_cast<int16_t>(be16(d));
    if (contours <= 0) return false;
    size_t at = 10, n = static_cast<size_t>(contours);
    if (at + 2 * n + 2 > size) return false;
    std::vector<uint16_t> ends(n);
    for (size_t i = 0; i < n; ++i) ends[i] = be16(&d[at + 2 * i]);
    at += 2 * n;
    size_t points = static_cast<size_t>(ends.back()) + 1;
    if (points > maxPoints || out.size() + points > maxPoints) return false;
    size_t instructions = be16(&d[at]);
    at += 2 + instructions;
    std::vector<uint8_t> flags;
    while (flags.size() < points && at < size) {
        uint8_t f = d[at++];
        flags.push_back(f);
        if ((f & 8) && at < size)
            for (size_t r = d[at++]; r > 0 && flags.size() < points; --r) flags.push_back(f);
    }
    if (flags.size() < points) return false;
    std::vector<int32_t> xs(points), ys(points);
    auto coords = [&](std::vector<int32_t>& v, uint8_t shortBit, uint8_t sameBit) {
        int32_t c = 0;
        for (size_t i = 0; i < points; ++i) {
            uint8_t f = flags[i];
            if (f & shortBit) {
                if (at >= size) return false;
                c += (f & sameBit) ? d[at] : -d[at];
                ++at;
            } else if (!(f & sameBit)) {
                if (at + 2 > size) return false;
                c += static_cast<int16_t>(be16(&d[at]));
                at += 2;
            }
            v[i] = c;
        }
        return true;
    };
    if (!coords(xs, 2, 16) || !coords(ys, 4, 32)) return false;
    size_t first = out.size();
    for (size_t i = 0; i < points; ++i) out.push_back({xs[i] + dx, ys[i] + dy, (flags[i] & 1) != 0, false});
    // Each contour starts after the end point of the one before.
    out[first].contourStart = true;
    for (size_t c = 0; c + 1 < n; ++c)
        if (ends[c] + 1u < points) out[first + ends[c] + 1].contourStart = true;
    return true;
}

void AddOutlineFigures(HDC dc, const std::vector<OutlinePoint>& pts,
                       const std::function<POINT(const OutlinePoint&)>& at) {
    size_t i = 0;
    while (i < pts.size()) {
        size_t end = i + 1;
        while (end < pts.size() && !pts[end].contourStart) ++end;
        size_t first = i;
        while (first < end && !pts[first].onCurve) ++first;
        if (first < end) {
            POINT start = at(pts[first]), cur = start;
            MoveToEx(dc, start.x, start.y, nullptr);
            size_t count = end - i;
            for (size_t k = 1; k <= count; ++k) {
                const OutlinePoint& p = pts[i + (first - i + k) % count];
                POINT q = at(p);
                if (p.onCurve) {
                    LineTo(dc, q.x, q.y);
                    cur = q;
                    continue;
                }
                const OutlinePoint& next = pts[i + (first - i + k + 1) % count];
                POINT e = at(next);
                if (!next.onCurve) e = {(q.x + e.x) / 2, (q.y + e.y) / 2};
                else ++k;
                POINT c[3] = {
                    {(cur.x + 2 * q.x) / 3, (cur.y + 2 * q.y) / 3}, {(2 * q.x + e.x) / 3, (2 * q.y + e.y) / 3}, e};
                PolyBezierTo(dc, c, 3);
                cur = e;
            }
            CloseFigure(dc);
        }
        i = end;
    }
}

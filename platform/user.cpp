// USER drawing and formatting calls.
#include "user.h"

#include "gdi.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "kernel.h"

namespace {
// System colours, indexed like COLOR_*.
const COLORREF sysColors[31] = {0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
                                0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
                                0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
                                0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xC0C0C0, 0xC8D0D4};

// Brush values 1..31 stand for the system colour of index value - 1.
HBRUSH realBrush(HBRUSH brush, bool& temporary) {
    auto v = reinterpret_cast<uintptr_t>(brush);
    temporary = v >= 1 && v <= 31;
    return temporary ? CreateSolidBrush(GetSysColor(static_cast<int>(v - 1))) : brush;
}

std::vector<std::u16string> wrap(HDC hdc, const std::u16string& text, UINT format, LONG width) {
    std::vector<std::u16string> lines;
    std::u16string cur;
    auto measure = [&](const std::u16string& s) {
        SIZE sz{0, 0};
        GetTextExtentPoint32W(hdc, s.data(), static_cast<int>(s.size()), &sz);
        return sz.cx;
    };
    auto flush = [&] {
        lines.push_back(cur);
        cur.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (!(format & DT_SINGLELINE) && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            flush();
            continue;
        }
        if (c == u'\t' && (format & DT_EXPANDTABS)) {
            cur += u"        ";
            continue;
        }
        cur += c;
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && width > 0 && measure(cur) > width) {
            size_t brk = cur.find_last_of(u' ');
            if (brk != std::u16string::npos && brk > 0) {
                std::u16string rest = cur.substr(brk + 1);
                cur.resize(brk);
                flush();
                cur = rest;
            }
        }
    }
    flush();
    return lines;
}
}  // namespace

DWORD GetSysColor(int index) { return index >= 0 && index < 31 ? sysColors[index] : 0; }

int FillRect(HDC hdc, const RECT* r, HBRUSH brush) {
    if (!r || !brush) return 0;
    bool temporary;
    HBRUSH b = realBrush(brush, temporary);
    HGDIOBJ old = SelectObject(hdc, b);
    if (!old) {
        if (temporary) DeleteObject(b);
        return 0;
    }
    BOOL ok = PatBlt(hdc, r->left, r->top, r->right - r->left, r->bottom - r->top, PATCOPY);
    SelectObject(hdc, old);
    if (temporary) DeleteObject(b);
    return ok;
}

int FrameRect(HDC hdc, const RECT* r, HBRUSH brush) {
    if (!r) return 0;
    RECT edges[4] = {{r->left, r->top, r->right, r->top + 1},
                     {r->left, r->bottom - 1, r->right, r->bottom},
                     {r->left, r->top, r->left + 1, r->bottom},
                     {r->right - 1, r->top, r->right, r->bottom}};
    for (const RECT& e : edges)
        if (!FillRect(hdc, &e, brush)) return 0;
    return 1;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
    if (!text || !rect) return 0;
    std::u16string s;
    if (count < 0) {
        for (size_t i = 0; text[i] && i < (1u << 20); ++i) s += text[i];
    } else {
        s.assign(text, text + count);
    }
    TEXTMETRICW tm;
    if (!GetTextMetricsW(hdc, &tm)) return 0;
    std::vector<std::u16string> lines = wrap(hdc, s, format, rect->right - rect->left);
    // Lines go down the page, whichever way the logical y axis points.
    POINT probe[2] = {{0, 0}, {0, 1}};
    LPtoDP(hdc, probe, 2);
    int down = probe[1].y >= probe[0].y ? 1 : -1;
    LONG lineHeight = tm.tmHeight;
    LONG total = lineHeight * static_cast<LONG>(lines.size());
    if (format & DT_CALCRECT) {
        LONG widest = 0;
        for (auto& l : lines) {
            SIZE sz{0, 0};
            GetTextExtentPoint32W(hdc, l.data(), static_cast<int>(l.size()), &sz);
            widest = std::max(widest, sz.cx);
        }
        rect->right = rect->left + widest;
        rect->bottom = rect->top + down * total;
        return static_cast<int>(total);
    }
    LONG y = rect->top;
    if (format & DT_SINGLELINE) {
        LONG height = std::abs(rect->bottom - rect->top);
        if (format & DT_VCENTER) y += down * (height - lineHeight) / 2;
        else if (format & DT_BOTTOM) y += down * (height - lineHeight);
    }
    UINT oldAlign = SetTextAlign(hdc, TA_TOP | TA_LEFT);
    UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    for (auto& l : lines) {
        SIZE sz{0, 0};
        GetTextExtentPoint32W(hdc, l.data(), static_cast<int>(l.size()), &sz);
        LONG x = rect->left;
        if (format & DT_CENTER) x += (rect->right - rect->left - sz.cx) / 2;
        else if (format & DT_RIGHT) x = rect->right - sz.cx;
        ExtTextOutW(hdc, x, y, options, options ? rect : nullptr, l.data(), static_cast<UINT>(l.size()), nullptr);
        y += down * lineHeight;
    }
    SetTextAlign(hdc, oldAlign);
    return static_cast<int>(total);
}

int DrawTextA(HDC hdc, LPCSTR text, int count, RECT* rect, UINT format) {
    if (!text) return 0;
    int n = count < 0 ? static_cast<int>(std::char_traits<char>::length(text)) : count;
    std::u16string w(static_cast<size_t>(n), u'\0');
    int got = MultiByteToWideChar(CP_ACP, 0, text, n, w.data(), n);
    return DrawTextW(hdc, w.data(), got, rect, format);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (!buffer || !format) return 0;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, 1025, format, args);
    va_end(args);
    return n < 0 ? 0 : std::min(n, 1024);
}

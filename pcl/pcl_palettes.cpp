#include "pcl_palettes.h"

#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>

std::vector<PALETTEENTRY> DefaultPalette(int bits, bool cmy) {
    std::vector<PALETTEENTRY> p(size_t{1} << std::clamp(bits, 1, kMaxPaletteBits), PALETTEENTRY{0, 0, 0, 0});
    if (bits <= 1) {
        p[0] = {255, 255, 255, 0};
        return p;
    }
    for (unsigned i = 0; i < std::min<size_t>(8, p.size()); ++i) {
        auto on = [&](unsigned bit) { return static_cast<BYTE>((i >> bit & 1) != cmy ? 255 : 0); };
        p[i] = {on(0), on(1), on(2), 0};
    }
    return p;
}

std::vector<PALETTEENTRY> PaletteInForce() {
    const PclPageState& s = Pcl();
    if (s.simpleColour == 3 || s.simpleColour == -3) return DefaultPalette(3, s.simpleColour == -3);
    auto it = s.palettes.find(s.activePaletteId);
    if (it != s.palettes.end() && !it->second.entries.empty()) return it->second.entries;
    return DefaultPalette(1, false);
}

bool ConfigureImageData(const uint8_t* d, int32_t count) {
    if (!d || count < 6) return false;
    PclPageState& s = Pcl();
    s.colourSpace = d[0];
    s.colourConfigured = true;
    s.simpleColour = 0;
    s.rasterInks.clear();
    s.pixelEncodingMode = d[1];
    s.bitsPerIndex = d[2];
    std::copy(d + 3, d + 6, s.bitsPerPrimary);
    PclPalette p;
    p.encodingMode = d[1];
    p.bitsPerIndex = d[2];
    std::copy(d + 3, d + 6, p.bitsPerPrimary);
    int bits = std::clamp<int>(d[2] == 0 ? 1 : d[2], 1, kMaxPaletteBits);
    p.entries = DefaultPalette(bits, d[0] == 1);
    s.palettes[s.activePaletteId] = std::move(p);
    return true;
}

bool AssignColourIndex(double value) {
    PclPageState& s = Pcl();
    auto it = s.palettes.find(s.activePaletteId);
    if (it == s.palettes.end()) return false;
    int32_t i = TruncateToInt32(value);
    if (i >= 0 && static_cast<size_t>(i) < it->second.entries.size())
        it->second.entries[static_cast<size_t>(i)] = {s.colourComponents[0], s.colourComponents[1],
                                                      s.colourComponents[2], 0};
    std::fill(std::begin(s.colourComponents), std::end(s.colourComponents), uint8_t{0});
    return true;
}

bool PaletteControl(int32_t operation) {
    PclPageState& s = Pcl();
    switch (operation) {
    case 0: s.palettes.erase(s.activePaletteId); return true;
    case 1: return true;
    case 2:
        s.palettes.erase(s.paletteControlId);
        s.activePaletteId = s.paletteControlId;
        return true;
    case 6: s.activePaletteId = s.paletteControlId; return true;
    default: return false;
    }
}

bool SelectPclPalette(double value) {
    PclPageState& s = Pcl();
    auto it = s.palettes.find(TruncateToInt32(value));
    if (it == s.palettes.end()) return false;
    const PclPalette& p = it->second;
    s.bitsPerIndex = p.bitsPerIndex;
    std::copy(std::begin(p.bitsPerPrimary), std::end(p.bitsPerPrimary), s.bitsPerPrimary);
    s.pixelEncodingMode = p.encodingMode;
    if (s.pageDC && !p.entries.empty()) {
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + p.entries.size() * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(p.entries.size());
        std::copy(p.entries.begin(), p.entries.end(), lp->palPalEntry);
        HPALETTE palette = CreatePalette(lp);
        HPALETTE old = SelectPalette(s.pageDC, palette, TRUE);
        if (old && old != GetStockObject(DEFAULT_PALETTE)) DeleteObject(old);
        RealizePalette(s.pageDC);
    }
    return true;
}

#include "hpgl_plot_file.h"

#include "pcl_command_table.h"

#include <algorithm>
#include <cstring>

namespace {
bool space(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Commands a plot begins with.
bool opening(const char* m) {
    static const char* const kOpenings[] = {"IN", "BP", "DF", "PS", "SP", "PU", "PA", "PD", "IP", "SC", "CO",
                                            "PG", "RO", "LT", "PW", "WU", "NP", "PC", "DT", "SD", "PM", "LA"};
    for (const char* o : kOpenings)
        if (std::strcmp(o, m) == 0) return true;
    return false;
}

bool parameterByte(uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ',' || c == ' '; }
}  // namespace

bool LooksLikeHpglPlot(const uint8_t* data, size_t size) {
    const PclCommandTable& table = BuildPclCommandTable();
    size_t i = 0;
    while (i < size && space(data[i])) ++i;
    // The first command, its parameters and its ';', then a second command.
    if (size - i < 3) return false;
    const HpglMnemonic* first = table.LookUpMnemonic(data[i], data[i + 1]);
    if (!first || !opening(first->mnemonic)) return false;
    i += 2;
    if (std::strcmp(first->mnemonic, "CO") == 0 || std::strcmp(first->mnemonic, "BP") == 0) {
        // A comment or a plot name: its text runs to the ';', not far off.
        const void* end = std::memchr(data + i, ';', std::min<size_t>(size - i, 256));
        if (!end) return false;
        i = static_cast<size_t>(static_cast<const uint8_t*>(end) - data);
    } else {
        while (i < size && parameterByte(data[i])) ++i;
    }
    if (i >= size || data[i] != ';') return false;
    ++i;
    while (i < size && space(data[i])) ++i;
    return size - i >= 2 && table.LookUpMnemonic(data[i], data[i + 1]) != nullptr;
}

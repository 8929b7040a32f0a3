// Macros: byte sequences stored by ID, executed or called from the job, and
// run as an overlay on each page before it is printed.
#include "pcl_commands.h"
#include "pcl_page_state.h"

#include <algorithm>

namespace {
// Macros may run macros, two levels deep as on a printer.
constexpr int kMaxMacroDepth = 3;

void runMacro(int32_t id) {
    PclPageState& s = Pcl();
    auto it = s.macros.find(id);
    if (it == s.macros.end() || !s.runMacro || s.macroDepth >= kMaxMacroDepth) return;
    std::vector<uint8_t> bytes = it->second.bytes;  // the macro may delete or redefine itself
    ++s.macroDepth;
    s.runMacro(bytes.data(), bytes.size());
    --s.macroDepth;
}
}  // namespace

bool PclMacroId(const PclArgs& a) {
    Pcl().macroId = a.Int();
    return true;
}

bool PclMacroControl(const PclArgs& a) {
    PclPageState& s = Pcl();
    switch (a.Int()) {
    case 0: s.definingMacro = s.macroDepth == 0; break;  // not from within a macro
    case 2: runMacro(s.macroId); break;
    case 3: {
        // A called macro leaves the cursor where it found it.
        double x = s.cursorX, y = s.cursorY;
        runMacro(s.macroId);
        s.cursorX = x, s.cursorY = y;
        break;
    }
    case 4: s.overlayMacro = s.macroId; break;
    case 5: s.overlayMacro = -1; break;
    case 6: s.macros.clear(); break;
    case 7: std::erase_if(s.macros, [](const auto& m) { return !m.second.permanent; }); break;
    case 8: s.macros.erase(s.macroId); break;
    case 9:
    case 10:
        if (auto it = s.macros.find(s.macroId); it != s.macros.end()) it->second.permanent = a.Int() == 10;
        break;
    default: break;
    }
    return true;
}

void DefinePclMacro(const uint8_t* data, size_t size) {
    PclPageState& s = Pcl();
    s.definingMacro = false;
    PclMacro& m = s.macros[s.macroId];
    m.bytes.assign(data, data + size);
    m.permanent = false;
}

void RunPclOverlay() {
    PclPageState& s = Pcl();
    if (s.overlayMacro < 0 || s.runningOverlay || !s.pageDC) return;
    s.runningOverlay = true;
    double x = s.cursorX, y = s.cursorY;
    runMacro(s.overlayMacro);
    FlushPclText();
    s.cursorX = x, s.cursorY = y;
    s.runningOverlay = false;
}

#include "pcl_converter.h"

#include "kernel.h"
#include "pcl_page_state.h"

namespace {
// Hands what the tokenizer recognises to the PCL5 page renderer.
class PclInterpreter : public PclRenderer {
public:
    void Dispatch(uint8_t p, uint8_t g, uint8_t t, const uint8_t* data, int32_t count, double value) override {
        DispatchPclCommand(p, g, t, data, count, value);
    }
    void EnterPcl() override { BottomUpMapping(); }
    void EnterHpgl(double value) override { ::EnterHpgl(value); }
    void SelectFontById(double id) override { ::SelectFontById(id); }
    void SelectSymbolSet(const char* text) override { ::SelectSymbolSet(text); }
    void DispatchHpgl(const char*, const uint8_t*, size_t) override {}
    void Character(uint8_t byte) override { PrintPclCharacter(byte); }
};

// Closes the job's last page on every way out.
struct JobEnd {
    ~JobEnd() { FinishPclJob(); }
};
}  // namespace

bool ConvertPcl5Job(const char* fileName, PageList& pages) {
    static char tempDir[512];
    DWORD n = GetTempPathA(sizeof tempDir, tempDir);
    if (n == 0 || n >= sizeof tempDir) return true;
    BuildPclCommandTable();
    InitPclJob();
    Pcl().tempDir = tempDir;
    PclInterpreter interpreter;
    {
        JobEnd end;
        RunPclJob(fileName, tempDir, interpreter, Pcl().size);
    }
    pages = Pcl().pages;
    Pcl().pages.clear();
    return true;
}

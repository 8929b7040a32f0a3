// The kinds of printer job the detector tells apart, finer than the language
// codes: the dialect a converter needs (an HP-GL/2 plot is not a PCL5 page)
// and the names of languages that are recognised but not drawn.
#pragma once
#include <cstdint>

enum class JobFormat : uint8_t {
    Unknown,
    // Drawn.
    NtEmfSpool,
    Pcl5,
    HpglPlot,  // HP-GL or HP-GL/2 on its own, not inside a PCL5 page
    PclXl,
    ZjStream,
    PlainText,  // text without a printer language, printed as a PCL printer prints it
    // Recognised, not drawn, except PCL3GUI: HP's inkjet raster, which the PCL5 converter draws.
    PostScript,
    Pdf,
    Xps,
    Cgm,
    EscP,
    EscPage,
    Bjl,
    Zimf,
    Qpdl,
    MagicCdCa,
    Pcl3Gui,
    LavaFlow,
    Hiperc,
    Hbpl,
    Xqx,
    Oakt,
    Slx,
    BrotherXl2hb,  // the Brother stream header over something that is not PCL XL
};

// The language's name as a user knows it ("PostScript", "PCL XL").
const char* JobFormatName(JobFormat format);
// True for the formats a converter turns into pages.
bool JobFormatIsDrawn(JobFormat format);

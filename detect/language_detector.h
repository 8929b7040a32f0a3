// Classifies a printer job by its first bytes and its PJL and EJL header lines.
#pragma once
#include <cstddef>
#include <cstdint>

enum PrinterLanguage : int {
    Unknown = 1,
    PostScript = 2,
    Pcl5 = 3,
    PclXl = 4,
    ZjStream = 5,
    Cgm = 6,
    EscP = 7,
    MagicCdCa = 8,
    Bjl = 9,
    EscPage = 10,
    Zimf = 11,
    Qpdl = 12,
    NtEmfSpool = 13,
};

// Reads nothing beyond data + size; every input yields a code.
PrinterLanguage DetectPrinterLanguage(const uint8_t* data, size_t size);

// libFuzzer target: the language detector on arbitrary bytes.
#include "language_detector.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int code = DetectPrinterLanguage(data, size);
    if (code < 1 || code > 13) std::abort();
    return 0;
}

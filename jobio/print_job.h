// The bytes of one printer job, mapped once and shared by the detector and
// the converter of its language.
#pragma once
#include <cstddef>
#include <cstdint>

struct PrintJob {
    const char* name = "";  // the job file's name, as traces quote it
    const uint8_t* data = nullptr;
    size_t size = 0;
    // Pages wanted: a converter may stop once it has finished this many.
    size_t pageLimit = SIZE_MAX;
};

// The cores drawing may use, how many pages are playing at the moment, whether large images
// are drawn in parts, and whether edges are smoothed.
#include "drawing_options.h"

#include "gdi_internal.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {
std::atomic<unsigned> chosenCores{0};
std::atomic<unsigned> pagesPlaying{0};
std::atomic<bool> imagesInParts{true};
std::atomic<bool> antialiased{true};
thread_local unsigned playDepth = 0;  // a page played inside another counts once
}  // namespace

unsigned DrawingCores() {
    static const unsigned machine = std::max(1u, std::thread::hardware_concurrency());
    unsigned chosen = chosenCores.load(std::memory_order_relaxed);
    return chosen ? chosen : machine;
}

void SetDrawingCores(unsigned cores) { chosenCores.store(cores, std::memory_order_relaxed); }

bool ImagesInParts() { return imagesInParts.load(std::memory_order_relaxed); }

void SetImagesInParts(bool on) { imagesInParts.store(on, std::memory_order_relaxed); }

bool DrawingAntialiased() { return antialiased.load(std::memory_order_relaxed); }

void SetDrawingAntialiased(bool on) { antialiased.store(on, std::memory_order_relaxed); }

namespace gdi {
PagePlaying::PagePlaying() {
    if (playDepth++ == 0) pagesPlaying.fetch_add(1, std::memory_order_relaxed);
}

PagePlaying::~PagePlaying() {
    if (--playDepth == 0) pagesPlaying.fetch_sub(1, std::memory_order_relaxed);
}

bool CoreToSpare() { return pagesPlaying.load(std::memory_order_relaxed) < DrawingCores(); }
}  // namespace gdi

// The ten exported entry points.
#include "convert_print_job.h"
#include "kernel.h"
#include "page_files.h"
#include "picture_load_context.h"
#include "spoolsight_plugin.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
const char kPluginName[] = "Spoolsight";
const char kExtensions[] = "spl;prn;pcl;hpgl;plt";
const char kLabel[] = "Printer spool format";

// Copies text into a buffer of `size` bytes: as much as fits with a
// terminator, the rest of the buffer zero. A size of 0 writes nothing.
void boundedCopy(char* dst, int32_t size, const char* text) {
    if (!dst || size <= 0) return;
    size_t n = std::strlen(text), room = static_cast<size_t>(size) - 1;
    if (n > room) n = room;
    std::copy_n(text, n, dst);
    std::fill(dst + n, dst + size, '\0');
}
}  // namespace

IVP_EXPORT int32_t ivpGetPluginInfo(int32_t version, char* name, int32_t nameSize, char* extensions, int32_t,
                                    int32_t* count) {
    if (version != 2) return 0;
    if (!extensions || !count) return 0;
    boundedCopy(name, nameSize, kPluginName);
    std::memcpy(extensions, kExtensions, sizeof kExtensions);
    *count = 1;
    return 1;
}

IVP_EXPORT void* ivpLoadPictureInit(const char* fileName) {
    if (!fileName) return nullptr;
    PictureLoadContext* context = nullptr;
    PageList pages;
    try {
        context = new PictureLoadContext();
        // The picture is the first page: the conversion stops after it.
        if (!ConvertPrintJob(fileName, pages, 1) || pages.empty()) {
            DeletePageFiles(pages);
            delete context;
            return nullptr;
        }
        context->pagePath = pages.front();
        pages.erase(pages.begin());
        DeletePageFiles(pages);
        return context;
    } catch (...) {
        DeletePageFiles(pages);
        delete context;
        return nullptr;
    }
}

IVP_EXPORT int32_t ivpLoadPictureGetInfo(void* handle, int32_t* kind, int32_t* width, int32_t* height,
                                         int32_t* resolution, int32_t* bitsPerPixel, int32_t* bytesPerLine,
                                         int32_t* colormapFlag, char* label, int32_t labelSize) {
    auto* context = static_cast<PictureLoadContext*>(handle);
    if (!context || !kind || !width || !height || !resolution || !bitsPerPixel || !bytesPerLine || !colormapFlag)
        return 0;
    try {
        if (!RenderPageMetafile(context->pagePath.c_str(), context->page)) return 0;
    } catch (...) {
        ReleaseRenderedPage(context->page);
        return 0;
    }
    const RenderedPage& page = context->page;
    *kind = 0;
    *width = page.width;
    *height = page.height;
    *resolution = page.resolution;
    *bitsPerPixel = page.bytesPerPixel * 8;
    *bytesPerLine = page.width * page.bytesPerPixel;
    *colormapFlag = 0;
    boundedCopy(label, labelSize, kLabel);
    return 1;
}

IVP_EXPORT int32_t ivpLoadPictureGetLine(void* handle, int32_t row, void* destination) {
    auto* context = static_cast<PictureLoadContext*>(handle);
    if (!context || !destination || !context->page.pixels || row < 0 || row >= context->page.height) return 0;
    const RenderedPage& page = context->page;
    size_t stride = static_cast<size_t>(page.width) * static_cast<size_t>(page.bytesPerPixel);
    std::memcpy(destination, page.pixels + static_cast<size_t>(row) * stride, stride);
    return 1;
}

IVP_EXPORT int32_t ivpLoadPictureGetColormap(void*, void*) { return 0; }

IVP_EXPORT void ivpLoadPictureExit(void* handle) {
    auto* context = static_cast<PictureLoadContext*>(handle);
    if (!context) return;
    ReleaseRenderedPage(context->page);
    if (!context->pagePath.empty()) DeleteTemporaryFile(context->pagePath);
    delete context;
}

IVP_EXPORT int32_t ivpSavePictureIsSupported(int32_t, int32_t, int32_t bitsPerPixel, int32_t flags) {
    return flags == 0 && bitsPerPixel >= 8 ? 1 : 0;
}

IVP_EXPORT void* ivpSavePictureInit(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return nullptr;
}

IVP_EXPORT int32_t ivpSavePicturePutLine(void*, int32_t, const void*) { return 0; }

IVP_EXPORT void ivpSavePictureExit(void*) {}

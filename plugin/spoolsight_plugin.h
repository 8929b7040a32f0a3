// The exported plug-in interface, called by the host viewer. Integers are
// 32-bit; pointers, handles and the context are native pointers.
#pragma once
#include <cstdint>

#ifdef _WIN32
#define IVP_EXPORT extern "C"  // exported by name through spoolsight.def
#else
#define IVP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Writes the plug-in name into `name` (at most nameSize bytes, always
// zero-terminated when nameSize > 0) and "spl;prn;pcl;hpgl;plt" with its
// terminator into `extensions`, which must hold at least 21 bytes.
IVP_EXPORT int32_t ivpGetPluginInfo(int32_t version, char* name, int32_t nameSize, char* extensions, int32_t reserved,
                                    int32_t* count);
// Converts the job; null when it yields no page.
IVP_EXPORT void* ivpLoadPictureInit(const char* fileName);
// Rasterises the first page; 0 when the page cannot be read or pictured.
IVP_EXPORT int32_t ivpLoadPictureGetInfo(void* context, int32_t* kind, int32_t* width, int32_t* height,
                                         int32_t* resolution, int32_t* bitsPerPixel, int32_t* bytesPerLine,
                                         int32_t* colormapFlag, char* label, int32_t labelSize);
// Copies row `row` (0 = top) of width * 4 bytes; 0 for rows outside the picture.
IVP_EXPORT int32_t ivpLoadPictureGetLine(void* context, int32_t row, void* destination);
IVP_EXPORT int32_t ivpLoadPictureGetColormap(void* context, void* colormap);
IVP_EXPORT void ivpLoadPictureExit(void* context);
IVP_EXPORT int32_t ivpSavePictureIsSupported(int32_t a, int32_t b, int32_t bitsPerPixel, int32_t flags);
IVP_EXPORT void* ivpSavePictureInit(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g,
                                    int32_t h);
IVP_EXPORT int32_t ivpSavePicturePutLine(void* context, int32_t row, const void* source);
IVP_EXPORT void ivpSavePictureExit(void* context);

#include "plugin_loader.h"

#include <cstdint>
#include <cstring>
#include <dlfcn.h>

namespace {
using GetPluginInfoFn = int32_t (*)(int32_t, char*, int32_t, char*, int32_t, int32_t*);
using InitFn = void* (*)(const char*);
using GetInfoFn = int32_t (*)(void*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, char*,
                              int32_t);
using GetLineFn = int32_t (*)(void*, int32_t, void*);
using ExitFn = void (*)(void*);
}  // namespace

PluginLoader::~PluginLoader() {
    if (library_) dlclose(library_);
}

bool PluginLoader::Open(const std::string& libraryPath, std::string& error) {
    library_ = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        error = std::string("cannot load plug-in: ") + dlerror();
        return false;
    }
    auto info = reinterpret_cast<GetPluginInfoFn>(dlsym(library_, "ivpGetPluginInfo"));
    char name[64] = {}, extensions[64] = {};
    int32_t count = 0;
    if (!info || info(2, name, sizeof name, extensions, 0, &count) != 1 || count != 1) {
        error = libraryPath + " is not a picture plug-in";
        return false;
    }
    name_ = name;
    return true;
}

bool PluginLoader::LoadPicture(const std::string& jobPath, Picture& picture, std::string& error, bool& noPage) {
    noPage = false;
    auto init = reinterpret_cast<InitFn>(dlsym(library_, "ivpLoadPictureInit"));
    auto getInfo = reinterpret_cast<GetInfoFn>(dlsym(library_, "ivpLoadPictureGetInfo"));
    auto getLine = reinterpret_cast<GetLineFn>(dlsym(library_, "ivpLoadPictureGetLine"));
    auto exit = reinterpret_cast<ExitFn>(dlsym(library_, "ivpLoadPictureExit"));
    if (!init || !getInfo || !getLine || !exit) {
        error = "plug-in lacks the picture-loading functions";
        return false;
    }
    void* context = init(jobPath.c_str());
    if (!context) {
        noPage = true;
        error = jobPath + ": no page could be read from this file";
        return false;
    }
    int32_t kind, width, height, resolution, bpp, bytesPerLine, colormap;
    char label[64];
    if (!getInfo(context, &kind, &width, &height, &resolution, &bpp, &bytesPerLine, &colormap, label, sizeof label) ||
        bpp != 32 || bytesPerLine != width * 4) {
        exit(context);
        error = jobPath + ": the first page cannot be pictured";
        return false;
    }
    picture.width = width;
    picture.height = height;
    picture.bgrx.resize(static_cast<size_t>(bytesPerLine) * height);
    for (int32_t y = 0; y < height; ++y) getLine(context, y, picture.bgrx.data() + static_cast<size_t>(y) * bytesPerLine);
    exit(context);
    return true;
}

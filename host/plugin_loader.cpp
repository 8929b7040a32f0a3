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
    if (library_) {
        ClosePicture();
        dlclose(library_);
    }
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

bool PluginLoader::OpenPicture(const std::string& jobPath, int32_t& width, int32_t& height, std::string& error,
                               bool& noPage) {
    ClosePicture();
    noPage = false;
    auto init = reinterpret_cast<InitFn>(dlsym(library_, "ivpLoadPictureInit"));
    auto getInfo = reinterpret_cast<GetInfoFn>(dlsym(library_, "ivpLoadPictureGetInfo"));
    getLine_ = reinterpret_cast<GetLineFn>(dlsym(library_, "ivpLoadPictureGetLine"));
    exit_ = reinterpret_cast<ExitFn>(dlsym(library_, "ivpLoadPictureExit"));
    if (!init || !getInfo || !getLine_ || !exit_) {
        error = "plug-in lacks the picture-loading functions";
        return false;
    }
    picture_ = init(jobPath.c_str());
    if (!picture_) {
        noPage = true;
        error = jobPath + ": no page could be read from this file";
        return false;
    }
    int32_t kind, resolution, bpp, bytesPerLine, colormap;
    char label[64];
    if (!getInfo(picture_, &kind, &width, &height, &resolution, &bpp, &bytesPerLine, &colormap, label, sizeof label) ||
        bpp != 32 || width <= 0 || height <= 0 || bytesPerLine != width * 4) {
        ClosePicture();
        error = jobPath + ": the first page cannot be pictured";
        return false;
    }
    return true;
}

bool PluginLoader::Row(int32_t y, uint8_t* into) const { return picture_ && getLine_(picture_, y, into) == 1; }

void PluginLoader::ClosePicture() {
    if (!picture_) return;
    exit_(picture_);
    picture_ = nullptr;
}

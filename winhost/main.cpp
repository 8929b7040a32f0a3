// spoolsight.exe: the command for Windows. It loads spoolsight.dll with LoadLibrary and
// GetProcAddress exactly as a viewer does, and writes the first page of a job as a PNG:
//   spoolsight JOB -o OUT.png [--plugin DLL]
#include "png_writer.h"

#include "windows_api.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
using GetPluginInfo = int32_t (*)(int32_t, char*, int32_t, char*, int32_t, int32_t*);
using LoadInit = void* (*)(const char*);
using LoadGetInfo = int32_t (*)(void*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, char*,
                                int32_t);
using LoadGetLine = int32_t (*)(void*, int32_t, void*);
using LoadExit = void (*)(void*);

constexpr int kWritten = 0, kNoPicture = 1, kUsage = 2, kNotWritten = 3;

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "spoolsight: %s\n", message.c_str());
    return status;
}

// The plug-in beside this program, unless another is named.
std::string besideProgram(const char* name) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n < sizeof self ? n : 0);
    size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

template <typename F>
F entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

int main(int argc, char** argv) {
    std::string job, output, plugin;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-o" || a == "--plugin") && i + 1 < argc) (a == "-o" ? output : plugin) = argv[++i];
        else if (a == "--help") {
            std::puts(
                "usage: spoolsight JOB -o OUT.png [--plugin DLL]\n"
                "Writes the first page of a printer job as the viewer plug-in pictures it.");
            return kWritten;
        } else if (job.empty() && (a.empty() || a[0] != '-')) job = a;
        else return fail("unknown argument " + a + "; try 'spoolsight --help'", kUsage);
    }
    if (job.empty() || output.empty()) return fail("usage: spoolsight JOB -o OUT.png [--plugin DLL]", kUsage);
    if (plugin.empty()) plugin = besideProgram("spoolsight.dll");

    HMODULE module = LoadLibraryA(plugin.c_str());
    if (!module) return fail("cannot load the plug-in " + plugin, kNoPicture);
    auto info = entry<GetPluginInfo>(module, "ivpGetPluginInfo");
    auto init = entry<LoadInit>(module, "ivpLoadPictureInit");
    auto getInfo = entry<LoadGetInfo>(module, "ivpLoadPictureGetInfo");
    auto getLine = entry<LoadGetLine>(module, "ivpLoadPictureGetLine");
    auto exit = entry<LoadExit>(module, "ivpLoadPictureExit");
    char name[64] = {}, extensions[64] = {};
    int32_t count = 0;
    if (!info || !init || !getInfo || !getLine || !exit || info(2, name, sizeof name, extensions, 0, &count) != 1) {
        FreeLibrary(module);
        return fail(plugin + " is not a picture-loading plug-in", kNoPicture);
    }
    int status = kWritten;
    void* picture = init(job.c_str());
    int32_t kind = 0, width = 0, height = 0, resolution = 0, bits = 0, bytesPerLine = 0, colormap = 0;
    char label[64] = {};
    if (!picture) {
        status = fail(job + ": no page could be read from this file", kNoPicture);
    } else if (getInfo(picture, &kind, &width, &height, &resolution, &bits, &bytesPerLine, &colormap, label,
                       sizeof label) != 1 ||
               width <= 0 || height <= 0 || bits != 32) {
        status = fail(job + ": the page cannot be pictured", kNoPicture);
    } else {
        // Rows are pulled one at a time, as a viewer pulls them.
        std::string error;
        bool written = WritePng(
            output, width, height,
            [&](int32_t y, uint8_t* scratch) {
                return getLine(picture, y, scratch) == 1 ? static_cast<const uint8_t*>(scratch) : nullptr;
            },
            error, 1);
        if (written) std::printf("%s: %d x %d pixels -> %s\n", job.c_str(), width, height, output.c_str());
        else status = fail(error, kNotWritten);
    }
    if (picture) exit(picture);
    FreeLibrary(module);
    return status;
}

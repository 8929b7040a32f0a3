// spoolsight.exe: the command for Windows. It loads spoolsight.dll with LoadLibrary and
// GetProcAddress exactly as a viewer does, and writes the first page of jobs as PNG:
//   spoolsight JOB -o OUT.png [--plugin DLL]
//   spoolsight JOB... --output-dir DIR [--plugin DLL]
#include "png_writer.h"
#include "spoolsight_plugin.h"

#include "windows_api.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {
// The exports' types, as the plug-in declares them.
using GetPluginInfo = decltype(&ivpGetPluginInfo);
using LoadInit = decltype(&ivpLoadPictureInit);
using LoadGetInfo = decltype(&ivpLoadPictureGetInfo);
using LoadGetLine = decltype(&ivpLoadPictureGetLine);
using LoadExit = decltype(&ivpLoadPictureExit);

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

struct Plugin {
    HMODULE module = nullptr;
    LoadInit init = nullptr;
    LoadGetInfo getInfo = nullptr;
    LoadGetLine getLine = nullptr;
    LoadExit exit = nullptr;
};

// One job's first page into `output`; the exit status of its run.
int pictureJob(const Plugin& plugin, const std::string& job, const std::string& output) {
    int status = kWritten;
    void* picture = plugin.init(job.c_str());
    int32_t kind = 0, width = 0, height = 0, resolution = 0, bits = 0, bytesPerLine = 0, colormap = 0;
    char label[64] = {};
    if (!picture) {
        status = fail(job + ": no page could be read from this file", kNoPicture);
    } else if (plugin.getInfo(picture, &kind, &width, &height, &resolution, &bits, &bytesPerLine, &colormap, label,
                              sizeof label) != 1 ||
               width <= 0 || height <= 0 || bits != 32) {
        status = fail(job + ": the page cannot be pictured", kNoPicture);
    } else {
        // Rows are pulled one at a time, as a viewer pulls them.
        std::string error;
        bool written = WritePng(
            output, width, height,
            [&](int32_t y, uint8_t* scratch) {
                return plugin.getLine(picture, y, scratch) == 1 ? static_cast<const uint8_t*>(scratch) : nullptr;
            },
            error, 1);
        if (written) std::printf("%s: %d x %d pixels -> %s\n", job.c_str(), width, height, output.c_str());
        else status = fail(error, kNotWritten);
    }
    if (picture) plugin.exit(picture);
    return status;
}

// A job's picture in a folder: its file's name, less the extension, with ".png".
std::string inFolder(const std::string& folder, const std::string& job) {
    size_t slash = job.find_last_of("\\/");
    std::string stem = slash == std::string::npos ? job : job.substr(slash + 1);
    if (size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    return folder + "\\" + stem + ".png";
}
}  // namespace

int main(int argc, char** argv) {
    const char* usage =
        "usage: spoolsight JOB -o OUT.png [--plugin DLL]\n"
        "       spoolsight JOB... --output-dir DIR [--plugin DLL]";
    std::vector<std::string> jobs;
    std::string output, folder, pluginPath;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-o" || a == "--plugin" || a == "--output-dir") && i + 1 < argc)
            (a == "-o" ? output : a == "--plugin" ? pluginPath : folder) = argv[++i];
        else if (a == "--help") {
            std::printf("%s\nWrites the first page of printer jobs as the viewer plug-in pictures them.\n", usage);
            return kWritten;
        } else if (!a.empty() && a[0] != '-') jobs.push_back(a);
        else return fail("unknown argument " + a + "; try 'spoolsight --help'", kUsage);
    }
    if (jobs.empty() || output.empty() == folder.empty() || (jobs.size() > 1 && folder.empty()))
        return fail(usage, kUsage);
    if (pluginPath.empty()) pluginPath = besideProgram("spoolsight.dll");

    Plugin plugin;
    plugin.module = LoadLibraryA(pluginPath.c_str());
    if (!plugin.module) return fail("cannot load the plug-in " + pluginPath, kNoPicture);
    auto info = entry<GetPluginInfo>(plugin.module, "ivpGetPluginInfo");
    plugin.init = entry<LoadInit>(plugin.module, "ivpLoadPictureInit");
    plugin.getInfo = entry<LoadGetInfo>(plugin.module, "ivpLoadPictureGetInfo");
    plugin.getLine = entry<LoadGetLine>(plugin.module, "ivpLoadPictureGetLine");
    plugin.exit = entry<LoadExit>(plugin.module, "ivpLoadPictureExit");
    char name[64] = {}, extensions[64] = {};
    int32_t count = 0;
    int status = kWritten;
    if (!info || !plugin.init || !plugin.getInfo || !plugin.getLine || !plugin.exit ||
        info(2, name, sizeof name, extensions, 0, &count) != 1) {
        status = fail(pluginPath + " is not a picture-loading plug-in", kNoPicture);
    } else {
        for (const std::string& job : jobs)
            status = std::max(status, pictureJob(plugin, job, folder.empty() ? output : inFolder(folder, job)));
    }
    FreeLibrary(plugin.module);
    return status;
}

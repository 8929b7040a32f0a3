// spoolsight: shows a printer job as a picture.
//   spoolsight JOB [-o page.png] [--all-pages DIR] [--keep-emf DIR] [--plugin LIB]
#include "convert_print_job.h"
#include "language_detector.h"
#include "mapped_file.h"
#include "page_renderer.h"
#include "plugin_loader.h"
#include "png_writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
int usage() {
    std::fprintf(stderr,
                 "usage: spoolsight JOB [-o page.png] [--all-pages DIR] [--keep-emf DIR] [--plugin LIB]\n"
                 "  -o FILE           write the first page as PNG (default page.png)\n"
                 "  --all-pages DIR   write every page as DIR/page-NNNN.png\n"
                 "  --keep-emf DIR    copy the page metafiles to DIR/page-NNNN.emf\n"
                 "  --plugin LIB      plug-in library to load (default: next to this program)\n");
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "spoolsight: %s\n", message.c_str());
    return 1;
}

// Why a job gave no page: a language that is recognised but not drawn is named.
std::string noPage(const std::string& job) {
    MappedFile file;
    JobFormat format = file.Open(job.c_str()) ? IdentifyPrintJob(file.data(), file.size()).format : JobFormat::Unknown;
    if (format != JobFormat::Unknown && !JobFormatIsDrawn(format))
        return job + ": " + JobFormatName(format) + " job: this language is not shown";
    return job + ": no page could be read from this file";
}

std::string defaultPlugin() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (fs::path candidate : {self.parent_path() / "libspoolsight.so", self.parent_path() / "plugin/libspoolsight.so"})
            if (fs::exists(candidate)) return candidate.string();
    }
    return "libspoolsight.so";
}

std::string numbered(const std::string& dir, size_t page, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04zu.%s", page, extension);
    return (fs::path(dir) / name).string();
}

// Every page through the library's own interface: convert, then picture the pages on every core.
int allPages(const std::string& job, const std::string& pngDir, const std::string& emfDir) {
    PageList pages;
    if (!ConvertPrintJob(job.c_str(), pages)) return fail(job + ": cannot be read");
    if (pages.empty()) return fail(noPage(job));
    int status = 0;
    std::error_code ec;
    if (!emfDir.empty()) {
        fs::create_directories(emfDir, ec);
        for (size_t i = 0; i < pages.size() && status == 0; ++i) {
            fs::copy_file(pages[i], numbered(emfDir, i + 1, "emf"), fs::copy_options::overwrite_existing, ec);
            if (ec) status = fail("cannot copy page to " + emfDir + ": " + ec.message());
        }
    }
    if (!pngDir.empty() && status == 0) {
        fs::create_directories(pngDir, ec);
        // A page that cannot be pictured is told and passed over; a file that cannot be written stops the rest.
        std::mutex messages;
        bool failed = false;
        PicturePages(pages, [&](size_t i, const RenderedPage* page) {
            std::string error = "page " + std::to_string(i + 1) + " cannot be pictured";
            bool written = false;
            if (page) {
                size_t stride = static_cast<size_t>(page->width) * 4;
                // The pages themselves go on every core: each is compressed on one.
                written = WritePng(
                    numbered(pngDir, i + 1, "png"), page->width, page->height,
                    [&](int32_t y, uint8_t*) { return page->pixels + static_cast<size_t>(y) * stride; }, error, 1);
            }
            if (written) return true;
            std::lock_guard<std::mutex> lock(messages);
            std::fprintf(stderr, "spoolsight: %s\n", error.c_str());
            if (page) failed = true;
            return page == nullptr;
        });
        if (failed) status = 1;
    }
    DeletePageFiles(pages);
    return status;
}
}  // namespace

int main(int argc, char** argv) {
    std::string job, output, pngDir, emfDir, plugin = defaultPlugin();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (a == "-o" || a == "--output") { if (!value(output)) return usage(); }
        else if (a == "--all-pages") { if (!value(pngDir)) return usage(); }
        else if (a == "--keep-emf") { if (!value(emfDir)) return usage(); }
        else if (a == "--plugin") { if (!value(plugin)) return usage(); }
        else if (a == "-h" || a == "--help") { usage(); return 0; }
        else if (!a.empty() && a[0] == '-') return usage();
        else if (job.empty()) job = a;
        else return usage();
    }
    if (job.empty()) return usage();
    if (access(job.c_str(), R_OK) != 0) return fail(job + ": " + std::strerror(errno));
    if (!pngDir.empty() || !emfDir.empty()) {
        int status = allPages(job, pngDir, emfDir);
        if (status != 0 || output.empty()) return status;
    }
    PluginLoader loader;
    std::string error;
    if (!loader.Open(plugin, error)) return fail(error);
    bool noContext = false;
    int32_t width = 0, height = 0;
    if (!loader.OpenPicture(job, width, height, error, noContext)) return fail(noContext ? noPage(job) : error);
    if (output.empty()) output = "page.png";
    // Rows are pulled from the plug-in as a viewer pulls them, by several threads at once.
    bool written = WritePng(
        output, width, height,
        [&](int32_t y, uint8_t* scratch) { return loader.Row(y, scratch) ? scratch : nullptr; }, error);
    loader.ClosePicture();
    if (!written) return fail(error);
    std::printf("%s: %d x %d pixels -> %s\n", job.c_str(), width, height, output.c_str());
    return 0;
}

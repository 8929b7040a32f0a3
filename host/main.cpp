// spoolsight: shows printer job files as pictures. The first page at the viewer's resolution
// comes through the plug-in's exports, loaded with dlopen as a viewer loads it; other pages
// and resolutions through the library's own interface, on every core.
#include "command_line.h"
#include "convert_print_job.h"
#include "document.h"
#include "drawing_options.h"
#include "job_info.h"
#include "language_detector.h"
#include "mapped_file.h"
#include "page_files.h"
#include "page_pictures.h"
#include "plugin_loader.h"
#include "raster_writers.h"
#include "temporary_files.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr size_t kProgressFromPages = 4;

void say(const std::string& message) { std::fprintf(stderr, "spoolsight: %s\n", message.c_str()); }

int fail(const std::string& message, int status = kExitNoPicture) {
    say(message);
    return status;
}

// Tells what could not be read or drawn, a line each; true when there was anything.
bool tellProblems(const std::string& label, const JobProblems& problems) {
    for (const JobProblem& p : problems) say(label + ": " + JobProblemText(p));
    return !problems.empty();
}

// Why a job gave no page: a language that is recognised but not drawn is named.
std::string noPage(const std::string& path, const std::string& label) {
    MappedFile file;
    JobFormat format = file.Open(path.c_str()) ? IdentifyPrintJob(file.data(), file.size()).format : JobFormat::Unknown;
    if (format != JobFormat::Unknown && !JobFormatIsDrawn(format))
        return label + ": " + JobFormatName(format) + " job: this language is not shown";
    return label + ": no page could be read from this file";
}

// Why a job gave no page: what went wrong, else a language that is recognised but not drawn.
int noPageStatus(const std::string& path, const std::string& label, const JobProblems& problems) {
    if (tellProblems(label, problems)) return kExitNoPicture;
    return fail(noPage(path, label));
}

// Why a job file cannot be read, or nothing when it can.
std::string unreadable(const std::string& job) {
    std::error_code ec;
    if (fs::is_directory(job, ec)) return job + ": is a directory, not a job file";
    if (access(job.c_str(), R_OK) != 0) return job + ": " + std::strerror(errno);
    return {};
}

std::string numbered(const std::string& dir, size_t page, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04zu.%s", page, extension);
    return (fs::path(dir) / name).string();
}

// A new file of our own in the temporary directory; -1 when none can be made.
int makeTempFile(const char* stem, std::string& path) {
    std::string dir = TempDirectory();
    path = (dir.empty() ? std::string("/tmp/") : dir) + stem + "-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0) path.clear();
    return fd;
}

// Where output named `target` really goes: the end of its chain of symbolic links (the link
// itself is left as it is), else the name itself.
std::string followLinks(const std::string& target) {
    fs::path at = target;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec))) break;
        fs::path next = fs::read_symlink(at, ec);
        if (ec) break;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at.string();
}

// A regular file is written under a temporary name beside its final one and renamed when
// whole, so no partial file is ever left under the final name; so is a new name. A device, a
// FIFO or a socket is written in place and never removed; a symbolic link's target is
// written and the link kept. Standard output gets the whole file.
bool writeWhole(const std::string& target,
                const std::function<bool(const std::string& path, std::string& error)>& write, std::string& error) {
    if (target == "-") {
        std::string path;
        int fd = makeTempFile("spoolsight-out", path);
        if (fd < 0) {
            error = "cannot make a temporary file";
            return false;
        }
        close(fd);
        RememberTemporaryFile(path);
        bool ok = write(path, error);
        FILE* in = ok ? std::fopen(path.c_str(), "rb") : nullptr;
        if (ok && !in) ok = false, error = "cannot read back the picture";
        char buffer[1 << 16];
        while (ok && in) {
            size_t n = std::fread(buffer, 1, sizeof buffer, in);
            if (n == 0) break;
            if (std::fwrite(buffer, 1, n, stdout) != n) ok = false, error = "cannot write to standard output";
        }
        if (in) std::fclose(in);
        std::remove(path.c_str());
        ForgetTemporaryFile(path);
        return ok && std::fflush(stdout) == 0;
    }
    std::string place = followLinks(target);
    struct stat st;
    if (lstat(place.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            error = "cannot write " + target + ": " + std::strerror(EISDIR);
            return false;
        }
        return write(place, error);
    }
    std::string partial = place + ".part-" + std::to_string(getpid());
    RememberTemporaryFile(partial);
    struct Forget {
        const std::string& path;
        ~Forget() { ForgetTemporaryFile(path); }
    } forget{partial};
    // Whether the file can be made at all is told first, with its cause, whatever the format.
    int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    if (!write(partial, error)) {
        std::remove(partial.c_str());
        // Told under the name the user gave.
        if (size_t at = error.find(partial); at != std::string::npos) error.replace(at, partial.size(), target);
        return false;
    }
    if (std::rename(partial.c_str(), place.c_str()) != 0) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

// A file of our own in the temporary directory, removed with this.
struct OwnTemporaryFile {
    std::string path;
    OwnTemporaryFile() = default;
    OwnTemporaryFile(const OwnTemporaryFile&) = delete;
    OwnTemporaryFile& operator=(const OwnTemporaryFile&) = delete;
    ~OwnTemporaryFile() {
        if (path.empty()) return;
        std::remove(path.c_str());
        ForgetTemporaryFile(path);
    }
};

// Standard input copied to a file of its own, which the converters map.
struct StandardInputCopy : OwnTemporaryFile {
    bool Make(std::string& error) {
        int fd = makeTempFile("spoolsight-stdin", path);
        if (fd < 0) {
            error = "cannot make a temporary file for standard input";
            return false;
        }
        RememberTemporaryFile(path);
        char buffer[1 << 16];
        ssize_t n;
        bool ok = true;
        while ((n = read(STDIN_FILENO, buffer, sizeof buffer)) > 0)
            if (write(fd, buffer, static_cast<size_t>(n)) != n) ok = false;
        if (n < 0 || close(fd) != 0) ok = false;
        if (!ok) error = "cannot read standard input";
        return ok;
    }
};

// A job with PJL commands put before it, as a printer's panel or GhostPCL's -J sets them,
// copied to a file of its own. Spool files and ZjStream jobs, whose languages read no PJL of
// ours, stay as they are.
struct JobWithPjl : OwnTemporaryFile {
    bool Make(const std::string& job, const std::vector<std::string>& commands, std::string& error) {
        MappedFile file;
        if (!file.Open(job.c_str())) {
            error = job + ": cannot be read";
            return false;
        }
        JobFormat format = IdentifyPrintJob(file.data(), file.size()).format;
        if (format == JobFormat::NtEmfSpool || format == JobFormat::ZjStream) return true;
        int fd = makeTempFile("spoolsight-pjl", path);
        if (fd < 0) {
            error = "cannot make a temporary file for the job with its PJL";
            return false;
        }
        RememberTemporaryFile(path);
        std::string head = "\x1B%-12345X";
        for (const std::string& c : commands) head += "@PJL " + c + "\r\n";
        bool ok = write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size());
        for (size_t at = 0; ok && at < file.size();) {
            ssize_t n = write(fd, file.data() + at, std::min<size_t>(file.size() - at, 1 << 20));
            ok = n > 0;
            at += ok ? static_cast<size_t>(n) : 0;
        }
        if (close(fd) != 0 || !ok) {
            error = "cannot write the job with its PJL to " + path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
};

// Every page through the library's own interface: convert, then picture the pages on every core.
int allPages(const std::string& job, const std::string& label, const std::string& pngDir, const std::string& emfDir,
             JobFormat language) {
    PageList pages;
    JobProblems problems;
    bool converted = ConvertPrintJob(job.c_str(), pages, SIZE_MAX, &problems, language);
    if (pages.empty() || !converted) {
        DeletePageFiles(pages);
        return noPageStatus(job, label, problems);
    }
    int status = tellProblems(label, problems) ? kExitSomeMissing : kExitWritten;
    std::error_code ec;
    if (!emfDir.empty()) {
        fs::create_directories(emfDir, ec);
        for (size_t i = 0; i < pages.size() && !ec; ++i) {
            fs::copy_file(pages[i], numbered(emfDir, i + 1, "emf"), fs::copy_options::overwrite_existing, ec);
            if (ec) status = fail("cannot copy page to " + emfDir + ": " + ec.message(), kExitSomeMissing);
        }
    }
    if (!pngDir.empty() && !ec) {
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
            std::lock_guard<std::mutex> lock(messages);
            if (!written) say(error);
            if (!written) failed = true;
            return written || page == nullptr;
        });
        if (failed) status = kExitSomeMissing;
    }
    DeletePageFiles(pages);
    return status;
}

// The first page at the viewer's resolution, as the viewer gets it from the plug-in.
int firstPageThroughPlugin(const HostOptions& o, const std::string& job, const std::string& label,
                           const std::string& output) {
    PluginLoader loader;
    std::string error;
    if (!loader.Open(o.plugin, error)) return fail(error);
    // The plug-in has no word for what it could not read: the library reads the same page
    // after it to tell it.
    JobProblems problems;
    auto readProblems = [&] {
        PageList pages;
        ConvertPrintJob(job.c_str(), pages, 1, &problems);
        DeletePageFiles(pages);
    };
    bool noContext = false;
    int32_t width = 0, height = 0;
    if (!loader.OpenPicture(job, width, height, error, noContext)) {
        if (!noContext) return fail(error);
        readProblems();
        return noPageStatus(job, label, problems);
    }
    // Rows are pulled from the plug-in as a viewer pulls them, by several threads at once.
    bool written = writeWhole(
        output,
        [&](const std::string& path, std::string& e) {
            return WritePng(
                path, width, height,
                [&](int32_t y, uint8_t* scratch) { return loader.Row(y, scratch) ? scratch : nullptr; }, e);
        },
        error);
    loader.ClosePicture();
    readProblems();
    int status = tellProblems(label, problems) ? kExitSomeMissing : kExitWritten;
    if (!written) return fail(error, kExitSomeMissing);
    if (!o.quiet && output != "-")
        std::printf("%s: %d x %d pixels -> %s\n", label.c_str(), width, height, output.c_str());
    return status;
}

// The format an output name's extension names; PNG for any other.
OutputFormat FormatOf(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    OutputFormat format = OutputFormat::Png;
    if (ext.size() > 1) ParseOutputFormat(ext.substr(1), format);
    return format;
}

const char* ExtensionOf(OutputFormat format) {
    static const char* const kExtensions[] = {"png", "pdf", "svg", "pbm", "pgm", "ppm", "tif", "jpg"};
    return kExtensions[static_cast<int>(format)];
}

// A row of BGRx pixels in greys, or in black and white as a monochrome printer prints it.
void applyLook(uint8_t* row, int32_t width, Look look) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* p = row + static_cast<size_t>(x) * 4;
        int grey = GreyOf(p);
        if (look == Look::Mono) grey = PrintsBlack(grey) ? 0 : 255;
        p[0] = p[1] = p[2] = static_cast<uint8_t>(grey);
    }
}

// The part of a picture written: the whole, or cropped, the drawing's bounding box with a
// margin of a tenth of an inch (as hp2xx draws a plot).
struct PictureArea {
    int32_t left = 0, top = 0, width = 0, height = 0;
};

PictureArea areaOf(const RenderedPage& page, bool crop, int32_t dotsPerInch) {
    PictureArea a{0, 0, page.width, page.height};
    if (!crop) return a;
    size_t stride = static_cast<size_t>(page.width) * 4;
    int32_t x0 = page.width, y0 = page.height, x1 = -1, y1 = -1;
    for (int32_t y = 0; y < page.height; ++y) {
        const uint8_t* row = page.pixels + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < page.width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * 4;
            if (p[0] > 250 && p[1] > 250 && p[2] > 250) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    if (x1 < 0) return a;  // nothing drawn: the whole page
    int32_t margin = std::max(1, dotsPerInch / 10);
    a.left = std::max(0, x0 - margin), a.top = std::max(0, y0 - margin);
    a.width = std::min(page.width, x1 + 1 + margin) - a.left;
    a.height = std::min(page.height, y1 + 1 + margin) - a.top;
    return a;
}

// A picture into a PNG, TIFF or JPEG file (with its resolution) or a Netpbm file.
bool writeRaster(OutputFormat format, const std::string& path, int32_t width, int32_t height, const PictureRows& rows,
                 std::string& error, unsigned threads, int32_t dotsPerInch) {
    switch (format) {
    case OutputFormat::Pbm: return WriteNetpbm(path, NetpbmKind::Bitmap, width, height, rows, error);
    case OutputFormat::Pgm: return WriteNetpbm(path, NetpbmKind::Greymap, width, height, rows, error);
    case OutputFormat::Ppm: return WriteNetpbm(path, NetpbmKind::Pixmap, width, height, rows, error);
    case OutputFormat::Tiff: return WriteTiff(path, width, height, rows, error, dotsPerInch);
    case OutputFormat::Jpeg: return WriteJpeg(path, width, height, rows, error, dotsPerInch);
    default: return WritePng(path, width, height, rows, error, threads, dotsPerInch);
    }
}

// Tells of each page as it is done: a line each, or a running count on a terminal.
class PageReport {
public:
    PageReport(bool quiet, const std::string& label, size_t pages)
        : label_(label),
          pages_(pages),
          quiet_(quiet),
          progress_(!quiet && isatty(STDERR_FILENO) && pages >= kProgressFromPages) {}
    ~PageReport() {
        if (progress_ && done_ > 0) std::fprintf(stderr, "\n");
    }
    // A page written (`size` in pixels) or not (`error`); false when it was not.
    bool Page(size_t number, const std::string& target, int width, int height, const std::string& error) {
        std::lock_guard<std::mutex> lock(lock_);
        if (!error.empty()) {
            if (progress_) std::fprintf(stderr, "\n");
            say(error);
            failed_ = true;
        } else if (!quiet_ && !progress_ && target != "-") {
            if (width > 0)
                std::printf("%s: page %zu, %d x %d pixels -> %s\n", label_.c_str(), number, width, height,
                            target.c_str());
            else std::printf("%s: page %zu -> %s\n", label_.c_str(), number, target.c_str());
        }
        if (progress_) std::fprintf(stderr, "\r%s: %zu of %zu pages", label_.c_str(), ++done_, pages_);
        return error.empty();
    }
    bool Failed() const { return failed_; }

private:
    std::mutex lock_;
    std::string label_;
    size_t pages_, done_ = 0;
    bool quiet_, progress_, failed_ = false;
};

// True when a page file holds a page metafile's header.
bool pageReadable(const std::string& page) {
    HENHMETAFILE metafile = GetEnhMetaFileA(page.c_str());
    ENHMETAHEADER header;
    bool ok = ReadPageHeader(metafile, header);
    if (metafile) DeleteEnhMetaFile(metafile);
    return ok;
}

// A page too large for one picture in memory written a band of rows at a time, each band
// played from the page on its own; `cannot` tells a band that cannot be pictured.
bool writeBanded(const std::string& page, OutputFormat format, Look look, int32_t dpi, const std::string& path,
                 int32_t width, int32_t height, const std::string& cannot, std::string& error) {
    int32_t bandRows = static_cast<int32_t>(std::max<int64_t>(1, kMaxBandBytes / (int64_t{width} * 4)));
    size_t stride = static_cast<size_t>(width) * 4;
    RenderedPage band;
    int32_t top = -1;
    std::mutex lock;
    bool ok = writeRaster(
        format, path, width, height,
        [&](int32_t y, uint8_t* scratch) -> const uint8_t* {
            std::lock_guard<std::mutex> hold(lock);
            if (top < 0 || y < top || y >= top + band.height) {
                top = y / bandRows * bandRows;
                if (!RenderPageBand(page.c_str(), band, dpi, top, std::min(bandRows, height - top))) {
                    top = -1;
                    return nullptr;
                }
            }
            std::memcpy(scratch, band.pixels + static_cast<size_t>(y - top) * stride, stride);
            if (look != Look::Colour) applyLook(scratch, width, look);
            return scratch;
        },
        error, 1, dpi);
    ReleaseRenderedPage(band);
    if (!ok && error.rfind("cannot read the picture", 0) == 0) error = cannot;
    return ok;
}

// The pages of one job into one PDF, in the order asked.
bool writeDocument(const std::string& path, DocumentFormat format, const PageList& pages,
                   const std::vector<size_t>& chosen, int dpi, PageReport& report, const std::string& label,
                   const std::string& target, std::string& error) {
    HDC document = CreateDocumentDC(path.c_str(), format, dpi);
    if (!document) {
        error = "cannot create " + path;
        return false;
    }
    size_t drawn = 0;
    for (size_t k = 0; k < chosen.size(); ++k) {
        bool ok = DrawPageIntoDocument(document, pages[k].c_str(), dpi);
        drawn += ok;
        report.Page(chosen[k] + 1, target, 0, 0,
                    ok ? "" : label + ": page " + std::to_string(chosen[k] + 1) + " cannot be drawn");
    }
    if (!CloseDocumentDC(document) || drawn == 0) {
        error = drawn == 0 ? label + ": no page could be drawn" : "cannot write " + path;
        return false;
    }
    return true;
}

// Chosen pages at a chosen resolution through the library, on every core: PNG pictures,
// one PDF, or PDF and SVG documents a page each.
int chosenPages(const HostOptions& o, const std::string& job, const std::string& label, const std::string& output,
                bool pattern, OutputFormat format, const std::vector<PageRange>& ranges) {
    size_t limit = 0;  // pages converted: as far as the last one asked for
    for (const PageRange& r : ranges) {
        if (r.last == 0) {
            limit = SIZE_MAX;
            break;
        }
        limit = std::max(limit, r.last);
    }
    PageList pages;
    JobProblems problems;
    bool converted = ConvertPrintJob(job.c_str(), pages, limit, &problems, o.language);
    if (pages.empty() || !converted) {
        DeletePageFiles(pages);
        return noPageStatus(job, label, problems);
    }
    std::vector<size_t> lacking;
    std::vector<size_t> chosen = SelectPages(ranges, pages.size(), lacking);
    int status = tellProblems(label, problems) ? kExitSomeMissing : kExitWritten;
    for (size_t page : lacking) {
        say(label + ": has no page " + std::to_string(page) + " (it has " + std::to_string(pages.size()) +
            (pages.size() == limit ? " or more)" : ")"));
        status = kExitSomeMissing;
    }
    PageList wanted;
    for (size_t i : chosen) wanted.push_back(pages[i]);
    int32_t dpi = o.resolution;
    bool boxed = o.boxWidth > 0;
    PageReport report(o.quiet, label, wanted.size());
    if (format == OutputFormat::Pdf && !pattern) {
        std::string e;
        if (!writeWhole(
                output,
                [&](const std::string& path, std::string& err) {
                    return writeDocument(path, DocumentFormat::Pdf, wanted, chosen, o.resolution, report, label, output,
                                         err);
                },
                e))
            status = fail(e, kExitSomeMissing);
    } else if (format == OutputFormat::Pdf || format == OutputFormat::Svg) {
        DocumentFormat kind = format == OutputFormat::Pdf ? DocumentFormat::Pdf : DocumentFormat::Svg;
        std::atomic<size_t> next{0};
        RunOnEveryCore(wanted.size(), [&] {
            for (size_t k; (k = next++) < wanted.size();) {
                std::string target = pattern ? NameForPage(output, chosen[k] + 1) : output, e;
                PageList one{wanted[k]};
                std::vector<size_t> number{chosen[k]};
                PageReport quiet(true, label, 1);
                writeWhole(
                    target,
                    [&](const std::string& path, std::string& err) {
                        return writeDocument(path, kind, one, number, o.resolution, quiet, label, target, err);
                    },
                    e);
                report.Page(chosen[k] + 1, target, 0, 0, e);  // `e` is empty when the page was written
            }
        });
    } else {
        PicturePages(
            wanted,
            [&](size_t k, const RenderedPage* page) {
                size_t number = chosen[k] + 1;
                std::string target = pattern ? NameForPage(output, number) : output, e;
                int32_t width = page ? page->width : 0, height = page ? page->height : 0;
                if (!page) {
                    // Too large for one picture in memory: drawn a band of rows at a time.
                    std::string why = label + ": page " + std::to_string(number) + " cannot be pictured";
                    if (!boxed && BandedPictureSize(wanted[k].c_str(), dpi, width, height))
                        writeWhole(
                            target,
                            [&](const std::string& path, std::string& err) {
                                return writeBanded(wanted[k], format, o.look, dpi, path, width, height, why, err);
                            },
                            e);
                    else
                        e = why +
                            (pageReadable(wanted[k]) ? " at " + std::to_string(dpi) + " dpi: more than " +
                                     std::to_string(kMaxBandedPictureSide) + " pixels a side"
                                                     : "");
                } else {
                    PictureArea area = areaOf(*page, o.crop, dpi);
                    width = area.width, height = area.height;
                    size_t stride = static_cast<size_t>(page->width) * 4;
                    PictureRows rows = [&](int32_t y, uint8_t* scratch) -> const uint8_t* {
                        const uint8_t* row = page->pixels + static_cast<size_t>(y + area.top) * stride +
                            static_cast<size_t>(area.left) * 4;
                        if (o.look == Look::Colour) return row;
                        std::memcpy(scratch, row, static_cast<size_t>(area.width) * 4);
                        applyLook(scratch, area.width, o.look);
                        return scratch;
                    };
                    writeWhole(
                        target,
                        [&](const std::string& path, std::string& err) {
                            return writeRaster(format, path, width, height, rows, err, wanted.size() > 1 ? 1 : 0,
                                               boxed ? 0 : dpi);
                        },
                        e);
                }
                report.Page(number, target, e.empty() ? width : 0, e.empty() ? height : 0, e);
                return true;
            },
            o.resolution, o.boxWidth, o.boxHeight);
    }
    DeletePageFiles(pages);
    return report.Failed() ? kExitSomeMissing : status;
}

// The names the pictures of this run took in --output-dir, each with the job that took it.
using TakenNames = std::map<std::string, std::string>;

// A job's name in --output-dir: its file's stem, or the stem and a number when an earlier job
// of this run took it (two jobs named alike in different folders), which is told.
std::string outputStem(const std::string& jobArgument, const std::string& label, TakenNames& taken) {
    std::string stem = jobArgument == "-" ? "stdin" : fs::path(jobArgument).stem().string(), name = stem;
    for (int n = 2; taken.count(name); ++n) name = stem + "-" + std::to_string(n);
    if (name != stem) say(label + ": its picture is named " + name + ", as " + taken[stem] + " took " + stem);
    taken[name] = label;
    return name;
}

int runJob(const HostOptions& o, const std::string& jobArgument, TakenNames& taken) {
    StandardInputCopy input;
    std::string job = jobArgument, label = jobArgument, error;
    if (jobArgument == "-") {
        if (!input.Make(error)) return fail(error);
        job = input.path;
        label = "standard input";
    } else if (std::string why = unreadable(job); !why.empty()) {
        return fail(why);
    }
    JobWithPjl withPjl;
    if (!o.pjl.empty()) {
        if (!withPjl.Make(job, o.pjl, error)) return fail(error);
        if (!withPjl.path.empty()) job = withPjl.path;
    }
    if (!o.pngDir.empty() || !o.emfDir.empty()) {
        int status = allPages(job, label, o.pngDir, o.emfDir, o.language);
        if (status != kExitWritten || (o.output.empty() && o.outputDir.empty())) return status;
    }
    std::vector<PageRange> ranges;
    if (!o.pages.empty()) ParsePageRanges(o.pages, ranges);
    std::string output = o.output.empty() ? "page.png" : o.output;
    if (!o.outputDir.empty()) {
        std::string stem = outputStem(jobArgument, label, taken);
        bool several = ranges.size() > 1 || (ranges.size() == 1 && ranges[0].first != ranges[0].last);
        std::error_code ec;
        fs::create_directories(o.outputDir, ec);
        // A percent sign in a job's own name is not a page number.
        std::string escaped;
        for (char c : stem) escaped += c == '%' ? "%%" : std::string(1, c);
        bool pdf = o.formatGiven && o.format == OutputFormat::Pdf;
        output = (fs::path(o.outputDir) /
                  (escaped + (several && !pdf ? "-%d" : "") + "." +
                   ExtensionOf(o.formatGiven ? o.format : OutputFormat::Png)))
                     .string();
    }
    bool pattern = HasPageNumber(output, error);
    if (!error.empty()) return fail(error, kExitUsage);
    // The format the option names, else the name's; a PDF holds every page, and a name with a
    // page number takes every page, one file each.
    OutputFormat format = o.formatGiven ? o.format : FormatOf(pattern ? NameForPage(output, 1) : output);
    bool manyInOne = format == OutputFormat::Pdf && !pattern;
    if (ranges.empty()) ranges.push_back(pattern || manyInOne ? PageRange{1, 0} : PageRange{1, 1});
    bool onePage = ranges.size() == 1 && ranges[0].last == ranges[0].first;
    if (output == "-" && (pattern || (!onePage && !manyInOne)))
        return fail("standard output takes one picture, or one PDF", kExitUsage);
    if (!pattern && !onePage && !manyInOne)
        return fail("several pages need a page number in the output name, as in page-%d.png", kExitUsage);
    bool viewerPicture = format == OutputFormat::Png && !pattern && ranges[0].first == 1 &&
        o.resolution == kDefaultResolution && o.boxWidth == 0 && o.look == Look::Colour && !o.crop && o.antialias &&
        o.language == JobFormat::Unknown;
    // A plug-in named is asked for the first page as a viewer asks; without one the library draws
    // the same picture itself, reading the job once for the picture and for what went wrong.
    if (viewerPicture && !o.plugin.empty()) return firstPageThroughPlugin(o, job, label, output);
    if (!o.plugin.empty())
        return fail("--plugin serves the first page at 192 dpi; other pages and resolutions come from the library",
                    kExitUsage);
    return chosenPages(o, job, label, output, pattern, format, ranges);
}
}  // namespace

namespace {
// Interrupted, terminated or hung up: the page files and unfinished outputs go before the
// process ends as the signal ends it.
extern "C" void stopBySignal(int signal) {
    RemoveRememberedFiles(unlink);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeFilesWhenStopped() {
    struct sigaction action {};
    action.sa_handler = stopBySignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}
}  // namespace

int main(int argc, char** argv) {
    removeFilesWhenStopped();
    HostOptions o;
    std::string error;
    if (!ParseCommandLine(argc, argv, o, error)) {
        say(error);
        std::fputs("try 'spoolsight --help'\n", stderr);
        return kExitUsage;
    }
    if (o.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitWritten;
    }
    if (o.version) {
        std::printf("spoolsight %s\n", SPOOLSIGHT_VERSION);
        return kExitWritten;
    }
    SetDrawingAntialiased(o.antialias);
    int status = kExitWritten;
    if (o.info) {
        for (const std::string& job : o.jobs) {
            StandardInputCopy input;
            std::string path = job;
            if (job == "-") {
                if (!input.Make(error)) return fail(error);
                path = input.path;
            }
            JobInfo info;
            if (std::string why = job == "-" ? "" : unreadable(job); !why.empty()) {
                status = std::max(status, fail(why));
                continue;
            }
            if (!DescribePrintJob(path.c_str(), info)) {
                status = std::max(status, fail(job + ": cannot be read"));
                continue;
            }
            std::string name = job == "-" ? "standard input" : job;
            std::fputs((o.json ? JobInfoJson(name, info) + "\n" : JobInfoText(name, info)).c_str(), stdout);
        }
        return status;
    }
    TakenNames taken;
    for (const std::string& job : o.jobs) {
        int s = runJob(o, job, taken);
        if (s == kExitUsage) return s;
        status = std::max(status, s);
    }
    return status;
}

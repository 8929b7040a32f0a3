// The gdk-pixbuf loader: image viewers, file managers and every GTK program open printer jobs
// as the picture of their first page, drawn at the size they ask for.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "job_first_page.h"

#include <cstring>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

namespace {
// Jobs are buffered whole before they are read; beyond this a load is refused.
constexpr size_t kMaxJobBytes = size_t{2} << 30;

struct LoadContext {
    GdkPixbufModuleSizeFunc sizeFunc = nullptr;
    GdkPixbufModulePreparedFunc preparedFunc = nullptr;
    GdkPixbufModuleUpdatedFunc updatedFunc = nullptr;
    gpointer userData = nullptr;
    std::vector<uint8_t> job;
};

GdkPixbufError errorCode(JobFirstPage::Fault fault) {
    switch (fault) {
    case JobFirstPage::Fault::NotAJob:
    case JobFirstPage::Fault::NotShown: return GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
    case JobFirstPage::Fault::NoPage: return GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
    case JobFirstPage::Fault::TooLarge: return GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
    case JobFirstPage::Fault::None: break;
    }
    return GDK_PIXBUF_ERROR_FAILED;
}

bool fail(GError** error, GdkPixbufError code, const std::string& message) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message.c_str());
    return false;
}

// Adds bytes to a job being buffered; false, with `error` set, past the limit or out of memory.
bool appendToJob(std::vector<uint8_t>& job, const uint8_t* bytes, size_t size, GError** error) {
    if (size > kMaxJobBytes - job.size())
        return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "the job is larger than Spoolsight reads");
    try {
        job.insert(job.end(), bytes, bytes + size);
    } catch (...) {
        return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "not enough memory to read the job");
    }
    return true;
}

// Converts a whole job and hands its first page over: the size first, which the caller may
// change (a thumbnail; 0 asks for the size alone), then the pixels at that size. Null with
// `error` set when the job yields no picture; also null, without an error, when the caller
// wanted only the size.
GdkPixbuf* pictureJob(const uint8_t* data, size_t size, const LoadContext* callbacks, GError** error) {
    try {
        JobFirstPage page;
        JobFirstPage::Fault fault = JobFirstPage::Fault::None;
        std::string message;
        if (!page.Convert(data, size, fault, message)) return fail(error, errorCode(fault), message), nullptr;
        int32_t width = 0, height = 0;
        page.NaturalSize(width, height);
        if (callbacks && callbacks->sizeFunc) {
            int w = width, h = height;
            callbacks->sizeFunc(&w, &h, callbacks->userData);
            if (w <= 0 || h <= 0) return nullptr;
            width = w, height = h;
        }
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
        if (!pixbuf)
            return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                        "no memory for a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                            " pixels"),
                   nullptr;
        if (callbacks && callbacks->preparedFunc) callbacks->preparedFunc(pixbuf, nullptr, callbacks->userData);
        guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
        size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
        auto row = [&](int32_t y, const uint8_t* rgba) {
            std::memcpy(pixels + static_cast<size_t>(y) * stride, rgba, static_cast<size_t>(width) * 4);
        };
        if (!page.Draw(width, height, row, fault, message)) {
            g_object_unref(pixbuf);
            return fail(error, errorCode(fault), message), nullptr;
        }
        if (callbacks && callbacks->updatedFunc)
            callbacks->updatedFunc(pixbuf, 0, 0, width, height, callbacks->userData);
        return pixbuf;
    } catch (const std::bad_alloc&) {
        return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "not enough memory to read the job"), nullptr;
    } catch (...) {
        return fail(error, GDK_PIXBUF_ERROR_FAILED, "the job cannot be read"), nullptr;
    }
}

// A whole file at once: mapped, not copied, when it is a regular file.
GdkPixbuf* loadFile(FILE* f, GError** error) {
    struct stat st;
    int fd = fileno(f);
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        size_t size = static_cast<size_t>(st.st_size);
        if (size > kMaxJobBytes)
            return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "the job is larger than Spoolsight reads"),
                   nullptr;
        void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data != MAP_FAILED) {
            GdkPixbuf* pixbuf = pictureJob(static_cast<const uint8_t*>(data), size, nullptr, error);
            munmap(data, size);
            return pixbuf;
        }
    }
    std::vector<uint8_t> job;
    uint8_t buffer[1 << 16];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, f))
        if (!appendToJob(job, buffer, n, error)) return nullptr;
    if (std::ferror(f)) return fail(error, GDK_PIXBUF_ERROR_FAILED, "the job cannot be read"), nullptr;
    return pictureJob(job.data(), job.size(), nullptr, error);
}

gpointer beginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
    auto* context = new (std::nothrow) LoadContext;
    if (!context) return fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "not enough memory"), nullptr;
    context->sizeFunc = sizeFunc;
    context->preparedFunc = preparedFunc;
    context->updatedFunc = updatedFunc;
    context->userData = userData;
    return context;
}

// The bytes are kept until the job is whole: a job is read from its end as much as its start.
gboolean loadIncrement(gpointer data, const guchar* buffer, guint size, GError** error) {
    return appendToJob(static_cast<LoadContext*>(data)->job, buffer, size, error);
}

// The end of the data, or of a load the host gave up: what came is read, and the context goes.
gboolean stopLoad(gpointer data, GError** error) {
    auto* context = static_cast<LoadContext*>(data);
    GError* fault = nullptr;
    GdkPixbuf* pixbuf = pictureJob(context->job.data(), context->job.size(), context, &fault);
    delete context;
    if (pixbuf) g_object_unref(pixbuf);  // the host took its own reference when it was prepared
    if (fault) {
        g_propagate_error(error, fault);
        return FALSE;
    }
    return TRUE;
}

// How gdk-pixbuf knows a job when no MIME type names it: the first bytes of each language.
GdkPixbufModulePattern kSignatures[] = {
    {const_cast<gchar*>("\x1B"
                        "E"),
     nullptr, 80},                                      // PCL5 printer reset
    {const_cast<gchar*>("\x1B%-12345X"), nullptr, 60},  // universal exit before PJL
    {const_cast<gchar*>(") HP-PCL XL"), nullptr, 100},  // PCL XL stream header
    {const_cast<gchar*>("JZJZ"), nullptr, 100},         // ZjStream
    {const_cast<gchar*>("ZJZJ"), nullptr, 100},
    {const_cast<gchar*>("IN;"), nullptr, 50},                         // HP-GL plot
    {const_cast<gchar*>("xx\x01x"), const_cast<gchar*>("zz z"), 20},  // NT EMF spool header
    {nullptr, nullptr, 0},
};

gchar* kMimeTypes[] = {
    const_cast<gchar*>("application/vnd.hp-pcl"),  const_cast<gchar*>("application/vnd.hp-pclxl"),
    const_cast<gchar*>("application/vnd.hp-hpgl"), const_cast<gchar*>("application/x-emf-spool"),
    const_cast<gchar*>("application/x-zjstream"),  nullptr,
};

gchar* kExtensions[] = {
    const_cast<gchar*>("prn"), const_cast<gchar*>("pcl"), const_cast<gchar*>("pxl"), const_cast<gchar*>("hpgl"),
    const_cast<gchar*>("plt"), const_cast<gchar*>("spl"), const_cast<gchar*>("zjs"), nullptr,
};
}  // namespace

extern "C" {
G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
    module->load = loadFile;
    module->begin_load = beginLoad;
    module->load_increment = loadIncrement;
    module->stop_load = stopLoad;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
    info->name = const_cast<gchar*>("spoolsight");
    info->signature = kSignatures;
    info->description = const_cast<gchar*>("Printer job (PCL, PCL XL, HP-GL/2, NT EMF spool, ZjStream)");
    info->mime_types = kMimeTypes;
    info->extensions = kExtensions;
    info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
    info->license = const_cast<gchar*>("");
}
}

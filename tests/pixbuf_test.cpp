// Printer jobs opened through gdk-pixbuf, as Linux image viewers and thumbnailers open them:
// the loader built here, found through a loader cache and a MIME database in the build folder.
#include "sample_job.h"
#include "test_support.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {
// gdk-pixbuf and GIO read where their loaders and MIME types are once, at first use: the
// build folder's are named before anything runs.
const bool kBuildFolderFilesNamed = [] {
    setenv("GDK_PIXBUF_MODULE_FILE", SPOOLSIGHT_BUILD_DIR "/pixbuf/loaders.cache", 1);
    setenv("XDG_DATA_DIRS", SPOOLSIGHT_BUILD_DIR "/share:/usr/local/share:/usr/share", 1);
    return true;
}();

// A pixbuf's pixels as 0x00RRGGBB; false when any is not opaque.
bool ReadPixbuf(GdkPixbuf* pixbuf, Pixels& out) {
    out.width = gdk_pixbuf_get_width(pixbuf);
    out.height = gdk_pixbuf_get_height(pixbuf);
    out.px.resize(static_cast<size_t>(out.width) * out.height);
    int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    bool opaque = true;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const guchar* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
            out.px[static_cast<size_t>(y) * out.width + x] = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
            opaque = opaque && (channels < 4 || p[3] == 0xFF);
        }
    return opaque;
}

// Mean darkness (0 white, 255 black) of a picture.
double Darkness(const Pixels& p) {
    double sum = 0;
    for (uint32_t c : p.px) sum += 255 - ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3.0;
    return p.px.empty() ? 0 : sum / static_cast<double>(p.px.size());
}

struct LoadError {
    bool failed = false;
    int code = -1;
    std::string message;
};

LoadError Failure(GError* error) {
    LoadError e;
    if (!error) return e;
    e.failed = true;
    e.code = error->domain == GDK_PIXBUF_ERROR ? error->code : -1;
    e.message = error->message;
    g_error_free(error);
    return e;
}
}  // namespace

class PixbufLoader : public TempDirTest {
protected:
    // Page files and traces aside, what the conversions left in the temporary directory.
    std::vector<std::string> LeftBehind() const {
        std::vector<std::string> left = Files();
        std::erase_if(left, [](const std::string& n) { return n == "jobs" || n == "out" || n.ends_with(".asm"); });
        return left;
    }
};

TEST_F(PixbufLoader, OpensAJobOfEachLanguageAsThePlugInPicturesIt) {
    const char* types[] = {"application/vnd.hp-pcl", "application/vnd.hp-pclxl", "application/vnd.hp-hpgl",
                           "application/x-emf-spool", "application/x-zjstream"};
    size_t k = 0;
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        std::string path = Write(name, bytes);
        // The MIME database knows the job by its bytes and name.
        gchar* type = g_content_type_guess(path.c_str(), bytes.data(), std::min<size_t>(bytes.size(), 4096), nullptr);
        EXPECT_STREQ(type, types[k++]) << name;
        g_free(type);
        GError* error = nullptr;
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
        ASSERT_NE(pixbuf, nullptr) << name << ": " << Failure(error).message;
        Pixels loaded, own = PictureThroughExports(path);
        EXPECT_TRUE(gdk_pixbuf_get_has_alpha(pixbuf)) << name;
        EXPECT_TRUE(ReadPixbuf(pixbuf, loaded)) << name << ": not opaque";
        EXPECT_EQ(loaded.width, own.width) << name;
        EXPECT_EQ(loaded.height, own.height) << name;
        size_t differ = 0;
        for (size_t i = 0; i < own.px.size() && i < loaded.px.size(); ++i)
            differ += (own.px[i] & 0xFFFFFF) != loaded.px[i];
        EXPECT_EQ(differ, 0u) << name;
        EXPECT_GT(Darkness(loaded), 0.2) << name << ": blank";
        g_object_unref(pixbuf);
        // gdk-pixbuf names the format and the size without the pixels.
        int width = 0, height = 0;
        GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &width, &height);
        ASSERT_NE(format, nullptr) << name;
        gchar* formatName = gdk_pixbuf_format_get_name(format);
        EXPECT_STREQ(formatName, "spoolsight");
        g_free(formatName);
        EXPECT_EQ(width, own.width) << name;
        EXPECT_EQ(height, own.height) << name;
    }
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

TEST_F(PixbufLoader, ThumbnailsAreDrawnAtTheSizeAskedFor) {
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        std::string path = Write(name, bytes);
        Pixels own = PictureThroughExports(path);
        for (int side : {256, 128, 37}) {
            GError* error = nullptr;
            GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_size(path.c_str(), side, side, &error);
            ASSERT_NE(pixbuf, nullptr) << name << ": " << Failure(error).message;
            Pixels thumb;
            EXPECT_TRUE(ReadPixbuf(pixbuf, thumb));
            g_object_unref(pixbuf);
            // The page's shape, fitted in the box.
            EXPECT_EQ(std::max(thumb.width, thumb.height), side) << name;
            double aspect = static_cast<double>(own.width) / own.height;
            EXPECT_NEAR(static_cast<double>(thumb.width) / thumb.height, aspect, 2.0 / side + 0.01 * aspect) << name;
            // As dark as the page seen from afar: fine lines and shading reduced, not lost or
            // turned into solid dots.
            if (side >= 128) {
                EXPECT_NEAR(Darkness(thumb), Darkness(own), 0.35 * Darkness(own) + 0.3) << name << side;
            }
        }
    }
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

TEST_F(PixbufLoader, LoadsInPiecesAndCleansUpWhenTheHostGivesUp) {
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        Pixels whole = PictureThroughExports(Write(name, bytes));
        // Fed a kilobyte at a time, as a viewer reading a stream feeds it.
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
        GError* error = nullptr;
        bool ok = true;
        for (size_t at = 0; ok && at < bytes.size(); at += 1000)
            ok = gdk_pixbuf_loader_write(loader, bytes.data() + at, std::min<size_t>(1000, bytes.size() - at), &error);
        ok = ok && gdk_pixbuf_loader_close(loader, &error);
        ASSERT_TRUE(ok) << name << ": " << Failure(error).message;
        Pixels loaded;
        ReadPixbuf(gdk_pixbuf_loader_get_pixbuf(loader), loaded);
        EXPECT_EQ(loaded.width, whole.width) << name;
        EXPECT_EQ(loaded.height, whole.height) << name;
        g_object_unref(loader);
        // Given up half-way: the loader is closed on what came, and nothing stays behind.
        loader = gdk_pixbuf_loader_new();
        gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size() / 2, nullptr);
        gdk_pixbuf_loader_close(loader, &error);
        if (error) g_clear_error(&error);
        g_object_unref(loader);
    }
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

TEST_F(PixbufLoader, NonJobsAreLeftToOtherLoadersOrRefusedWithTheReason) {
    struct Case {
        std::string name, bytes;
        int code;
        std::string says;
    } cases[] = {
        {"data.prn", std::string("\x01\x02\x03 data\n", 9), GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "not a printer job"},
        {"doc.prn", "\x1B%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS-Adobe-3.0\n", GDK_PIXBUF_ERROR_UNKNOWN_TYPE,
         "PostScript job: this language is not shown"},
        {"empty.pcl",
         "\x1B"
         "E\x1B"
         "E",
         GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "PCL5 job: no page could be read"},
        {"cut.pxl", ") HP-PCL XL;2;0\n\xD1", GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "PCL XL job: no page could be read"},
    };
    for (const Case& c : cases) {
        GError* error = nullptr;
        GdkPixbuf* pixbuf =
            gdk_pixbuf_new_from_file(Write(c.name, Bytes(c.bytes.begin(), c.bytes.end())).c_str(), &error);
        EXPECT_EQ(pixbuf, nullptr) << c.name;
        LoadError e = Failure(error);
        EXPECT_EQ(e.code, c.code) << c.name << ": " << e.message;
        EXPECT_NE(e.message.find(c.says), std::string::npos) << c.name << ": " << e.message;
    }
    // A picture is some other loader's: a PNG written here opens as a PNG.
    GdkPixbuf* png = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 20, 10);
    gdk_pixbuf_fill(png, 0x336699FF);
    ASSERT_TRUE(gdk_pixbuf_save(png, (dir_ + "jobs/picture.png").c_str(), "png", nullptr, nullptr));
    g_object_unref(png);
    int width = 0, height = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info((dir_ + "jobs/picture.png").c_str(), &width, &height);
    ASSERT_NE(format, nullptr);
    gchar* formatName = gdk_pixbuf_format_get_name(format);
    EXPECT_STREQ(formatName, "png");
    g_free(formatName);
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

TEST_F(PixbufLoader, HostileJobsLeaveTheHostStanding) {
    std::mt19937 random(7);
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        for (int round = 0; round < 12; ++round) {
            Bytes job = bytes;
            // Bytes changed, and the job cut short now and then.
            for (int n = 0; n < 1 + round; ++n) job[random() % job.size()] = static_cast<uint8_t>(random());
            if (round % 3 == 2) job.resize(random() % job.size() + 1);
            GError* error = nullptr;
            GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_size(Write(name, job).c_str(), 200, 200, &error);
            if (pixbuf) g_object_unref(pixbuf);
            if (error) g_error_free(error);
        }
    }
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

// The installed files, as a file manager finds them: gdk-pixbuf-thumbnailer makes a
// 256-pixel thumbnail of a job of each language.
TEST_F(PixbufLoader, TheInstalledThumbnailerMakesThumbnailsOfEveryLanguage) {
    if (!HaveTool("gdk-pixbuf-thumbnailer")) GTEST_SKIP() << "gdk-pixbuf-thumbnailer not installed";
    std::string staged = SPOOLSIGHT_STAGED_INSTALL;
    std::string entry;
    {
        Bytes b = ReadFileBytes(staged + "/share/thumbnailers/spoolsight.thumbnailer");
        entry.assign(b.begin(), b.end());
    }
    ASSERT_NE(entry.find("Exec=gdk-pixbuf-thumbnailer -s %s %u %o"), std::string::npos) << entry;
    fs::create_directories(dir_ + "out");
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        std::string out = dir_ + "out/" + name + ".png";
        std::string cmd = "GDK_PIXBUF_MODULE_FILE=" + staged + "/loaders.cache XDG_DATA_DIRS=" + staged +
            "/share:/usr/share gdk-pixbuf-thumbnailer -s 256 " + Write(name, bytes) + " " + out;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        Pixels thumb;
        ASSERT_TRUE(ReadPng(out, thumb)) << name;
        EXPECT_EQ(std::max(thumb.width, thumb.height), 256) << name;
        EXPECT_GT(Darkness(thumb), 0.2) << name;
        // The thumbnailer's MIME type for the job is one of the entry's.
        gchar* type = g_content_type_guess(name.c_str(), bytes.data(), std::min<size_t>(bytes.size(), 4096), nullptr);
        EXPECT_NE(entry.find(std::string(type) + ";"), std::string::npos) << name << ": " << type;
        g_free(type);
    }
    EXPECT_EQ(LeftBehind(), std::vector<std::string>{});
}

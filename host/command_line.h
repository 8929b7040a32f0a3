// The command line of spoolsight: options, page ranges and page-numbered output names.
#pragma once
#include "job_formats.h"

#include <cstddef>
#include <string>
#include <vector>

// Exit statuses.
constexpr int kExitWritten = 0;      // every requested page was written
constexpr int kExitNoPicture = 1;    // the job cannot be read or yields no page
constexpr int kExitUsage = 2;        // the command line is wrong
constexpr int kExitSomeMissing = 3;  // some requested pages could not be drawn or written

// The plug-in's own picture: twice the 96-dpi screen.
constexpr int kDefaultResolution = 192;
constexpr int kMinResolution = 10, kMaxResolution = 2400;

enum class OutputFormat { Png, Pdf, Svg, Pbm, Pgm, Ppm, Tiff, Jpeg };
// "png", "pdf", "svg", "pbm", "pgm", "ppm", "tiff" ("tif") or "jpeg" ("jpg").
bool ParseOutputFormat(const std::string& name, OutputFormat& format);

// How pictures look: in colour, in greys, or in black and white as a monochrome printer prints.
enum class Look { Colour, Gray, Mono };

// The largest box --size fits a page in.
constexpr int kMaxBoxSide = 16384;

struct HostOptions {
    std::vector<std::string> jobs;  // "-" is standard input
    std::string output;             // "-" is standard output; may hold a page number (%d)
    std::string outputDir;
    std::string pngDir, emfDir;  // --all-pages, --keep-emf
    std::string plugin;          // empty: the plug-in next to the program
    std::string pages;           // as given, empty: the default
    int resolution = kDefaultResolution;
    bool resolutionGiven = false;
    bool quiet = false, help = false, version = false;
    bool info = false, json = false;  // describe the jobs instead of drawing them
    OutputFormat format = OutputFormat::Png;
    bool formatGiven = false;         // else the output name's extension tells
    int boxWidth = 0, boxHeight = 0;  // --size: the page fitted in this box
    std::vector<std::string> pjl;     // PJL commands put before each job (--pjl, --paper)
    Look look = Look::Colour;
    bool crop = false;                        // the drawing's bounding box with a margin
    bool antialias = true;                    // --no-antialias: dots as a printer lays them
    JobFormat language = JobFormat::Unknown;  // --language; Unknown: the detector's
};

// False with a message for a command line that cannot be followed.
bool ParseCommandLine(int argc, char** argv, HostOptions& options, std::string& error);

// "2-5,8", "3-" (to the end), "-4" (from the first): pages counted from 1, in the order
// given, each once. False for a malformed list.
struct PageRange {
    size_t first = 1, last = 0;  // last 0: to the job's end
};
bool ParsePageRanges(const std::string& text, std::vector<PageRange>& ranges);
// The pages of a job of `count` pages that the ranges ask for (indexes from 0, each once,
// in order), and for each range that reaches past the job, the first page it lacks.
std::vector<size_t> SelectPages(const std::vector<PageRange>& ranges, size_t count, std::vector<size_t>& lacking);

// An output name with one page number in printf style ("page-%d.png", "p%03d.svg"; "%%"
// is a percent sign). False when it holds none; an error when it holds anything else.
bool HasPageNumber(const std::string& name, std::string& error);
// The name for a page (numbered from 1) of a name that has a page number.
std::string NameForPage(const std::string& name, size_t page);

std::string UsageText();

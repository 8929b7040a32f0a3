// What a job says about itself, read without drawing it: its language and how the detector
// knew it, its pages' sizes, PJL variables, a spool file's document name and DEVMODE, a
// ZjStream's document and page items, a PCL XL stream's header and session attributes.
#pragma once
#include "job_formats.h"
#include "job_problems.h"

#include <string>
#include <utility>
#include <vector>

using InfoItems = std::vector<std::pair<std::string, std::string>>;

struct JobInfo {
    JobFormat format = JobFormat::Unknown;
    std::string language;  // the language's name, "unknown" when none was found
    std::string evidence;  // how the detector knew it
    struct Page {
        double widthMm = 0, heightMm = 0;
    };
    std::vector<Page> pages;  // of the drawn languages; empty for the others
    InfoItems pjl;            // PJL and EJL variables of the job-control header, in order
    InfoItems spool;          // document name, output port and DEVMODE fields
    InfoItems zjs;            // items of the document and of its first page
    InfoItems pclxl;          // the stream header and the session's attributes
    JobProblems problems;     // what could not be read or drawn
};

// False when the file cannot be read.
bool DescribePrintJob(const char* path, JobInfo& info);

// The description as text for people, and as one JSON object (always valid UTF-8) of this
// schema, whose version a change that could break a reader raises:
//   {"version": 1, "file": text, "language": text, "evidence": text,
//    "pages": [{"width_mm": number, "height_mm": number, "orientation": "portrait"|"landscape"}],
//    "pjl": {...}, "spool": {...}, "zjstream": {...}, "pclxl": {...},
//    "problems": [{"page": number (0 for the job as a whole), "message": text}]}
// In the last four each item's name holds its value: a number where the value is one, else
// text, and an array of them, in order, where the job gives a name more than once.
constexpr int kJobInfoJsonVersion = 1;
std::string JobInfoText(const std::string& name, const JobInfo& info);
std::string JobInfoJson(const std::string& name, const JobInfo& info);

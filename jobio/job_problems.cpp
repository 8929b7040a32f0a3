#include "job_problems.h"

#include "kernel.h"

#include <algorithm>

namespace {
thread_local JobProblems* collecting = nullptr;
thread_local size_t leftOut = 0;
}  // namespace

void ReportJobProblem(size_t page, const std::string& message) {
    if (!collecting) return;
    JobProblem problem{page, message};
    JobProblems& list = *collecting;
    if (std::find(list.begin(), list.end(), problem) != list.end()) return;
    if (list.size() + 1 < kMaxJobProblems) {
        list.push_back(std::move(problem));
        return;
    }
    ++leftOut;
    std::string more = std::to_string(leftOut) + (leftOut == 1 ? " more problem" : " more problems");
    if (list.size() + 1 == kMaxJobProblems) list.push_back({0, more});
    else list.back().message = more;
}

JobProblemCollector::JobProblemCollector(JobProblems* list) : previous_(collecting), previousLeftOut_(leftOut) {
    collecting = list;
    leftOut = 0;
}

JobProblemCollector::~JobProblemCollector() {
    collecting = previous_;
    leftOut = previousLeftOut_;
}

std::string JobProblemText(const JobProblem& problem) {
    return problem.page ? "page " + std::to_string(problem.page) + ": " + problem.message : problem.message;
}

std::string LastFileErrorText() {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "no such file or directory";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_FILE_EXISTS: return "the file exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "no space left on the device";
    case ERROR_WRITE_PROTECT: return "the file system is read-only";
    default: return "error " + std::to_string(GetLastError());
    }
}

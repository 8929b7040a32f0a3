// What a conversion could not do, told to whoever asked for the conversion: data ending early,
// a command, font, compression or image the converter could not use, a page it could not
// finish, a temporary directory it could not write to.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct JobProblem {
    size_t page = 0;  // the page it concerns, counted from 1; 0 for the job as a whole
    std::string message;
    bool operator==(const JobProblem&) const = default;
};
using JobProblems = std::vector<JobProblem>;

// Problems kept from one conversion; the last one kept says how many more were left out.
constexpr size_t kMaxJobProblems = 50;

// Tells a problem to the conversion running on this thread, when it collects them; the same
// problem told again is kept once.
void ReportJobProblem(size_t page, const std::string& message);

// While it lives, the problems told on this thread go into `list` (nowhere for null).
class JobProblemCollector {
public:
    explicit JobProblemCollector(JobProblems* list);
    ~JobProblemCollector();
    JobProblemCollector(const JobProblemCollector&) = delete;
    JobProblemCollector& operator=(const JobProblemCollector&) = delete;

private:
    JobProblems* previous_;
    size_t previousLeftOut_;
};

// "page 3: message", or the message alone for the job as a whole.
std::string JobProblemText(const JobProblem& problem);

// Why a file could not be made, in words, from the system's last error.
std::string LastFileErrorText();

#include "page_files.h"

#include "job_problems.h"
#include "new_file.h"
#include "page_list.h"
#include "temporary_files.h"
#include "user.h"

#include <cerrno>

namespace {
std::string numberedName(const char* tempDir, DWORD tick, int page, const char* extension) {
    char name[1100];
    wsprintfA(name, "%s/%08d_%04d%s", tempDir, static_cast<int>(tick), page, extension);
    return name;
}
}  // namespace

std::string TempDirectory() {
    char dir[512];
    DWORD n = GetTempPathA(sizeof dir, dir);
    return n == 0 || n >= sizeof dir ? std::string() : std::string(dir, n);
}

std::string PageFileName(const char* tempDir, DWORD tick, int page) {
    return numberedName(tempDir, tick, page, ".emf");
}

HANDLE CreateNumberedFile(const char* tempDir, int page, const char* extension, std::string& name) {
    DWORD tick = GetTickCount();
    for (DWORD attempt = 0; attempt < 10000; ++attempt) {
        name = numberedName(tempDir, tick + attempt, page, extension);
        // Remembered before it exists, so that a signal ending the process between the two
        // cannot leave it behind.
        RememberTemporaryFile(name);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = GetLastError();
        ForgetTemporaryFile(name);
        SetLastError(error);
        if (error != ERROR_FILE_EXISTS) break;
    }
    ReportJobProblem(0, std::string("the temporary directory ") + tempDir + " cannot be used: " + LastFileErrorText());
    name.clear();
    return INVALID_HANDLE_VALUE;
}

std::string ReservePageFile(const char* tempDir, int page) {
    std::string name;
    HANDLE file = CreatePageFile(tempDir, page, name);
    if (file == INVALID_HANDLE_VALUE) return {};
    CloseHandle(file);
    return name;
}

std::FILE* CreateTraceFile(const char* tempDir, const char* base, const char* extension, std::string& name,
                           bool replaceOwn) {
    for (int n = 1; n < 1000; ++n) {
        char buf[1100];
        if (n == 1) wsprintfA(buf, "%s/%s%s", tempDir, base, extension);
        else wsprintfA(buf, "%s/%s-%d%s", tempDir, base, n, extension);
        name = buf;
        errno = 0;
        if (std::FILE* f = CreateNewFileForWriting(buf, replaceOwn)) return f;
        if (errno != EEXIST) break;
    }
    name.clear();
    return nullptr;
}

void DeleteTemporaryFile(const std::string& path) {
    DeleteFileA(path.c_str());
    ForgetTemporaryFile(path);
}

void DeletePageFiles(PageList& pages) {
    for (const std::string& page : pages) DeleteTemporaryFile(page);
    pages.clear();
}

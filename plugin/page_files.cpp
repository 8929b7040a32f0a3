#include "page_files.h"

#include "page_list.h"
#include "user.h"

std::string PageFileName(const char* tempDir, DWORD tick, int page) {
    char name[1100];
    wsprintfA(name, "%s/%08d_%04d.emf", tempDir, static_cast<int>(tick), page);
    return name;
}

HANDLE CreatePageFile(const char* tempDir, int page, std::string& name) {
    DWORD tick = GetTickCount();
    for (DWORD attempt = 0; attempt < 10000; ++attempt) {
        name = PageFileName(tempDir, tick + attempt, page);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

void DeletePageFiles(PageList& pages) {
    for (const std::string& page : pages) DeleteFileA(page.c_str());
    pages.clear();
}

#include "new_file.h"

#include "windows_api.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

std::FILE* CreateNewFileForWriting(const char* path, bool replaceOwn) {
    // An earlier trace of ours is a plain file; a folder or a link (reparse point) is left alone.
    DWORD attributes = GetFileAttributesA(path);
    if (replaceOwn && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        DeleteFileA(path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD cause = GetLastError();
        errno = cause == ERROR_FILE_EXISTS || cause == ERROR_ALREADY_EXISTS ? EEXIST : EACCES;
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        DeleteFileA(path);
        errno = EACCES;
        return nullptr;
    }
    if (std::FILE* f = _fdopen(fd, "wb")) return f;
    _close(fd);
    DeleteFileA(path);
    errno = EACCES;
    return nullptr;
}

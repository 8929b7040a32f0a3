// POSIX implementation of the Win32 file calls.
#include "kernel.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
thread_local DWORD lastError = 0;

struct FileHandle {
    int fd;
};

DWORD errnoToWin(int e) {
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case ELOOP: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EROFS: return ERROR_WRITE_PROTECT;
    default: return ERROR_INVALID_PARAMETER;
    }
}
}  // namespace

int KernelFileDescriptor(HANDLE file) {
    if (file == nullptr || file == INVALID_HANDLE_VALUE) return -1;
    return static_cast<FileHandle*>(file)->fd;
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD, HANDLE) {
    if (name == nullptr || *name == 0) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_CLOEXEC | O_NOFOLLOW;
    bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
    flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    case OPEN_EXISTING: break;
    default: lastError = ERROR_INVALID_PARAMETER; return INVALID_HANDLE_VALUE;
    }
    int fd = open(name, flags, 0600);
    if (fd < 0) {
        lastError = errnoToWin(errno);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    lastError = 0;
    return new FileHandle{fd};
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
    int fd = KernelFileDescriptor(file);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        lastError = ERROR_INVALID_HANDLE;
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* done, void*) {
    int fd = KernelFileDescriptor(file);
    if (done) *done = 0;
    if (fd < 0 || (buffer == nullptr && toRead > 0)) return FALSE;
    DWORD total = 0;
    while (total < toRead) {
        ssize_t n = read(fd, static_cast<char*>(buffer) + total, toRead - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            lastError = errnoToWin(errno);
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, DWORD* done, void*) {
    int fd = KernelFileDescriptor(file);
    if (done) *done = 0;
    if (fd < 0 || (buffer == nullptr && toWrite > 0)) return FALSE;
    DWORD total = 0;
    while (total < toWrite) {
        ssize_t n = write(fd, static_cast<const char*>(buffer) + total, toWrite - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            lastError = n < 0 ? errnoToWin(errno) : ERROR_INVALID_PARAMETER;
            if (done) *done = total;
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

void KernelCloseMapping(HANDLE handle);
bool KernelIsMapping(HANDLE handle);

BOOL CloseHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FALSE;
    if (KernelIsMapping(handle)) {
        KernelCloseMapping(handle);
        return TRUE;
    }
    auto* f = static_cast<FileHandle*>(handle);
    close(f->fd);
    delete f;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    if (name == nullptr) return FALSE;
    if (unlink(name) != 0) {
        lastError = errnoToWin(errno);
        return FALSE;
    }
    return TRUE;
}

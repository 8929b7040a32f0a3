#include "new_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* CreateNewFileForWriting(const char* path, bool replaceOwn) {
    struct stat st;
    if (replaceOwn && lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) unlink(path);
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (std::FILE* f = fdopen(fd, "w")) return f;
    int cause = errno;
    close(fd);
    unlink(path);
    errno = cause;
    return nullptr;
}

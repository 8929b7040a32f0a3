// The files a conversion keeps in the temporary directory (page metafiles, image planes), and a
// command's unfinished outputs, remembered so that a process stopped by a signal can remove them
// before it ends.
#pragma once
#include <string>

// Remembers a file until it is forgotten or no longer exists; a name too long to hold, or
// more files than can be held at once, are not remembered.
void RememberTemporaryFile(const std::string& path);
void ForgetTemporaryFile(const std::string& path);

// Calls `remove` with the name of every file remembered. Safe in a signal handler: it takes no
// lock and allocates nothing, and `remove` should be as safe (unlink is).
void RemoveRememberedFiles(int (*remove)(const char* path));

// Files made new for writing, as the converters' traces are: created only where no file of the
// name is (never through a link), readable by their owner alone.
#pragma once
#include <cstdio>

// With `replaceOwn`, a regular file of ours under the name is removed first. Null when no file
// can be made; errno is EEXIST when the name is taken.
std::FILE* CreateNewFileForWriting(const char* path, bool replaceOwn);

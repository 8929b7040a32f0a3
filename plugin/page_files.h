// Naming and creating page metafile files in the temporary directory.
#pragma once
#include "kernel.h"

#include <string>

// "<temp dir>/<tick, 8 digits>_<page, 4 digits>.emf"; the directory text ends
// in '/' already, so the name holds a doubled separator.
std::string PageFileName(const char* tempDir, DWORD tick, int page);

// Creates a new page file for writing, never overwriting or following an
// existing name: when the name for the current tick is taken, the next free
// tick value is used. Returns INVALID_HANDLE_VALUE when no file can be made.
HANDLE CreatePageFile(const char* tempDir, int page, std::string& name);

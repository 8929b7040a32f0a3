// Naming and creating page metafile files in the temporary directory.
#pragma once
#include "kernel.h"

#include <cstdio>
#include <string>

// The temporary directory ($TMPDIR, else /tmp) ending in '/'; empty when it cannot be had.
std::string TempDirectory();

// "<temp dir>/<tick, 8 digits>_<page, 4 digits>.emf"; the directory text ends
// in '/' already, so the name holds a doubled separator.
std::string PageFileName(const char* tempDir, DWORD tick, int page);

// Creates a new file "<temp dir>/<tick>_<page><extension>" for writing, never
// overwriting or following an existing name: when the name for the current
// tick is taken, the next free tick value is used. Mode 0600. Returns
// INVALID_HANDLE_VALUE when no file can be made.
HANDLE CreateNumberedFile(const char* tempDir, int page, const char* extension, std::string& name);
inline HANDLE CreatePageFile(const char* tempDir, int page, std::string& name) {
    return CreateNumberedFile(tempDir, page, ".emf", name);
}
// Claims a free page file name for a metafile recording to write later; empty when none.
std::string ReservePageFile(const char* tempDir, int page);
// Deletes a page or plane file made by the calls above.
void DeleteTemporaryFile(const std::string& path);

// A trace file "<temp dir>/<base><extension>" created exclusively; when that
// name is taken by another conversion, "<base>-2<extension>" and so on. With
// `replaceOwn`, a regular file of ours under one of these names (the trace of an
// earlier job) is removed and the name used again: conversions side by side leave
// at most one trace each. Null when none can be made.
std::FILE* CreateTraceFile(const char* tempDir, const char* base, const char* extension, std::string& name,
                           bool replaceOwn = false);

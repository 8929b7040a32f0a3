// File, mapping, temporary-directory, clock and text-conversion services with
// the Win32 KERNEL names, implemented on POSIX.
#pragma once
#include <string>
#include "win_types.h"

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 1
#define FILE_SHARE_WRITE 2
#define FILE_SHARE_DELETE 4
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x80
#define PAGE_READONLY 2
#define FILE_MAP_READ 4
#define CP_ACP 0
#define CP_UTF8 65001

struct SECURITY_ATTRIBUTES;

// CreateFileA never follows a symbolic link for the final path component and
// creates new files with mode 0600. CREATE_NEW fails with ERROR_FILE_EXISTS
// when the name is taken.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, DWORD* high);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE handle);
BOOL DeleteFileA(LPCSTR name);
DWORD GetLastError();
void SetLastError(DWORD error);

// A mapping view stays readable even when the file shrinks underneath it:
// pages past the new end read as zero bytes instead of raising SIGBUS.
HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, size_t bytes);
BOOL UnmapViewOfFile(LPCVOID view);

// The temporary directory is $TMPDIR, else /tmp, always with a trailing '/'.
// Returns the length written, or the size needed when the buffer is too small.
DWORD GetTempPathA(DWORD bufferSize, LPSTR buffer);
// Milliseconds of a monotonic clock.
DWORD GetTickCount();

// CP_ACP is Windows-1252; CP_UTF8 is UTF-8. Same contract as Win32: with
// wideSize 0 the number of UTF-16 units needed is returned.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideSize);
// Appends a code point as UTF-8; a surrogate half or a value past U+10FFFF becomes U+FFFD.
void AppendUtf8(char32_t codePoint, std::string& out);

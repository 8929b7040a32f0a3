// USER calls used for drawing and formatting.
#pragma once
#include "win_types.h"

#define DT_TOP 0x0000
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_EXPANDTABS 0x0040
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
int DrawTextA(HDC hdc, LPCSTR text, int count, RECT* rect, UINT format);
int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format);
DWORD GetSysColor(int index);
// Formats like Win32 wsprintfA: %d %u %x %X %s %c %ld %lu, flags '-' '0', widths; at most 1024 bytes.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);

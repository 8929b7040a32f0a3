// On Windows the converters call the system's own GDI, USER and KERNEL: these headers stand
// where the Linux drawing layer's do, and bring in <windows.h> as the converters expect it,
// every handle a plain pointer as in that layer, and std::min and std::max left alone.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef NO_STRICT
#define NO_STRICT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

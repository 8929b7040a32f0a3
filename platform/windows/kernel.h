// The KERNEL file, mapping, temporary-directory and clock calls: the system's own kernel32.
#pragma once
#include "windows_api.h"

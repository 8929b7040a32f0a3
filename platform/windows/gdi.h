// The GDI drawing calls: the system's own gdi32.
#pragma once
#include "windows_api.h"

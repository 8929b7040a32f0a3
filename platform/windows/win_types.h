// The Windows base types, structures and constants, from the system's headers.
#pragma once
#include "windows_api.h"

// The USER calls used for drawing and formatting: the system's own user32.
#pragma once
#include "windows_api.h"

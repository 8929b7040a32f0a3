// Turns one printer job file into page metafiles in the temporary directory.
#pragma once
#include "page_list.h"

// False when the file cannot be opened or mapped, or a failure was raised
// while converting; true otherwise, also when no page came out.
bool ConvertPrintJob(const char* fileName, PageList& pages);

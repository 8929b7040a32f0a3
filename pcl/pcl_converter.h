// The PCL5 converter entry.
#pragma once
#include "page_list.h"

// Converts a PCL5 job into page metafiles; always true.
bool ConvertPcl5Job(const char* fileName, PageList& pages);

// The page metafiles of one job: full paths, first page first.
#pragma once
#include <string>
#include <vector>

using PageList = std::vector<std::string>;

// Deletes the files of every page in the list and empties it.
void DeletePageFiles(PageList& pages);

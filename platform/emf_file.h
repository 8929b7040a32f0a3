// Enhanced-metafile handles: the bytes of a closed recording or a mapped file.
#pragma once
#include "win_types.h"

#include <memory>
#include <vector>

namespace gdi {

struct EnhMetaFile {
    std::vector<BYTE> own;
    const BYTE* data = nullptr;
    size_t size = 0;
    HANDLE file = nullptr, mapping = nullptr;
    const void* view = nullptr;
    ENHMETAHEADER header{};
    ~EnhMetaFile();
};

EnhMetaFile* LookUpEmf(HENHMETAFILE h);
// Takes the bytes of a metafile whose header has been checked.
HENHMETAFILE RegisterEmf(std::unique_ptr<EnhMetaFile> emf);
// Checks the header; fills emf.header and trims emf.size to nBytes.
bool ValidateEmf(EnhMetaFile& emf);

}  // namespace gdi

// Opening, copying and releasing enhanced metafiles.
#include "emf_file.h"

#include "emf_records.h"
#include "gdi_internal.h"
#include "gdi.h"
#include "kernel.h"

#include <cstring>
#include <memory>
#include <unordered_map>

namespace gdi {
namespace {
HandleTable<EnhMetaFile>& emfTable() {
    static HandleTable<EnhMetaFile> t;
    return t;
}
}  // namespace

EnhMetaFile::~EnhMetaFile() {
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
    if (file) CloseHandle(file);
}

EnhMetaFile* LookUpEmf(HENHMETAFILE h) { return emfTable().Find(h); }

HENHMETAFILE RegisterEmf(std::unique_ptr<EnhMetaFile> emf) { return emfTable().Add(std::move(emf)); }

bool ValidateEmf(EnhMetaFile& emf) {
    constexpr size_t kMinHeader = 88;
    if (emf.data == nullptr || emf.size < kMinHeader) return false;
    DWORD type, size, signature, bytes;
    std::memcpy(&type, emf.data, 4);
    std::memcpy(&size, emf.data + 4, 4);
    std::memcpy(&signature, emf.data + 40, 4);
    std::memcpy(&bytes, emf.data + 48, 4);
    if (type != EMR_HEADER || size < kMinHeader || size > emf.size || signature != kEmfSignature) return false;
    if (bytes >= kMinHeader && bytes < emf.size) emf.size = bytes;
    std::memset(&emf.header, 0, sizeof emf.header);
    std::memcpy(&emf.header, emf.data, size < sizeof emf.header ? size : sizeof emf.header);
    // Fields past a short header are not there.
    if (size < 100) emf.header.cbPixelFormat = emf.header.offPixelFormat = emf.header.bOpenGL = 0;
    if (size < 108) emf.header.szlMicrometers = {0, 0};
    return true;
}

}  // namespace gdi

using namespace gdi;

HENHMETAFILE GetEnhMetaFileA(LPCSTR name) {
    auto emf = std::make_unique<EnhMetaFile>();
    emf->file =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (emf->file == INVALID_HANDLE_VALUE) {
        emf->file = nullptr;
        return nullptr;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(emf->file, &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size == 0) return nullptr;
    emf->mapping = CreateFileMappingA(emf->file, nullptr, PAGE_READONLY, 0, size, nullptr);
    if (!emf->mapping) return nullptr;
    emf->view = MapViewOfFile(emf->mapping, FILE_MAP_READ, 0, 0, size);
    if (!emf->view) return nullptr;
    emf->data = static_cast<const BYTE*>(emf->view);
    emf->size = size;
    if (!ValidateEmf(*emf)) return nullptr;
    return RegisterEmf(std::move(emf));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    if (!data || size == 0) return nullptr;
    auto emf = std::make_unique<EnhMetaFile>();
    emf->own.assign(data, data + size);
    emf->data = emf->own.data();
    emf->size = size;
    if (!ValidateEmf(*emf)) return nullptr;
    return RegisterEmf(std::move(emf));
}

UINT GetEnhMetaFileBits(HENHMETAFILE h, UINT size, BYTE* data) {
    EnhMetaFile* emf = LookUpEmf(h);
    if (!emf) return 0;
    if (!data) return static_cast<UINT>(emf->size);
    if (size < emf->size) return 0;
    std::memcpy(data, emf->data, emf->size);
    return static_cast<UINT>(emf->size);
}

UINT GetEnhMetaFileHeader(HENHMETAFILE h, UINT size, ENHMETAHEADER* header) {
    EnhMetaFile* emf = LookUpEmf(h);
    if (!emf) return 0;
    if (!header) return sizeof(ENHMETAHEADER);
    UINT n = size < sizeof(ENHMETAHEADER) ? size : sizeof(ENHMETAHEADER);
    std::memcpy(header, &emf->header, n);
    return n;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE h) {
    EnhMetaFile* emf = LookUpEmf(h);
    if (!emf) return FALSE;
    emfTable().Remove(emf);
    return TRUE;
}

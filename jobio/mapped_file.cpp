#include "mapped_file.h"

bool MappedFile::Open(const char* fileName) {
    Close();
    file_ = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file_, nullptr);
    if (size == INVALID_FILE_SIZE) return Close(), false;
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, size, nullptr);
    if (!mapping_) return Close(), false;
    data_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, size));
    if (!data_) return Close(), false;
    size_ = size;
    return true;
}

void MappedFile::Close() {
    if (data_) UnmapViewOfFile(data_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE, mapping_ = nullptr, data_ = nullptr, size_ = 0;
}

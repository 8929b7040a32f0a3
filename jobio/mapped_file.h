// A job file mapped read-only for the length of a conversion.
#pragma once
#include "kernel.h"

#include <cstddef>
#include <cstdint>

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile() { Close(); }

    // False when the file cannot be opened or mapped; an empty file maps to a view of no bytes.
    bool Open(const char* fileName);
    void Close();
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE, mapping_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

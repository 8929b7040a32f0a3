#include "temporary_files.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace {
// Fixed slots, so that a signal handler reads them without locks or allocation: a slot's name
// is written while its flag is clear, and read only while it is set.
constexpr size_t kSlots = 4096, kLongestName = 256;
struct Slot {
    std::atomic<bool> used{false};
    char name[kLongestName]{};  // zero, so that the slots are constant-initialized in .bss: no pages touched at start
};
Slot gSlots[kSlots];
std::mutex gMutex;  // between threads remembering and forgetting; never taken by the handler

bool exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}
}  // namespace

void RememberTemporaryFile(const std::string& path) {
    if (path.empty() || path.size() >= kLongestName) return;
    std::lock_guard<std::mutex> lock(gMutex);
    Slot* free = nullptr;
    for (Slot& s : gSlots)
        if (!s.used.load(std::memory_order_acquire)) {
            free = &s;
            break;
        }
    if (!free) {
        // Full: the slots of files removed meanwhile (by whatever means) are taken back.
        for (Slot& s : gSlots)
            if (s.used.load(std::memory_order_acquire) && !exists(s.name)) {
                s.used.store(false, std::memory_order_release);
                if (!free) free = &s;
            }
        if (!free) return;
    }
    std::memcpy(free->name, path.c_str(), path.size() + 1);
    free->used.store(true, std::memory_order_release);
}

void ForgetTemporaryFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (Slot& s : gSlots)
        if (s.used.load(std::memory_order_acquire) && path == s.name) s.used.store(false, std::memory_order_release);
}

void RemoveRememberedFiles(int (*remove)(const char* path)) {
    for (Slot& s : gSlots)
        if (s.used.load(std::memory_order_acquire)) remove(s.name);
}

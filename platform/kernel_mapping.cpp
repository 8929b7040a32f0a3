// Read-only file mappings. A job file may shrink while it is mapped; reading
// the lost pages would raise SIGBUS, so a handler replaces those pages with
// zero pages and the reader goes on with zero bytes.
#include "kernel.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int KernelFileDescriptor(HANDLE file);

namespace {
struct Mapping {
    int fd;
    size_t size;
};

// The mappings open, shared by every thread.
std::mutex& mappingsMutex() {
    static std::mutex m;
    return m;
}
std::set<HANDLE>& mappings() {
    static std::set<HANDLE> set;
    return set;
}

// Views are recorded in a fixed table that the signal handler can read.
constexpr int kMaxViews = 256;
std::atomic<uintptr_t> viewStart[kMaxViews];
std::atomic<uintptr_t> viewEnd[kMaxViews];
struct sigaction previousBusAction;
std::once_flag handlerOnce;
const char emptyView[1] = {0};

void busHandler(int sig, siginfo_t* info, void* context) {
    auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
    for (int i = 0; i < kMaxViews; ++i) {
        uintptr_t s = viewStart[i].load(std::memory_order_relaxed);
        uintptr_t e = viewEnd[i].load(std::memory_order_relaxed);
        if (s != 0 && addr >= s && addr < e) {
            uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
            void* base = reinterpret_cast<void*>(addr & ~(page - 1));
            if (mmap(base, page, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) return;
        }
    }
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        if (previousBusAction.sa_sigaction) previousBusAction.sa_sigaction(sig, info, context);
        return;
    }
    if (previousBusAction.sa_handler == SIG_IGN) return;
    if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler) {
        previousBusAction.sa_handler(sig);
        return;
    }
    signal(SIGBUS, SIG_DFL);
    raise(SIGBUS);
}

void installHandler() {
    struct sigaction sa {};
    sa.sa_sigaction = busHandler;
    sa.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGBUS, &sa, &previousBusAction);
}

bool registerView(void* view, size_t size) {
    auto s = reinterpret_cast<uintptr_t>(view);
    for (int i = 0; i < kMaxViews; ++i) {
        uintptr_t expected = 0;
        if (viewStart[i].compare_exchange_strong(expected, s)) {
            viewEnd[i].store(s + size);
            return true;
        }
    }
    return false;
}

size_t unregisterView(const void* view) {
    auto s = reinterpret_cast<uintptr_t>(view);
    for (int i = 0; i < kMaxViews; ++i) {
        if (viewStart[i].load() == s) {
            size_t size = viewEnd[i].load() - s;
            viewEnd[i].store(0);
            viewStart[i].store(0);
            return size;
        }
    }
    return 0;
}
}  // namespace

bool KernelIsMapping(HANDLE handle) {
    std::lock_guard<std::mutex> lock(mappingsMutex());
    return mappings().count(handle) != 0;
}

void KernelCloseMapping(HANDLE handle) {
    {
        std::lock_guard<std::mutex> lock(mappingsMutex());
        mappings().erase(handle);
    }
    auto* m = static_cast<Mapping*>(handle);
    close(m->fd);
    delete m;
}

HANDLE CreateFileMappingA(HANDLE file, SECURITY_ATTRIBUTES*, DWORD protect, DWORD sizeHigh, DWORD sizeLow, LPCSTR) {
    int fd = KernelFileDescriptor(file);
    if (fd < 0 || protect != PAGE_READONLY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) return nullptr;
    uint64_t size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
    if (size == 0 || size > static_cast<uint64_t>(st.st_size)) size = static_cast<uint64_t>(st.st_size);
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return nullptr;
    auto* m = new Mapping{copy, static_cast<size_t>(size)};
    std::lock_guard<std::mutex> lock(mappingsMutex());
    mappings().insert(m);
    return m;
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, size_t bytes) {
    if (!KernelIsMapping(mapping) || access != FILE_MAP_READ || offsetHigh != 0 || offsetLow != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* m = static_cast<Mapping*>(mapping);
    size_t size = bytes == 0 || bytes > m->size ? m->size : bytes;
    if (size == 0) return const_cast<char*>(emptyView);
    std::call_once(handlerOnce, installHandler);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, m->fd, 0);
    if (view == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!registerView(view, size)) {
        munmap(view, size);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
    if (view == emptyView) return TRUE;
    size_t size = unregisterView(view);
    if (size == 0) return FALSE;
    munmap(const_cast<void*>(view), size);
    return TRUE;
}

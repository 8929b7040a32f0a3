#include "interpreter_lock.h"

std::mutex& InterpreterStateLock() {
    static std::mutex lock;
    return lock;
}

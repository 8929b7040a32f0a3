// The PCL5, HP-GL/2 and PCL XL interpreters keep their state in process-wide records that serve
// one job at a time. A conversion that uses them holds this lock from start to end, so jobs
// loaded on several threads at once take their turns there; playing the pages stays concurrent.
#pragma once
#include <mutex>

std::mutex& InterpreterStateLock();

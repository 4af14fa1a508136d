#pragma once

#include <filesystem>

namespace bench {

// A sample client file of `count` clients in $VELKARD_BENCH_DIR (default ./bench-data),
// written on first use; `shuffled`: stored in a random order of the codes.
std::filesystem::path clientFile(long count, bool shuffled = false);

// A figure of this process's memory in MB from /proc/self/status ("VmHWM", the peak so far, or
// "VmRSS", now); -1 when there is none.
double ownMemoryMb(const char* key);

}  // namespace bench

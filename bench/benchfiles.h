#pragma once

#include <filesystem>

namespace bench {

// A sample client file of `count` clients in $VELKARD_BENCH_DIR (default ./bench-data),
// written on first use.
std::filesystem::path clientFile(long count);

}  // namespace bench

#include "benchfiles.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include "generator.h"

namespace bench {

std::filesystem::path clientFile(long count, bool shuffled) {
    const char* dir = std::getenv("VELKARD_BENCH_DIR");
    std::filesystem::path path =
        std::filesystem::path(dir ? dir : "bench-data") /
        ((shuffled ? "clients-shuffled-" : "clients-") + std::to_string(count) + ".db");
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(path.parent_path());
        sample::writeClientFile(path, count, shuffled);
    }
    return path;
}

double ownMemoryMb(const char* key) {
    const std::string wanted = std::string(key) + ":";
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(wanted, 0) == 0) return std::atof(line.c_str() + wanted.size()) / 1024.0;
    return -1;
}

}  // namespace bench

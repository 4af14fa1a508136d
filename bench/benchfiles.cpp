#include "benchfiles.h"

#include <cstdlib>
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

}  // namespace bench

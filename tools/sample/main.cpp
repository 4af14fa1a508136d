#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "generator.h"
#include "store/errors.h"

namespace {
constexpr const char* kUsage =
    "Usage: velkard-sample N PATH\n"
    "Writes a client file of N synthetic clients at PATH (a new file), for trying VELKARD out\n"
    "and for measuring it. Every value is one the program's editor accepts.\n"
    "\n"
    "Options:\n"
    "  --help     show this help\n"
    "  --version  show the version\n";
}  // namespace

int main(int argc, char* argv[]) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (argc == 2 && first == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && first == "--version") {
        std::cout << "velkard-sample " VELKARD_VERSION "\n";
        return 0;
    }
    if (argc != 3) {
        std::cerr << kUsage;
        return 2;
    }
    char* end = nullptr;
    long count = std::strtol(argv[1], &end, 10);
    if (!end || *end || count < 0) {
        std::cerr << "velkard-sample: N must be a whole number, not " << argv[1] << "\n";
        return 2;
    }
    std::filesystem::path path = argv[2];
    if (std::filesystem::exists(path)) {
        std::cerr << "velkard-sample: " << path.string() << " already exists\n";
        return 1;
    }
    try {
        sample::writeClientFile(path, count);
    } catch (const std::exception& e) {
        std::cerr << "velkard-sample: " << e.what() << "\n";
        return 1;
    }
    std::cout << "wrote " << count << " clients to " << path.string() << "\n";
    return 0;
}

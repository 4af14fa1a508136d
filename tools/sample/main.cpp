#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "generator.h"
#include "store/errors.h"

namespace {
constexpr const char* kUsage =
    "Usage: velkard-sample [--shuffle] N PATH\n"
    "Writes a client file of N synthetic clients at PATH (a new file), for trying VELKARD out\n"
    "and for measuring it. Every value is one the program's editor accepts.\n"
    "\n"
    "Options:\n"
    "  --shuffle  store the clients in a random order of their codes, as years of adds and\n"
    "             imports leave a file (the default is code order)\n"
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
    const bool shuffled = first == "--shuffle";
    const int at = shuffled ? 2 : 1;
    if (argc != at + 2) {
        std::cerr << kUsage;
        return 2;
    }
    char* end = nullptr;
    long count = std::strtol(argv[at], &end, 10);
    if (!end || *end || count < 0) {
        std::cerr << "velkard-sample: N must be a whole number, not " << argv[at] << "\n";
        return 2;
    }
    std::filesystem::path path = argv[at + 1];
    if (std::filesystem::exists(path)) {
        std::cerr << "velkard-sample: " << path.string() << " already exists\n";
        return 1;
    }
    try {
        sample::writeClientFile(path, count, shuffled);
    } catch (const std::exception& e) {
        std::cerr << "velkard-sample: " << e.what() << "\n";
        return 1;
    }
    std::cout << "wrote " << count << " clients to " << path.string() << "\n";
    return 0;
}

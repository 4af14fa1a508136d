#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "generator.h"
#include "store/errors.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: velkard-sample N PATH\n"
                     "  writes a client file of N synthetic clients at PATH (a new file)\n";
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

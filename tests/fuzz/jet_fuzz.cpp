// libFuzzer target for the old program's Jet file: the input is written as velkard.mdb and
// converted. Any input may be refused with a ConvertError; nothing may crash, read out of bounds,
// hang or throw anything else, and a conversion that succeeds leaves a client file that opens.
// Seeds: the fixtures in tests/data/legacy, which the fuzzer damages.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "exchange/legacy.h"
#include "store/clientfile.h"
#include "store/sqlite/bulk.h"

namespace {

namespace fs = std::filesystem;

// One folder for the whole run, in memory where the system has it (the new file is synced).
const fs::path& folder() {
    static const fs::path path = [] {
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path p = base / ("velkard-jet-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const fs::path jet = folder() / "velkard.mdb", target = folder() / "velkard.db";
    std::ofstream(jet, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        exchange::convertLegacy(jet, target);
        store::clientfile::open(target);  // a conversion that succeeds gives a client file
    } catch (const exchange::ConvertError&) {
    }
    store::bulk::removeWithJournal(target);
    return 0;
}

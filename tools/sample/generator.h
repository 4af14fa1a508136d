#pragma once

#include <filesystem>

namespace sample {

// Writes a new client file of `count` synthetic but realistic clients at `path` (which must
// not exist). The same count always gives the same file. `shuffled` stores the rows in a random
// order of their codes, as years of adds and imports leave a file, instead of in code order.
void writeClientFile(const std::filesystem::path& path, long count, bool shuffled = false);

}  // namespace sample

#pragma once

#include <filesystem>

namespace sample {

// Writes a new client file of `count` synthetic but realistic clients at `path` (which must
// not exist). The same count always gives the same file.
void writeClientFile(const std::filesystem::path& path, long count);

}  // namespace sample

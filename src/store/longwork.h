#pragma once

#include <functional>

// Work that may take long on a large file (reading a table, filtering or sorting it) goes
// through one runner, which the program sets so that its windows keep painting meanwhile. The
// work only reads rows that nothing else changes while it runs; its exception reaches the caller.
namespace store {

using LongWork = std::function<void()>;
using LongWorkRunner = std::function<void(const LongWork&)>;

// An empty runner runs the work at once, on the caller's thread (the default).
void setLongWorkRunner(LongWorkRunner runner);
void runLong(const LongWork& work);

}  // namespace store

#pragma once

#include <chrono>

namespace platform {

// Long work of the store (reading a large table, sorting it) runs beside the event loop: after
// `patience` without a result the windows show the busy cursor and keep repainting until it
// ends. User input waits meanwhile, so nothing can change the rows the work reads.
void keepPaintingDuringLongWork(
    std::chrono::milliseconds patience = std::chrono::milliseconds(300));

}  // namespace platform

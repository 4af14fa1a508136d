#pragma once

#include <array>

// The editor's hints, exactly as the user sees them: each begins and ends with a blank, and the
// runs of blanks inside belong to them.
namespace editor {

// (The hints of the fields' labels and boxes are in store::kFields.)
// COMMAND1(0) to COMMAND1(7).
extern const std::array<const char*, 8> kButtonHints;
extern const char* const kNavigatorHint;

}  // namespace editor

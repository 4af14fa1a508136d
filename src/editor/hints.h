#pragma once

#include <array>

#include "store/fields.h"

// The editor's hints, exactly as the user sees them: each begins and ends with a blank, and the
// runs of blanks inside belong to them.
namespace editor {

// The label of each field explains it.
extern const std::array<const char*, store::kFieldCount> kLabelHints;
// The box of each field gives its width, the kind of input and examples.
extern const std::array<const char*, store::kFieldCount> kBoxHints;
// COMMAND1(0) to COMMAND1(7).
extern const std::array<const char*, 8> kButtonHints;
extern const char* const kNavigatorHint;

}  // namespace editor

#pragma once

class QKeyEvent;

namespace platform {

inline constexpr int kKeyEnter = 13;
// What a key pressed into a running input method reports.
inline constexpr int kKeyProcess = 229;

// The desktop's classic key code of a key event: Enter 13, arrows 37 to 40, F1 112, letters by
// their capitals, digits by themselves.
int keyCode(const QKeyEvent* event);

}  // namespace platform

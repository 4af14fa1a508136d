#pragma once

#include <QFont>

class QApplication;

namespace platform {

// Font faces the windows name, mapped at start-up to what the machine has.
inline constexpr const char* kMingFace = "新細明體";
inline constexpr const char* kKaiFace = "標楷體";

// Fonts with traditional forms, Traditional Chinese standard buttons, the default font.
void setUpApplication(QApplication& app);

// 新細明體 at the given size.
QFont mingFont(int points = 12, bool bold = false);

}  // namespace platform

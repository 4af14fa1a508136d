#pragma once

#include <QApplication>
#include <QFont>
#include <QIcon>

namespace platform {

// Font faces the windows name, mapped at start-up to what the machine has.
inline constexpr const char* kMingFace = "新細明體";
inline constexpr const char* kKaiFace = "標楷體";

// Fonts with traditional forms, Traditional Chinese standard buttons, the default font.
void setUpApplication(QApplication& app);

// The program's application object. A failure that a window's handler did not catch is shown to
// the user and the command ends there, rather than ending the program with the user's work.
// (Tests use a plain QApplication, so that such a handler fails them.)
class Application : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

// The program's own icon, drawn here: a card file (two index cards with a tab, on a box).
QIcon appIcon();

// 新細明體 at the given size.
QFont mingFont(int points = 12, bool bold = false);

}  // namespace platform

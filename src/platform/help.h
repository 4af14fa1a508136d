#pragma once

#include <QString>

class QWidget;

namespace platform::help {

// The user's guide as HTML pages, one per chapter ("editing" is editing.html), rendered from
// docs/guide at build time: beside the program in a build tree, under share/doc/velkard/guide
// when installed.
QString folder();
// Another folder (tests, a build run from elsewhere); empty goes back to looking for it.
void setFolder(const QString& folder);
// The page of a chapter; empty when the guide or the chapter is not there.
QString chapterFile(const QString& chapter);

// The chapter of the window the user works in: that of the nearest form around `widget` that
// names one; the guide's contents otherwise.
QString chapterAround(const QWidget* widget);

// Opens the guide's viewer at `chapter` (one viewer, brought to the front when it is open), or
// says where the guide was looked for when it is not installed. The viewer, or null.
QWidget* show(const QString& chapter);
// F1: the guide at the chapter of the window that has the keyboard.
void showForActiveWindow();

}  // namespace platform::help

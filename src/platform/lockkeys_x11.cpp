// Kept apart: Xlib's macros (KeyPress, None, Bool, Cursor) clash with Qt's names, so every Qt
// header comes first.
#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include "platform/statusbar.h"

#include <X11/XKBlib.h>

namespace platform {

bool readLockKeys(bool& capsLock, bool& numLock) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    auto lit = [display](const char* name) {
        int on = 0;
        Atom atom = XInternAtom(display, name, 1);
        if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
            return false;
        return on != 0;
    };
    capsLock = lit("Caps Lock");
    numLock = lit("Num Lock");
    return true;
}

}  // namespace platform

// Where there is no X11 the lock keys cannot be read: the status bar leaves their panels blank.
#include "platform/statusbar.h"

namespace platform {

bool readLockKeys(bool&, bool&) {
    return false;
}

}  // namespace platform

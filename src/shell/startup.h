#pragma once

namespace shell {

// Before any window opens, the client file must be there and whole. A missing file may be
// created at the user's word; anything else is reported, and false ends the program.
bool clientFileReady();

}  // namespace shell

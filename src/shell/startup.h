#pragma once

#include <exception>
#include <filesystem>
#include <memory>

#include "shell/commandline.h"

namespace store {
class ClientFile;
}

namespace shell {

// Before any window opens, the client file must be there and whole. A missing file may be
// created at the user's word; anything else is reported, and null ends the program.
std::shared_ptr<store::ClientFile> clientFileReady(const std::filesystem::path& path);

// The same for a server database: connected and checked; a database without client tables may
// get empty ones at the user's word.
std::shared_ptr<store::ClientFile> serverReady(const std::string& conninfo);

// What the program does before its event loop: the client file or server checked, then the frame
// built with the workspace it hands its windows (the composition root) and opened with the
// browse list. False when the program must end (declined, or unusable).
bool startProgram(const ClientPlace& place);

// A client table that cannot be read whole is a damaged file: the start-up message for an
// unusable file, and the program ends without writing anything.
void endForDamagedFile(const std::exception& error);

}  // namespace shell

#pragma once

#include <exception>
#include <filesystem>

namespace shell {

// Before any window opens, the client file must be there and whole. A missing file may be
// created at the user's word; anything else is reported, and false ends the program.
bool clientFileReady(const std::filesystem::path& path);

// What the program does before its event loop: the client file checked, then the frame opened
// with the browse list. False when the program must end (declined, or the file is unusable).
bool startProgram(const std::filesystem::path& path);

// A client table that cannot be read whole is a damaged file: the start-up message for an
// unusable file, and the program ends without writing anything.
void endForDamagedFile(const std::exception& error);

}  // namespace shell

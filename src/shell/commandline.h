#pragma once

#include <QStringList>
#include <filesystem>
#include <ostream>

// What the program does from the command line without opening a window.
namespace shell {

// True when the arguments ask only for that (--help, --version, --import with --replace), or
// name an option the program does not know.
bool commandLineOnly(const QStringList& arguments);

// Runs those options against the client file `clientFile`; messages go to `out` and `err`
// (progress rewritten in place on a terminal). The exit status: 0 only on success.
int runCommandLine(const QStringList& arguments, const std::filesystem::path& clientFile,
                   std::ostream& out, std::ostream& err, bool terminal);

}  // namespace shell

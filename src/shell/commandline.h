#pragma once

#include <QStringList>
#include <filesystem>
#include <ostream>

// What the program does from the command line without opening a window.
namespace shell {

// True when the arguments ask only for that (--help, --version, --import with --replace), or
// name an option the program does not know.
bool commandLineOnly(const QStringList& arguments);

// The client file the arguments name (the first that is no option), else `fallback`.
std::filesystem::path clientFileArgument(const QStringList& arguments,
                                         const std::filesystem::path& fallback);

// Runs those options against the client file the arguments name, else `defaultFile`; messages
// go to `out` and `err`
// (progress rewritten in place on a terminal). The exit status: 0 only on success.
int runCommandLine(const QStringList& arguments, const std::filesystem::path& defaultFile,
                   std::ostream& out, std::ostream& err, bool terminal);

}  // namespace shell

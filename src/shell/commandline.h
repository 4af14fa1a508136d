#pragma once

#include <QStringList>
#include <filesystem>
#include <ostream>
#include <string>

class QSettings;

// What the program does from the command line without opening a window.
namespace shell {

// True when the arguments ask only for that (--help, --version, --import with --replace), or
// name an option the program does not know. --server and --no-server alone open the windows.
bool commandLineOnly(const QStringList& arguments);

// Where this start of the program keeps its clients: a server database when `server` (a libpq
// connection text) is set, else the client file.
struct ClientPlace {
    std::filesystem::path file;
    std::string server;
};

// The place the arguments choose: --server CONN; a FILE named; --no-server (which forgets the
// remembered server); else the server remembered in `settings`, else `defaultFile`.
ClientPlace chosenPlace(const QStringList& arguments, QSettings& settings,
                        const std::filesystem::path& defaultFile);
// Remembers a server given with --server, password left out, once it served a start, so that
// the desktop entry starts the program the same way.
void rememberServer(const QStringList& arguments, QSettings& settings);

// Runs those options against the place the arguments name (the client file `defaultFile`
// unless told otherwise); messages go to `out` and `err` (progress rewritten in place on a
// terminal). The exit status: 0 only on success.
int runCommandLine(const QStringList& arguments, const std::filesystem::path& defaultFile,
                   std::ostream& out, std::ostream& err, bool terminal);

}  // namespace shell

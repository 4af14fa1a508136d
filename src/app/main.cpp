#include <QCoreApplication>
#include <QSettings>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/appsetup.h"
#include "shell/commandline.h"
#include "shell/startup.h"
#include "store/clientfile.h"

namespace {
// Progress is rewritten in place on a terminal, and left out when the output goes to a file.
bool onTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdout));
#else
    return isatty(fileno(stdout));
#endif
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName("VELKARD");
    QCoreApplication::setApplicationVersion(VELKARD_VERSION);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (shell::commandLineOnly(arguments)) {  // no window, and no display needed
        QCoreApplication app(argc, argv);
        return shell::runCommandLine(app.arguments(), store::clientfile::defaultPath(), std::cout,
                                     std::cerr, onTerminal());
    }
    platform::Application app(argc, argv);
    platform::setUpApplication(app);
    // Qt took its own options out of the arguments by now: what is left may name a file or server.
    QSettings settings(QStringLiteral("VELKARD"), QStringLiteral("VELKARD"));
    const auto place =
        shell::chosenPlace(app.arguments(), settings, store::clientfile::defaultPath());
    if (!shell::startProgram(place)) return 1;
    shell::rememberServer(app.arguments(), settings);
    return app.exec();
}

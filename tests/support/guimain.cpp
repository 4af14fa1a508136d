// Runs the GUI test class named on the command line (all of them without a name).
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "guifixture.h"
#include "platform/appsetup.h"
#include "platform/help.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    platform::help::setFolder(QStringLiteral(VELKARD_GUIDE));  // the guide this build rendered
    // What the windows remember goes to a folder of the run's own, never the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    int failed = 0;
    bool ran = false;
    for (auto& [name, make] : testsupport::guiTests()) {
        if (argc > 1 && name != argv[1]) continue;
        ran = true;
        auto test = make();
        char* args[] = {argv[0], nullptr};
        failed += QTest::qExec(test.get(), 1, args);
    }
    if (!ran) {
        fprintf(stderr, "no test class named %s\n", argc > 1 ? argv[1] : "");
        return 2;
    }
    return failed ? 1 : 0;
}

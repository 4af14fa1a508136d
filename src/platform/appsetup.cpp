#include "platform/appsetup.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "platform/dialogs.h"

namespace platform {

void setUpApplication(QApplication& app) {
    // Without these, Qt falls back to a simplified-Chinese face (户 for 戶).
    QFont::insertSubstitutions(
        kMingFace, {"PMingLiU", "AR PL UMing TW", "Noto Serif CJK TC", "Noto Sans CJK TC"});
    QFont::insertSubstitutions(kKaiFace, {"DFKai-SB", "AR PL UKai TW", "Noto Serif CJK TC"});

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::Taiwan), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);

    QApplication::setApplicationName("VELKARD");
    QApplication::setFont(mingFont());
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
}

QFont mingFont(int points, bool bold) {
    QFont font(kMingFace, points);
    font.setBold(bold);
    return font;
}

}  // namespace platform

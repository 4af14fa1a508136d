#include "platform/appsetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

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

QFont mingFont(int points, bool bold) {
    QFont font(kMingFace, points);
    font.setBold(bold);
    return font;
}

}  // namespace platform

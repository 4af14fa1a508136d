#include "platform/appsetup.h"

#include <QLibraryInfo>
#include <QPainter>
#include <QPixmap>
#include <QTranslator>
#include <exception>

#include "platform/dialogs.h"
#include "platform/longwork.h"

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
    // The desktop finds the entry and icon by the same id as the software centre.
    QGuiApplication::setDesktopFileName(QStringLiteral("tw.velkard.velkard"));
    QApplication::setWindowIcon(appIcon());
    QApplication::setFont(mingFont());
    keepPaintingDuringLongWork();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        const QPen outline(QColor(0x33, 0x33, 0x33), 2);
        // The back card with its tab, the front card with lines of writing, the box in front.
        p.setPen(outline);
        p.setBrush(QColor(0xF4, 0xE3, 0xB5));
        p.drawRoundedRect(QRectF(10, 8, 44, 34), 3, 3);
        p.drawRoundedRect(QRectF(38, 3, 14, 8), 2, 2);
        p.setBrush(QColor(0xFF, 0xFF, 0xFF));
        p.drawRoundedRect(QRectF(6, 16, 52, 32), 3, 3);
        p.setPen(QPen(QColor(0x2F, 0x6D, 0xB5), 2.5));
        for (int y : {25, 32, 39}) p.drawLine(QPointF(13, y), QPointF(y == 25 ? 36 : 50, y));
        p.setPen(outline);
        p.setBrush(QColor(0x2F, 0x6D, 0xB5));
        p.drawRoundedRect(QRectF(2, 40, 60, 20), 3, 3);
        p.setBrush(QColor(0xDD, 0xE8, 0xF5));
        p.drawRoundedRect(QRectF(25, 46, 14, 6), 2, 2);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QFont mingFont(int points, bool bold) {
    QFont font(kMingFace, points);
    font.setBold(bold);
    return font;
}

}  // namespace platform

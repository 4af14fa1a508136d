#include "platform/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/forms.h"

namespace platform::help {
namespace {

QString& chosenFolder() {
    static QString folder;
    return folder;
}

constexpr const char* kContents = "index";

// One viewer for the whole program, a window of its own beside the one it explains.
class Viewer : public QWidget {
  public:
    Viewer() : text_(new QTextBrowser(this)) {
        setObjectName("HelpViewer");
        setWindowFlag(Qt::Window);
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        auto* bar = new QHBoxLayout;
        auto button = [&](const char* name, const QString& caption) {
            auto* b = new QPushButton(caption, this);
            b->setObjectName(name);
            bar->addWidget(b);
            return b;
        };
        QPushButton* back = button("GuideBack", QStringLiteral("上一頁(&B)"));
        QPushButton* contents = button("GuideContents", QStringLiteral("目錄(&C)"));
        QPushButton* close = button("GuideClose", QStringLiteral("關閉(&X)"));
        bar->addStretch(1);
        layout->addLayout(bar);
        text_->setObjectName("GuideText");
        text_->setAccessibleName(QStringLiteral("使用說明"));
        text_->setOpenExternalLinks(true);
        layout->addWidget(text_, 1);
        connect(back, &QPushButton::clicked, text_, &QTextBrowser::backward);
        connect(text_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        connect(contents, &QPushButton::clicked, this, [this] { open(kContents); });
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        // Esc closes it, as a help window is left on the other desktops.
        auto* leave = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(leave, &QShortcut::activated, this, &QWidget::close);
        connect(text_, &QTextBrowser::sourceChanged, this, [this] {
            setWindowTitle(QStringLiteral("VELKARD 使用說明 — ") + text_->documentTitle());
        });
        back->setEnabled(false);
        resize(760, 620);
    }
    void open(const QString& chapter) {
        const QString file = chapterFile(chapter);
        text_->setSource(QUrl::fromLocalFile(file.isEmpty() ? chapterFile(kContents) : file));
    }

  private:
    QTextBrowser* text_;
};

QPointer<Viewer>& viewer() {
    static QPointer<Viewer> v;
    return v;
}

}  // namespace

QString folder() {
    if (!chosenFolder().isEmpty()) return chosenFolder();
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {app + QStringLiteral("/guide"), app + QStringLiteral("/../share/doc/velkard/guide")}) {
        if (QFileInfo::exists(candidate + QStringLiteral("/index.html")))
            return QDir(candidate).canonicalPath();
    }
    return {};
}

void setFolder(const QString& folder) {
    chosenFolder() = folder;
}

QString chapterFile(const QString& chapter) {
    const QString root = folder();
    if (root.isEmpty()) return {};
    const QString file = root + QLatin1Char('/') + chapter + QStringLiteral(".html");
    return QFileInfo::exists(file) ? file : QString();
}

QString chapterAround(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* form = qobject_cast<const Form*>(w); form && !form->helpChapter().isEmpty())
            return form->helpChapter();
    }
    return QString::fromLatin1(kContents);
}

QWidget* show(const QString& chapter) {
    if (chapterFile(QString::fromLatin1(kContents)).isEmpty()) {
        dialogs().message(
            QStringLiteral("找不到使用說明。它應該在程式旁邊的 guide 資料夾，或安裝在 "
                           "/usr/share/doc/velkard/guide。"),
            {}, Buttons::Ok, Icon::Exclamation);
        return nullptr;
    }
    if (!viewer()) viewer() = new Viewer;
    viewer()->open(chapter);
    viewer()->show();
    viewer()->raise();
    viewer()->activateWindow();
    return viewer();
}

void showForActiveWindow() {
    // The focus is inside the window the user works in: for the frame, in its active child.
    QWidget* focus = QApplication::focusWidget();
    QWidget* active = QApplication::activeWindow();
    if (active == viewer()) return;
    show(chapterAround(focus && focus->window() == active ? focus : active));
}

}  // namespace platform::help

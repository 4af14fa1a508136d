#include "platform/dialogs.h"

#include <QProgressDialog>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>

namespace platform {
namespace {

std::unique_ptr<Dialogs>& current() {
    static std::unique_ptr<Dialogs> instance = std::make_unique<QtDialogs>();
    return instance;
}

QString titleOr(const QString& title) {
    return title.isEmpty() ? appTitle() : title;
}

// A carriage return alone starts a new line, as the program's texts expect.
QString shown(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

Dialogs& dialogs() {
    return *current();
}

void setDialogs(std::unique_ptr<Dialogs> replacement) {
    current() = std::move(replacement);
}

void showError(const std::exception& error) {
    dialogs().beep();
    dialogs().message(QString::fromUtf8(error.what()), {}, Buttons::Ok, Icon::Exclamation);
}

void sendTabToFocus() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QApplication::sendEvent(focus, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    if (QWidget* now = QApplication::focusWidget()) QApplication::sendEvent(now, &release);
}

void QtDialogs::beep() {
    QApplication::beep();
}

Answer QtDialogs::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(titleOr(title));
    box.setText(shown(text));
    switch (icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(titleOr(title));
    box.setLabelText(shown(prompt));
    box.setTextValue(defaultText);
    box.setOkButtonText(QStringLiteral("確定"));
    box.setCancelButtonText(QStringLiteral("取消"));
    if (box.exec() != QDialog::Accepted) return {};
    return box.textValue();
}

QString QtDialogs::saveFileName(const QString& title, const QString& suggested,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested, filter);
}

QString QtDialogs::openFileName(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(), filter);
}

bool QtDialogs::choosePrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::busy(const QString& notice) {
    auto* label = new QLabel(notice);
    label->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setMargin(16);
    label->setWordWrap(true);
    label->setMaximumWidth(480);
    label->setWindowTitle(appTitle());
    notice_.reset(label);
    label->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Painted now: what follows blocks the event loop.
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void QtDialogs::idle() {
    if (!notice_) return;
    notice_.reset();
    QApplication::restoreOverrideCursor();
}

}  // namespace platform

namespace platform {

bool QtDialogs::progress(const QString& label, long done, long total, bool cancellable) {
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(
            label, cancellable ? QStringLiteral("取消") : QString(), 0, 100,
            QApplication::activeWindow());
        progress_->setWindowTitle(appTitle());
        progress_->setObjectName("Progress");
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
    }
    progress_->setLabelText(QStringLiteral("%1\n%2 / %3").arg(label).arg(done).arg(total));
    progress_->setValue(total > 0 ? static_cast<int>(100 * done / total) : 100);
    // The bar is modal: the user's input reaches its Cancel button and nothing else.
    QApplication::processEvents(cancellable ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    const bool cancelled = progress_->wasCanceled();
    if (done >= total || cancelled) progress_.reset();
    return !cancelled;
}

}  // namespace platform

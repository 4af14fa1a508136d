#include "platform/statusbar.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include "platform/appsetup.h"
#include "platform/twips.h"

namespace platform {
namespace {

struct PanelDesign {
    const char* name;
    int widthTwips;
    const char* tip;
};

constexpr int kMarkerMinimumTwips = 700;  // "  過濾 " and a margin

constexpr PanelDesign kPanels[] = {
    {"recno", 2005, " RECORD"},
    {"panel2", 1600, ""},
    {"caps", 1205, "鍵盤上 Caps Lock 的狀態"},
    {"num", 705, "鍵盤上的 Num Lock 狀態"},
    {"ins", 555, "鍵盤上的 Insert 鍵狀態"},
    {"time", 1035, ""},
    {"date", 1845, ""},
};

// A panel at least as wide as designed, unless the layout must squeeze it below that.
class PanelLabel : public QLabel {
  public:
    PanelLabel(int designedWidth, QWidget* parent) : QLabel(parent), designed_(designedWidth) {}
    QSize sizeHint() const override {
        const QSize text = QLabel::sizeHint();
        return {std::max(text.width(), designed_), text.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  private:
    int designed_;
};

// A lock panel shows its name lit (white on dark blue) when the lock is on and in black on the
// bar when off, in a bold face: a grey for "off" is not legible in the bar's small face, so the
// two states differ by the panel's light, not by faint text. Nothing when unknown.
void showLock(QLabel* label, const QString& name, bool known, bool on) {
    label->setText(known ? name : QString());
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, on ? QColor(Qt::white) : QColor(Qt::black));
    p.setColor(QPalette::Window, QColor(0x00, 0x00, 0x80));
    label->setPalette(p);
    label->setAutoFillBackground(known && on);
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QFrame(parent), timer_(new QTimer(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 0);
    layout->setSpacing(2);
    setFont(mingFont(8));
    for (const auto& design : kPanels) {
        auto* label = new PanelLabel(px(design.widthTwips), this);
        label->setObjectName(design.name);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // As wide as designed, or as its text when that is wider: the text panels grow rather
        // than clip a long count, and the filter marker's panel gives up room first when the
        // bar is full.
        const bool marker = panels_.size() == 1;
        label->setMinimumWidth(marker ? px(kMarkerMinimumTwips) : 0);
        label->setSizePolicy(marker ? QSizePolicy::Preferred : QSizePolicy::Minimum,
                             QSizePolicy::Preferred);
        label->setToolTip(QString::fromUtf8(design.tip));
        label->setContentsMargins(1, 0, 1, 0);
        layout->addWidget(label);
        panels_.push_back(label);
    }
    layout->addStretch(1);
    panels_[0]->setText(QStringLiteral(" RECORD"));
    for (QLabel* lock : {panels_[2], panels_[3]}) lock->setFont(mingFont(8, true));
    panels_[4]->setAlignment(Qt::AlignCenter);
    panels_[5]->setAlignment(Qt::AlignCenter);
    panels_[6]->setAlignment(Qt::AlignCenter);
    connect(timer_, &QTimer::timeout, this, &StatusBar::refresh);
    timer_->start(1000);
    refresh();
}

void StatusBar::showLockKeys(bool known, bool capsLock, bool numLock) {
    showLock(panels_[2], QStringLiteral("CAPS"), known, capsLock);
    showLock(panels_[3], QStringLiteral("NUM"), known, numLock);
}

void StatusBar::setPanelText(int panel, const QString& text) {
    panels_.at(panel - 1)->setText(text);
}

QString StatusBar::panelText(int panel) const {
    return panels_.at(panel - 1)->text();
}

QLabel* StatusBar::panel(int panel) const {
    return panels_.at(panel - 1);
}

void StatusBar::refresh() {
    const QDateTime now = QDateTime::currentDateTime();
    panels_[5]->setText(now.toString(QStringLiteral("HH:mm")));
    panels_[6]->setText(now.toString(QStringLiteral("yyyy/MM/dd")));
    bool caps = false, num = false;
    const bool known = readLockKeys(caps, num);
    showLockKeys(known, caps, num);
    // Boxes insert unless they say they overwrite.
    bool overwrite = false;
    QWidget* focus = QApplication::focusWidget();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) overwrite = plain->overwriteMode();
    if (auto* rich = qobject_cast<QTextEdit*>(focus)) overwrite = rich->overwriteMode();
    panels_[4]->setText(overwrite ? QStringLiteral("OVR") : QStringLiteral("INS"));
}

}  // namespace platform

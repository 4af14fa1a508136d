#include "maintenance/bulkwindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/bulk.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/recordset.h"

using platform::rectTwips;

BulkWindow::BulkWindow()
    : codeBox(new platform::BoundTextBox(this)),
      ProgressBar1(new QProgressBar(this)),
      AdodcFORM42(new platform::DataControl(this)) {
    resize(platform::px(5835), platform::px(4110));
    const char* captions[2] = {"DECIDE", "END"};
    for (int i = 0; i < 2; ++i) {
        ComFORM42[static_cast<std::size_t>(i)] = platform::makeButton(
            this, QStringLiteral("ComFORM42(%1)").arg(i), QString::fromLatin1(captions[i]), {});
    }
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("LabFORM42(%1)").arg(i));
        l->setFont(platform::mingFont(12, true));
        platform::setBackground(l, QColor(192, 192, 192));
        LabFORM42[static_cast<std::size_t>(i)] = l;
    }
    codeBox->setObjectName("TexFORM42(0)");
    codeBox->setGeometry(rectTwips(1680, 120, 1095, 375));
    codeBox->setReadOnly(true);
    codeBox->setFocusPolicy(Qt::NoFocus);
    codeBox->bind(AdodcFORM42, QStringLiteral("NO"));
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(rectTwips(480, 2040, 5055, 495));
    ProgressBar1->setTextVisible(false);
    LabFORM42[2]->setGeometry(rectTwips(2520, 2760, 1095, 375));
    AdodcFORM42->setObjectName("AdodcFORM42");
    AdodcFORM42->setGeometry(rectTwips(2760, 120, 1215, 375));
    AdodcFORM42->hide();  // it only holds the records; the user has nothing to do with it
    connect(ComFORM42[1], &QPushButton::clicked, this, [this] { close(); });
}

void BulkWindow::Form_Unload() {
    // The browse list is built anew so that it shows what the work changed.
    workspace().goHome(true);
}

long BulkWindow::recordCount() const {
    store::RecordSet* rs = AdodcFORM42->recordSet();
    return rs ? rs->recordCount() : 0;
}

bool BulkWindow::closedForEmptyTable() {
    if (recordCount() != 0) return false;
    workspace().dialogs().beep();
    workspace().dialogs().beep();
    workspace().dialogs().message(QStringLiteral("FILE NO FOUND RECORD ! "), platform::appTitle());
    close();
    return true;
}

void BulkWindow::setWorking(bool working) {
    working_ = working;
    LabFORM42[0]->setVisible(!working);
    for (QWidget* w : inputOnly) w->setVisible(!working);
    ComFORM42[0]->setVisible(!working);
    ComFORM42[1]->setVisible(!working);
    LabFORM42[1]->setVisible(working);
    LabFORM42[2]->setVisible(true);  // it keeps the last percentage after the run
    ProgressBar1->setVisible(working);
}

bool BulkWindow::otherDesksAgree() {
    int others = 0;
    try {
        others = workspace().file().backend().otherDesks();
    } catch (const std::exception& e) {
        platform::showError(e);
        return false;
    }
    if (others == 0) return true;
    return workspace().dialogs().message(
               QStringLiteral("現在還有 %1 台電腦開著這份客戶資料。這項工作會改變所有客戶，"
                              "它們畫面上的清單在重新整理（F5）後也會改變。\n要繼續嗎？")
                   .arg(others),
               {}, platform::Buttons::OkCancel,
               platform::Icon::Exclamation) == platform::Answer::Ok;
}

bool BulkWindow::runWork(const std::function<void(const std::function<void(long, long)>&)>& work) {
    setWorking(true);
    int shown = -1;
    auto progress = [&](long i, long n) {
        if (i == 1) ProgressBar1->setRange(0, static_cast<int>(n));
        const int p = store::bulk::percent(i, n);
        // The bar and the label are redrawn only when what they show changes.
        if (p == shown && i != n) return;
        shown = p;
        ProgressBar1->setValue(static_cast<int>(i));
        LabFORM42[2]->setText(QStringLiteral("%1 %").arg(p));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    bool ran = true;
    try {
        work(progress);
    } catch (const std::exception& e) {
        platform::showError(e);  // one transaction: every record is as it was
        ran = false;
    }
    setWorking(false);
    try {
        AdodcFORM42->openTable(workspace().file(),
                               "VELKARD");  // show the records as they now stand
    } catch (const store::StoreError&) {
    }
    return ran;
}

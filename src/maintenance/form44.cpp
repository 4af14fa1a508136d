#include "maintenance/form44.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/bulk.h"
#include "store/clientfile.h"
#include "store/fields.h"

using platform::rectTwips;

Form44::Form44() : KeepInHistory(new QCheckBox(this)) {
    setObjectName("Form44");
    setWindowTitle(QStringLiteral("檔案刪除"));
    ComFORM42[0]->setGeometry(rectTwips(1680, 2040, 1095, 375));
    ComFORM42[1]->setGeometry(rectTwips(3360, 2040, 975, 375));
    LabFORM42[0]->setGeometry(rectTwips(1440, 960, 3255, 375));
    platform::setTextColor(LabFORM42[0], Qt::red);
    LabFORM42[1]->setText(QStringLiteral("Please  wait  for  Processing......."));
    LabFORM42[1]->setGeometry(rectTwips(1080, 960, 3855, 375));
    platform::setTextColor(LabFORM42[1], QColor(64, 64, 64));
    KeepInHistory->setObjectName("KeepInHistory");
    KeepInHistory->setText(QStringLiteral("清除的客戶保留在紀錄裡，以後可以復原"));
    KeepInHistory->setGeometry(rectTwips(1080, 1500, 4200, 375));
    KeepInHistory->setChecked(true);
    setTabOrder(ComFORM42[0], KeepInHistory);
    setTabOrder(KeepInHistory, ComFORM42[1]);
    connect(ComFORM42[0], &QPushButton::clicked, this, [this] { ComFORM42_Click(0); });
}

void Form44::Form_Load() {
    try {
        AdodcFORM42->openTable(workspace().file(), store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
    LabFORM42[0]->setText(QStringLiteral(" 檔案紀錄總筆數為 : %1").arg(recordCount()));
    platform::fitText(LabFORM42[0]);
    LabFORM42[1]->hide();
    LabFORM42[2]->hide();
    ProgressBar1->hide();
    // Where no history can be kept (a server without the table), clearing is final as it was.
    KeepInHistory->setVisible(workspace().file().backend().keepsHistory());
}

void Form44::ComFORM42_Click(int index) {
    if (index == End) {
        close();
        return;
    }
    if (closedForEmptyTable() || !otherDesksAgree()) return;
    if (workspace().dialogs().message(QStringLiteral(" Do You delete record ?"),
                                      QStringLiteral("確定要刪除所有記錄"),
                                      platform::Buttons::OkCancel) != platform::Answer::Ok)
        return;
    const bool done = runWork([this](const store::bulk::Progress& progress) {
        workspace().file().clearClients(progress, KeepInHistory->isChecked());
    });
    if (done)
        workspace().dialogs().message(QStringLiteral("Completed delete record ! "),
                                      platform::appTitle());
}

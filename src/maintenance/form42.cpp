#include "maintenance/form42.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/workspace.h"
#include "store/bulk.h"
#include "store/clientfile.h"
#include "store/fields.h"

using platform::rectTwips;

Form42::Form42() {
    setObjectName("Form42");
    setWindowTitle(QStringLiteral("代號重編"));
    TexFORM42[0] = codeBox;
    TexFORM42[1] = new platform::TextBox(this);
    TexFORM42[1]->setObjectName("TexFORM42(1)");
    TexFORM42[1]->setAccessibleName(QStringLiteral("重新編排後的第一個代號"));
    TexFORM42[1]->setGeometry(rectTwips(3960, 960, 1095, 375));
    inputOnly = {TexFORM42[1]};
    ComFORM42[0]->setGeometry(rectTwips(1920, 2040, 1095, 375));
    ComFORM42[1]->setGeometry(rectTwips(3600, 2040, 975, 375));
    LabFORM42[0]->setText(QStringLiteral("Please input NO "));
    LabFORM42[0]->setGeometry(rectTwips(840, 960, 3135, 375));
    LabFORM42[1]->setText(QStringLiteral("Please wait  Processing........"));
    LabFORM42[1]->setGeometry(rectTwips(1560, 960, 4215, 375));
    setTabOrder(TexFORM42[1], ComFORM42[0]);
    setTabOrder(ComFORM42[0], ComFORM42[1]);
    connect(ComFORM42[0], &QPushButton::clicked, this, [this] { ComFORM42_Click(0); });
}

void Form42::Form_Load() {
    LabFORM42[1]->hide();
    LabFORM42[2]->hide();
    ProgressBar1->hide();
    try {
        AdodcFORM42->openTable(workspace().file(), store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
    TexFORM42[1]->setFocus();
}

void Form42::ComFORM42_Click(int index) {
    if (index == End) {
        close();
        return;
    }
    if (closedForEmptyTable()) return;
    const std::string start = platform::toStd(TexFORM42[1]->text());
    // Every code must fit NO before anything is written.
    if (auto refusal = store::bulk::renumberRefusal(start, recordCount())) {
        workspace().dialogs().beep();
        workspace().dialogs().message(platform::toQ(*refusal), {}, platform::Buttons::Ok,
                                      platform::Icon::Exclamation);
        return;
    }
    if (!otherDesksAgree()) return;
    if (workspace().dialogs().message(QStringLiteral(" 確定要重新編排代號 ?"),
                                      QStringLiteral("重新編排代號"),
                                      platform::Buttons::OkCancel) != platform::Answer::Ok)
        return;
    const bool done = runWork([&](const store::bulk::Progress& progress) {
        workspace().file().renumber(start, progress);
    });
    if (done)
        workspace().dialogs().message(QStringLiteral("已完成代號重編 ! "), platform::appTitle());
    TexFORM42[1]->clear();
    TexFORM42[1]->setFocus();
}

#include "reports/form28.h"

#include <QListWidget>
#include <QPushButton>

#include "platform/appsetup.h"
#include "platform/browselist.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "reports/columns.h"
#include "reports/datareport28.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/recordset.h"

using platform::rectTwips;

Form28::Form28() : ListLEFT(new QListWidget(this)), ListRIGHT(new QListWidget(this)) {
    setObjectName("Form28");
    setWindowTitle(QStringLiteral("Form2"));
    resize(platform::px(7245), platform::px(4485));
    auto button = [&](const char* name, const char* caption, int left, int top, int width,
                      int height) {
        auto* b = platform::makeButton(this, name, QString::fromLatin1(caption),
                                       rectTwips(left, top, width, height));
        return b;
    };
    ComLTOR = button("ComLTOR", "ADD", 2640, 840, 1215, 375);
    ComRTOL = button("ComRTOL", "MOVE", 2640, 1560, 1215, 375);
    ListLEFT->setObjectName("ListLEFT");
    ListLEFT->setGeometry(rectTwips(720, 480, 1575, 2700));
    ListLEFT->setAccessibleName(QStringLiteral("可以列印的欄位"));
    ListRIGHT->setObjectName("ListRIGHT");
    ListRIGHT->setAccessibleName(QStringLiteral("要列印的欄位"));
    ListRIGHT->setGeometry(rectTwips(4200, 480, 1575, 2700));
    ComALLMOVE = button("ComALLMOVE", "ALL MOVE", 2520, 2280, 1455, 375);
    COMMAND1[0] = button("COMMAND1(0)", "PRINTER", 1680, 3840, 1215, 495);
    Command2 = button("Command2", "END", 3600, 3840, 1215, 495);
    QWidget* order[] = {ComLTOR, ComRTOL, ListLEFT, ListRIGHT, ComALLMOVE, COMMAND1[0], Command2};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    connect(ComLTOR, &QPushButton::clicked, this, &Form28::ComLTOR_Click);
    connect(ComRTOL, &QPushButton::clicked, this, &Form28::ComRTOL_Click);
    connect(ComALLMOVE, &QPushButton::clicked, this, &Form28::ComALLMOVE_Click);
    connect(COMMAND1[0], &QPushButton::clicked, this, [this] { COMMAND1_Click(0); });
    connect(Command2, &QPushButton::clicked, this, &Form28::Command2_Click);
}

void Form28::Form_Load() {
    for (auto name : store::kFieldNames) ListLEFT->addItem(platform::toQ(name));
    for (int i : {0, 1, 2, 3, 4, 5, int(store::PHONE), int(store::TEL_1), int(store::ADDR_1)})
        ListRIGHT->addItem(platform::toQ(store::kFieldNames[static_cast<std::size_t>(i)]));
}

void Form28::ComLTOR_Click() {
    // A field stays available, so it can be chosen twice.
    for (int i = ListLEFT->count() - 1; i >= 0; --i)
        if (ListLEFT->item(i)->isSelected()) ListRIGHT->addItem(ListLEFT->item(i)->text());
}

void Form28::ComRTOL_Click() {
    for (int i = ListRIGHT->count() - 1; i >= 0; --i)
        if (ListRIGHT->item(i)->isSelected()) delete ListRIGHT->takeItem(i);
}

void Form28::ComALLMOVE_Click() {
    for (int i = ListRIGHT->count() - 1; i >= 0; --i) delete ListRIGHT->takeItem(i);
}

void Form28::COMMAND1_Click(int) {
    std::vector<std::string> chosen;
    for (int i = 0; i < ListRIGHT->count(); ++i)
        chosen.push_back(platform::toStd(ListRIGHT->item(i)->text()));
    const reports::Layout columns = reports::layoutColumns(chosen, reports::kReportFontSize);
    if (columns.refusal) {
        workspace().dialogs().beep();
        workspace().dialogs().message(platform::toQ(*columns.refusal), {}, platform::Buttons::Ok,
                                      platform::Icon::Exclamation);
        return;
    }
    store::RecordSet* source = workspace().browseList().listRecords();
    if (!source) {
        workspace().dialogs().message(QStringLiteral("瀏覽清單沒有可列印的資料（%1無法讀取）。")
                                          .arg(platform::toQ(workspace().file().where())),
                                      {}, platform::Buttons::Ok, platform::Icon::Exclamation);
        return;
    }
    try {
        DataReport28& report = platform::forms::get<DataReport28>();
        report.layOut(columns, reports::kReportFontSize);
        report.setDataSource(*source);
        platform::forms::place<DataReport28>(1800, 1200, 6000, 5000);
    } catch (const std::exception& e) {
        platform::showError(e);  // the chooser stays usable
    }
}

void Form28::Command2_Click() {
    platform::forms::unload<Form28>();
}

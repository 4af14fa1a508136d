#include "query/form17.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/appsetup.h"
#include "platform/browselist.h"
#include "platform/datacontrol.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "query/conditionboxes.h"
#include "query/runconditions.h"
#include "store/fields.h"

using platform::rectTwips;

namespace {

QStringList names(const std::array<std::string_view, store::kFieldCount>& list) {
    QStringList out;
    for (auto n : list) out << platform::toQ(n);
    return out;
}

}  // namespace

Form17::Form17() {
    setObjectName("Form17");
    setWindowTitle(QStringLiteral("顯示設定"));
    resize(platform::px(6450), platform::px(3315));
    const QStringList titles = names(store::kFieldTitles);

    Label1 = new QLabel(QStringLiteral("排序 :"), this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(rectTwips(120, 240, 735, 375));
    platform::setBackground(Label1, QColor(0xC0, 0xC0, 0xC0));

    Combo7 = query::makeListBox(this, "Combo7", 840, 240, 855, titles);
    Combo7->setAccessibleName(QStringLiteral("排序欄位"));
    connect(Combo7, &QComboBox::activated, this, &Form17::Combo7_Click);

    QList<QWidget*> chain{Combo7};
    for (int r = 0; r < 5; ++r) {
        const int top = 240 + 360 * r;
        if (r > 0) {
            Combo6[static_cast<std::size_t>(r - 1)] =
                query::makeListBox(this, QStringLiteral("Combo6(%1)").arg(r - 1), 120, top, 1575,
                                   query::connectorEntries());
            chain << Combo6[static_cast<std::size_t>(r - 1)];
        }
        // Row 1 lists the field names, the other rows the titles.
        fieldBox[static_cast<std::size_t>(r)] =
            query::makeListBox(this, QStringLiteral("Combo%1(0)").arg(r + 1), 1680, top, 1575,
                               r == 0 ? names(store::kFieldNames) : titles);
        operatorBox[static_cast<std::size_t>(r)] =
            query::makeListBox(this, QStringLiteral("Combo%1(1)").arg(r + 1), 3240, top, 1575,
                               query::operatorEntries());
        Text1[static_cast<std::size_t>(r)] =
            query::makeValueBox(this, QStringLiteral("Text1(%1)").arg(r), 4800, top, 1455);
        chain << fieldBox[static_cast<std::size_t>(r)] << operatorBox[static_cast<std::size_t>(r)]
              << Text1[static_cast<std::size_t>(r)];
        query::nameRow(r, r > 0 ? Combo6[static_cast<std::size_t>(r - 1)] : nullptr,
                       fieldBox[static_cast<std::size_t>(r)],
                       operatorBox[static_cast<std::size_t>(r)],
                       Text1[static_cast<std::size_t>(r)]);
    }

    auto button = [&](const char* name, const char* caption, int left, int width) {
        auto* b = platform::makeButton(this, name, QString::fromLatin1(caption),
                                       rectTwips(left, 2520, width, 375));
        chain << b;
        return b;
    };
    COMMAND1[0] = button("COMMAND1(0)", "EXECUTE", 240, 1335);
    Command2 = button("Command2", "CANCEL", 1920, 1215);
    Command3 = button("Command3", "END", 3480, 1215);
    connect(COMMAND1[0], &QPushButton::clicked, this, &Form17::COMMAND1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form17::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form17::Command3_Click);
    for (int i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void Form17::Form_Load() {
    Combo7->setEditText(QStringLiteral("NO"));
    workspace().browseList().setDisplaySortField(Combo7->currentText());
}

void Form17::Combo7_Click(int position) {
    if (position < 0 || position >= store::kFieldCount) return;
    workspace().browseList().setDisplaySortField(
        platform::toQ(store::kFieldNames[static_cast<std::size_t>(position)]));
}

QString Form17::fieldText(int row) const {
    const QComboBox* box = fieldBox[static_cast<std::size_t>(row)];
    if (row == 0) return box->currentText();
    // A picked title stands for its field; typed text is taken as typed.
    const int picked = query::pickedPosition(box);
    if (picked >= 0 && picked < store::kFieldCount)
        return platform::toQ(store::kFieldNames[static_cast<std::size_t>(picked)]);
    return box->currentText();
}

void Form17::COMMAND1_Click() {
    platform::BrowseListAccess& list = workspace().browseList();
    store::RecordSet* target = list.listRecords();
    if (!target) return;
    std::vector<query::ConditionRow> rows;
    for (int r = 0; r < 5; ++r)
        rows.push_back(query::readRow(fieldText(r), operatorBox[static_cast<std::size_t>(r)],
                                      Text1[static_cast<std::size_t>(r)],
                                      r > 0 ? Combo6[static_cast<std::size_t>(r - 1)] : nullptr));
    if (query::run(workspace().dialogs(), rows, *target, platform::toStd(list.displaySortField()),
                   false) != query::Outcome::Matched)
        return;
    list.markFiltered(true);
    platform::forms::unload<Form17>();
}

void Form17::Command2_Click() {
    for (auto* box : fieldBox) query::clearBox(box);
    for (auto* box : operatorBox) query::clearBox(box);
    for (auto* box : Combo6) query::clearBox(box);
    for (auto* box : Text1) box->clear();
    query::clearBox(Combo7);
    platform::BrowseListAccess& list = workspace().browseList();
    list.markFiltered(false);
    if (store::RecordSet* target = list.listRecords()) target->clearFilter();
}

void Form17::Command3_Click() {
    platform::forms::unload<Form17>();
}

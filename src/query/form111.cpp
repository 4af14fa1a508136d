#include "query/form111.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/appsetup.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/recordgrid.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "query/conditionboxes.h"
#include "query/runconditions.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"

using platform::rectTwips;

namespace {

const QColor kPeach(0xFF, 0xE0, 0xC0);
const QColor kSortColour(0xC0, 0xFF, 0xC0);
const QColor kRowColours[4] = {QColor(0xFF, 0xC0, 0xC0), QColor(0xFF, 0x80, 0x80),
                               QColor(0xFF, 0xC0, 0x80), QColor(0xFF, 0x80, 0x00)};

}  // namespace

Form111::Form111()
    : DataGrid1(new platform::RecordGrid(this)), Adodc1(new platform::DataControl(this)) {
    setObjectName("Form111");
    setWindowTitle(QStringLiteral("條件查詢"));
    platform::setBackground(this, kPeach);
    resize(platform::px(7080), platform::px(5115));

    QList<QWidget*> chain;
    auto button = [&](const char* name, const char* caption, int top) {
        auto* b = platform::makeButton(this, name, QString::fromLatin1(caption),
                                       rectTwips(0, top, 1335, 375));
        chain << b;
        return b;
    };
    COMMAND1[0] = button("COMMAND1(0)", "DECIDE", 120);
    Command2 = button("Command2", "CANCEL", 480);
    Command3 = button("Command3", "EXECUTE", 840);
    Command4 = button("Command4", "END", 1200);
    connect(COMMAND1[0], &QPushButton::clicked, this, &Form111::COMMAND1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form111::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form111::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form111::Command4_Click);

    Label1 = new QLabel(QStringLiteral("排序:"), this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(rectTwips(1320, 120, 615, 375));
    platform::setBackground(Label1, kSortColour);
    platform::setTextColor(Label1, QColor(0x00, 0x00, 0xFF));

    Combo6 = query::makeListBox(this, "Combo6", 1920, 120, 855, {});
    query::paint(Combo6, kSortColour);
    Combo6->setAccessibleName(QStringLiteral("排序欄位"));
    connect(Combo6, &QComboBox::activated, this, &Form111::Combo6_Click);
    chain << Combo6;

    for (int r = 0; r < 4; ++r) {
        const int top = 120 + 360 * r;
        if (r > 0) {
            auto* c = query::makeListBox(this, QStringLiteral("Combo5(%1)").arg(r - 1), 1320, top,
                                         1455, query::connectorEntries());
            query::paint(c, kRowColours[r]);
            Combo5[static_cast<std::size_t>(r - 1)] = c;
            chain << c;
        }
        auto* field =
            query::makeListBox(this, QStringLiteral("Combo%1(0)").arg(r + 1), 2760, top, 1455, {});
        auto* op = query::makeListBox(this, QStringLiteral("Combo%1(1)").arg(r + 1), 4200, top,
                                      1455, query::operatorEntries());
        auto* value =
            query::makeValueBox(this, QStringLiteral("Text1(%1)").arg(r), 5640, top, 1335);
        for (QWidget* w : {static_cast<QWidget*>(field), static_cast<QWidget*>(op),
                           static_cast<QWidget*>(value)})
            query::paint(w, kRowColours[r]);
        fieldBox[static_cast<std::size_t>(r)] = field;
        operatorBox[static_cast<std::size_t>(r)] = op;
        Text1[static_cast<std::size_t>(r)] = value;
        chain << field << op << value;
        query::nameRow(r, r > 0 ? Combo5[static_cast<std::size_t>(r - 1)] : nullptr, field, op,
                       value);
    }

    DataGrid1->setObjectName("DataGrid1");
    DataGrid1->setGeometry(rectTwips(0, 1680, 6975, 3015));
    chain << DataGrid1;
    Adodc1->setObjectName("Adodc1");
    Adodc1->setGeometry(rectTwips(0, 4740, 7080, 375));
    DataGrid1->setDataControl(Adodc1);
    DataGrid1->setColumns(
        platform::fieldColumns(&store::FieldInfo::Grids::query, {QStringLiteral("CTRL"), 735, {}}));
    for (int i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void Form111::Form_Load() {
    // The working copy is a clone of the editor's records; an empty table leaves the lists empty.
    RS1 = workspace().borrowRecords(Adodc1, editorControl_);
    if (!RS1) return;
    store::RecordSet* copy = Adodc1->recordSet();
    QStringList columns;
    for (int c = 0; c < copy->fieldCount(); ++c) columns << platform::toQ(copy->fieldName(c));
    for (auto* box : fieldBox) box->addItems(columns);
    Combo6->addItems(columns);
    for (QComboBox* box : fieldBox) box->setCurrentIndex(-1);
    Combo6->setCurrentIndex(0);
    Combo6_Click(0);
    fieldBox[0]->setCurrentIndex(0);
}

void Form111::Combo6_Click(int position) {
    if (position < 0 || position >= store::kFieldCount) return;  // a further column, or none
    COMBO_SORT = platform::toQ(store::kFieldNames[static_cast<std::size_t>(position)]);
}

void Form111::COMMAND1_Click() {
    store::RecordSet* copy = Adodc1->recordSet();
    if (!copy) return;
    std::vector<query::ConditionRow> rows;
    for (int r = 0; r < 4; ++r)
        rows.push_back(query::readRow(fieldBox[static_cast<std::size_t>(r)]->currentText(),
                                      operatorBox[static_cast<std::size_t>(r)],
                                      Text1[static_cast<std::size_t>(r)],
                                      r > 0 ? Combo5[static_cast<std::size_t>(r - 1)] : nullptr));
    query::run(workspace().dialogs(), rows, *copy, platform::toStd(COMBO_SORT), true);
}

void Form111::Command2_Click() {
    for (auto* box : fieldBox) query::clearBox(box);
    for (auto* box : operatorBox) query::clearBox(box);
    for (auto* box : Combo5) query::clearBox(box);
    for (auto* box : Text1) box->clear();
    query::clearBox(Combo6);
    if (store::RecordSet* copy = Adodc1->recordSet()) copy->clearFilter();
}

void Form111::Command3_Click() {
    store::RecordSet* copy = Adodc1->recordSet();
    if (!copy || copy->recordCount() == 0 || !copy->hasCurrent()) return;
    if (workspace().returnChosen(editorControl_, RS1, *copy)) platform::forms::unload<Form111>();
}

void Form111::Command4_Click() {
    platform::forms::unload<Form111>();
}

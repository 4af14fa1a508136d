#include "editor/form112.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/keys.h"
#include "platform/qtext.h"
#include "platform/recordgrid.h"
#include "platform/recordsort.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/errors.h"
#include "store/expression.h"
#include "store/fields.h"
#include "store/recordset.h"

using platform::rectTwips;

namespace {}  // namespace

Form112::Form112()
    : DataCombo1(new QComboBox(this)),
      DataGrid1(new platform::RecordGrid(this)),
      Adodc1(new platform::DataControl(this)),
      codes_(new platform::RecordModel(this)) {
    setObjectName("Form112");
    setWindowTitle(QStringLiteral("泛查資料"));
    resize(platform::px(6510), platform::px(5145));
    platform::setBackground(this, QColor(0xC0, 0xC0, 0xC0));

    Label1 = new QLabel(QStringLiteral("NO"), this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(rectTwips(0, 120, 855, 375));
    platform::setBackground(Label1, QColor(0xFF, 0xE0, 0xC0));

    // The drop-down lists the client codes straight from the record set: no copy of a long list.
    DataCombo1->setObjectName("DataCombo1");
    DataCombo1->setAccessibleName(QStringLiteral("依代號找客戶"));
    DataCombo1->setGeometry(rectTwips(840, 120, 1095, 405));
    DataCombo1->setEditable(true);
    DataCombo1->setInsertPolicy(QComboBox::NoInsert);
    DataCombo1->setCompleter(nullptr);
    DataCombo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DataCombo1->setMaxVisibleItems(15);
    platform::dropDownBelow(DataCombo1);
    platform::takeOnlyRealPicks(DataCombo1);
    codes_->setDataControl(Adodc1);
    codes_->setColumns({{QStringLiteral("NO"), 1095, {}}});
    DataCombo1->setModel(codes_);
    DataCombo1->setCurrentIndex(-1);
    DataCombo1->lineEdit()->installEventFilter(this);  // for clicks on its text
    DataCombo1->installEventFilter(this);
    connect(DataCombo1, &QComboBox::activated, this, [this](int) { DataCombo1_Click(); });

    const char* captions[5] = {"EXECUTE", "HOIST", "LOWER", nullptr, "END"};
    const int lefts[5] = {2040, 3480, 4560, 0, 5760}, widths[5] = {1335, 975, 1095, 0, 735};
    QList<QWidget*> chain{DataCombo1};
    for (int i = 0; i < 5; ++i) {
        if (!captions[i]) continue;
        auto* b = platform::makeButton(this, QStringLiteral("Command1(%1)").arg(i),
                                       QString::fromLatin1(captions[i]),
                                       rectTwips(lefts[i], 120, widths[i], 375));
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        Command1[static_cast<std::size_t>(i)] = b;
        chain << b;
    }

    const auto columns =
        platform::fieldColumns(&store::FieldInfo::Grids::lookup, {QStringLiteral("CTRL"), 630, {}});
    DataGrid1->setObjectName("DataGrid1");
    DataGrid1->setGeometry(rectTwips(0, 600, 6495, 4095));
    DataGrid1->setDataControl(Adodc1);
    DataGrid1->setColumns(columns);
    connect(DataGrid1, &platform::RecordGrid::headingClicked, this, &Form112::DataGrid1_HeadClick);
    chain << DataGrid1;
    for (int i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);

    Adodc1->setObjectName("Adodc1");
    Adodc1->setGeometry(rectTwips(0, 4770, 6510, 375));
}

void Form112::Form_Load() {
    RS2 = workspace().borrowRecords(Adodc1, editorControl_);
    DataCombo1->setCurrentIndex(-1);
}

void Form112::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
    platform::Form::changeEvent(event);
}

void Form112::Form_Activate() {
    DATAGRID1_FIELD = QStringLiteral("NO");
}

bool Form112::eventFilter(QObject* watched, QEvent* event) {
    // The key is seen before it changes the text; a click anywhere on the combo searches. Keys
    // reach the combo, which has the focus; its line edit gets them from it directly.
    if (event->type() == QEvent::KeyPress && watched == DataCombo1)
        DataCombo1_KeyDown(platform::keyCode(static_cast<QKeyEvent*>(event)));
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == DataCombo1 || watched == DataCombo1->lineEdit()))
        DataCombo1_Click();
    return platform::Form::eventFilter(watched, event);
}

void Form112::findCode() {
    store::RecordSet* rs = Adodc1->recordSet();
    if (!rs || rs->recordCount() == 0) return;
    try {
        rs->moveFirst();
        const QString text = DataCombo1->currentText();
        if (text.isEmpty()) return;
        // The quote is doubled, so a code holding one is found as typed.
        const bool found = rs->find("NO='" + store::quoteValue(platform::toStd(text)) + "'");
        // The list stands on the code found, so the box need not look the text up again in a
        // list of every client when the focus leaves it.
        if (found && DataCombo1->currentIndex() != rs->absolutePosition() - 1)
            DataCombo1->setCurrentIndex(static_cast<int>(rs->absolutePosition()) - 1);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

void Form112::DataCombo1_Click() {
    findCode();
}

void Form112::DataCombo1_KeyDown(int keyCode) {
    store::RecordSet* rs = Adodc1->recordSet();
    if (!rs || rs->recordCount() == 0) return;
    findCode();
    if (keyCode == platform::kKeyEnter && !DataCombo1->currentText().isEmpty())
        workspace().dialogs().sendTab();
}

void Form112::DataGrid1_HeadClick(int column) {
    // Only one of the twenty fields can be sorted by; the CTRL column changes nothing.
    const QString field = DataGrid1->fieldAt(column);
    if (store::fieldIndex(platform::toStd(field)) >= 0) DATAGRID1_FIELD = field;
}

void Form112::Command1_Click(int index) {
    if (index == End) {
        platform::forms::unload<Form112>();
        return;
    }
    store::RecordSet* rs = Adodc1->recordSet();
    if (!rs || rs->recordCount() == 0) return;
    const QString typed = DataCombo1->currentText();
    switch (index) {
        case Execute:  // nothing to take after a code that matched nothing
            if (rs->hasCurrent() && workspace().returnChosen(editorControl_, RS2, *rs))
                platform::forms::unload<Form112>();
            return;
        case Hoist:
            platform::resortKeepingRecord(*rs, DATAGRID1_FIELD, " ASC");
            break;
        case Lower:
            platform::resortKeepingRecord(*rs, DATAGRID1_FIELD, " DESC");
            break;
        default:
            return;
    }
    DataCombo1->setEditText(typed);  // the re-sorted list keeps what the user typed
}

#include "shell/form12.h"

#include <QPushButton>

#include "editor/form11.h"
#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/recordgrid.h"
#include "platform/recordsort.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "shell/form1.h"
#include "store/errors.h"
#include "store/fields.h"

using platform::rectTwips;

namespace {

struct PanelField {
    int field;
    int captionLeft, top, captionWidth;
    int valueLeft, valueWidth;
};

constexpr PanelField kPanel[12] = {
    {store::NO, 120, 120, 735, 840, 975},
    {store::NAME, 2040, 120, 735, 2760, 1335},
    {store::BIRTH, 4320, 120, 735, 5040, 1335},
    {store::SEX, 6600, 120, 735, 7320, 495},
    {store::BLOOD, 120, 600, 855, 960, 375},
    {store::SELF_NO, 1920, 600, 1215, 3120, 1575},
    {store::PHONE, 5280, 600, 975, 6240, 1575},
    {store::TEL_2, 120, 1080, 1095, 1200, 1455},
    {store::ADDR_2, 2880, 1080, 1095, 3960, 3855},
    {store::COMPANY, 120, 1560, 1215, 1320, 1335},
    {store::VOCATION, 2760, 1560, 1215, 3960, 1455},
    {store::POSITION, 5520, 1560, 1095, 6600, 1335},
};

}  // namespace

Form12::Form12()
    : DataGrid1(new platform::RecordGrid(this)), Adodc1(new platform::DataControl(this)) {
    setObjectName("Form12");
    setWindowTitle(QStringLiteral("察看瀏覽"));
    resize(platform::px(9255), platform::px(5250));
    platform::setBackground(this, QColor(0xC0, 0xC0, 0xC0));

    Adodc1->setObjectName("Adodc1");
    Adodc1->setCaption(QStringLiteral("Adodc1"));
    Adodc1->setGeometry(rectTwips(7920, 1560, 1215, 375));

    for (int i = 0; i < 12; ++i) {
        const PanelField& p = kPanel[i];
        const QString name = platform::toQ(store::kFieldNames[static_cast<std::size_t>(p.field)]);
        auto* caption = new QLabel(name, this);
        caption->setObjectName(QStringLiteral("LabBROWSE(%1)").arg(i));
        caption->setGeometry(rectTwips(p.captionLeft, p.top, p.captionWidth, 375));
        platform::setBackground(caption, QColor(0xC0, 0xC0, 0xC0));
        auto* value = new platform::BoundLabel(this);
        value->setObjectName(QStringLiteral("LabBROWSE1(%1)").arg(i));
        value->setGeometry(rectTwips(p.valueLeft, p.top, p.valueWidth, 375));
        platform::setBackground(value, QColor(0xE0, 0xE0, 0xE0));
        value->bind(Adodc1, name);
        LabBROWSE[static_cast<std::size_t>(i)] = caption;
        LabBROWSE1[static_cast<std::size_t>(i)] = value;
    }

    const auto columns = platform::fieldColumns(&store::FieldInfo::Grids::fullList,
                                                {QStringLiteral("CTRL"), 615, {}});
    DataGrid1->setObjectName("DataGrid1");
    DataGrid1->setGeometry(rectTwips(0, 2040, 9135, 3135));
    DataGrid1->setDataControl(Adodc1);
    DataGrid1->setColumns(columns);
    connect(DataGrid1, &platform::RecordGrid::headingClicked, this, &Form12::DataGrid1_HeadClick);

    const char* captions[4] = {"HOIST", "LOWER", "PRINTER", "END"};
    QWidget* previous = DataGrid1;
    for (int i = 0; i < 4; ++i) {
        auto* b = platform::makeButton(this, QStringLiteral("Command1(%1)").arg(i),
                                       QString::fromLatin1(captions[i]),
                                       rectTwips(7920, 120 + 360 * i, 1215, 375));
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        Command1[static_cast<std::size_t>(i)] = b;
        setTabOrder(previous, b);
        previous = b;
    }
}

void Form12::Form_Load() {
    try {
        Adodc1->openTable(workspace().file(), store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    // No sort at load: the stored order until HOIST or LOWER.
    if (Adodc1->recordSet()->recordCount() > 0) DATAGRID1_FIELD = QStringLiteral("NO");
}

void Form12::DataGrid1_HeadClick(int column) {
    // Only one of the twenty fields can be sorted by; the CTRL column changes nothing.
    const QString field = DataGrid1->fieldAt(column);
    if (store::fieldIndex(platform::toStd(field)) >= 0) DATAGRID1_FIELD = field;
}

void Form12::Command1_Click(int index) {
    if (index == End) {
        if (platform::forms::close<Form12>()) Form1::placeHome();
        return;
    }
    store::RecordSet* rs = Adodc1->recordSet();
    if (!rs || rs->recordCount() == 0) return;
    if (index == Hoist) platform::resortKeepingRecord(*rs, DATAGRID1_FIELD, " ASC");
    if (index == Lower) platform::resortKeepingRecord(*rs, DATAGRID1_FIELD, " DESC");
}

bool Form12::Form_QueryUnload() {
    // Closing this window closes the editor too: it asks about a pending record first.
    if (Form* editor = platform::forms::find(typeid(Form11))) return editor->Form_QueryUnload();
    return true;
}

void Form12::Form_Unload() {
    platform::forms::unload<Form11>();
    Form1::placeHome();
}

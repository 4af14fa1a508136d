#include "mailings/form62.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "mailings/addresseebox.h"
#include "mailings/labelsheet.h"
#include "platform/browselist.h"
#include "platform/dialogs.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"

namespace {

const char* const kSizeNames[] = {"LabelWidth", "LabelHeight", "LeftMargin",
                                  "TopMargin",  "PitchAcross", "PitchDown"};
const char* const kSizeCaptions[] = {"寬", "高", "左邊界", "上邊界", "橫間距", "直間距"};

}  // namespace

Form62::Form62()
    : SheetBox(new QComboBox(this)),
      StartBox(new QSpinBox(this)),
      CustomSheet(new QWidget(this)),
      ColumnsBox(new QSpinBox(CustomSheet)),
      RowsBox(new QSpinBox(CustomSheet)),
      Addressee(new mailings::AddresseeBox(this)),
      ShowLabels(new QPushButton(QStringLiteral("列出"), this)),
      Notice(new QLabel(this)),
      preview(new platform::report::Preview(this)) {
    setObjectName("Form62");
    setWindowTitle(QStringLiteral("地址標籤"));
    resize(820, 700);
    SheetBox->setObjectName("SheetBox");
    SheetBox->setAccessibleName(QStringLiteral("標籤紙"));
    for (const auto& s : mailings::sheets()) SheetBox->addItem(s.name);
    SheetBox->addItem(QStringLiteral("自訂尺寸（公釐）"));
    StartBox->setObjectName("StartBox");
    StartBox->setAccessibleName(QStringLiteral("從第幾張標籤開始"));
    StartBox->setPrefix(QStringLiteral("從第 "));
    StartBox->setSuffix(QStringLiteral(" 張開始"));
    ShowLabels->setObjectName("ShowLabels");
    Notice->setObjectName("Notice");
    Notice->setWordWrap(true);

    // A sheet of one's own, starting from the first common one.
    auto* custom = new QGridLayout(CustomSheet);
    custom->setContentsMargins(0, 0, 0, 0);
    const mailings::Sheet first = mailings::sheets().front();
    auto numbered = [&](QSpinBox* box, const char* name, const QString& caption, int value,
                        int column) {
        box->setObjectName(name);
        box->setAccessibleName(caption);
        box->setRange(1, 30);
        box->setValue(value);
        custom->addWidget(new QLabel(caption, CustomSheet), 0, column);
        custom->addWidget(box, 1, column);
    };
    numbered(ColumnsBox, "ColumnsBox", QStringLiteral("欄"), first.columns, 0);
    numbered(RowsBox, "RowsBox", QStringLiteral("列"), first.rows, 1);
    const double values[] = {first.width, first.height, first.left,
                             first.top,   first.pitchX, first.pitchY};
    for (std::size_t i = 0; i < SizeBoxes.size(); ++i) {
        auto* box = SizeBoxes[i] = new QDoubleSpinBox(CustomSheet);
        box->setObjectName(kSizeNames[i]);
        box->setAccessibleName(QString::fromUtf8(kSizeCaptions[i]));
        box->setDecimals(2);
        box->setRange(0, 297);
        box->setValue(values[i]);
        custom->addWidget(new QLabel(QString::fromUtf8(kSizeCaptions[i]), CustomSheet), 0,
                          static_cast<int>(i) + 2);
        custom->addWidget(box, 1, static_cast<int>(i) + 2);
    }
    CustomSheet->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(6, 6, 6, 0);
    auto* sheetLabel = new QLabel(QStringLiteral("標籤紙："), this);
    sheetLabel->setBuddy(SheetBox);
    top->addWidget(sheetLabel);
    top->addWidget(SheetBox);
    top->addWidget(StartBox);
    top->addWidget(ShowLabels);
    top->addStretch(1);
    layout->addLayout(top);
    auto* options = new QVBoxLayout;
    options->setContentsMargins(6, 0, 6, 0);
    options->addWidget(CustomSheet);
    options->addWidget(Addressee);
    options->addWidget(Notice);
    layout->addLayout(options);
    layout->addWidget(preview, 1);

    connect(SheetBox, &QComboBox::activated, this, [this] {
        CustomSheet->setVisible(SheetBox->currentIndex() ==
                                static_cast<int>(mailings::sheets().size()));
        showLabels();
    });
    connect(Addressee, &mailings::AddresseeBox::changed, this, &Form62::showLabels);
    connect(ShowLabels, &QPushButton::clicked, this, &Form62::showLabels);
    connect(StartBox, &QSpinBox::editingFinished, this, &Form62::showLabels);
    connect(ColumnsBox, &QSpinBox::editingFinished, this, &Form62::showLabels);
    connect(RowsBox, &QSpinBox::editingFinished, this, &Form62::showLabels);
    for (auto* box : SizeBoxes)
        connect(box, &QDoubleSpinBox::editingFinished, this, &Form62::showLabels);
}

void Form62::Form_Load() {
    showLabels();
}

mailings::Sheet Form62::sheet() const {
    const auto common = mailings::sheets();
    const auto chosen = static_cast<std::size_t>(SheetBox->currentIndex());
    if (chosen < common.size()) return common[chosen];
    mailings::Sheet s;
    s.name = QStringLiteral("自訂");
    s.columns = ColumnsBox->value();
    s.rows = RowsBox->value();
    s.width = SizeBoxes[0]->value(), s.height = SizeBoxes[1]->value();
    s.left = SizeBoxes[2]->value(), s.top = SizeBoxes[3]->value();
    s.pitchX = SizeBoxes[4]->value(), s.pitchY = SizeBoxes[5]->value();
    return s;
}

void Form62::showLabels() {
    // A box that loses the focus as the windows close asks for nothing more.
    if (platform::forms::ending() || unloading()) return;
    store::RecordSet* clients = workspace().browseList().listRecords();
    if (!clients) return;
    const mailings::Sheet chosen = sheet();
    if (const QString problem = mailings::sheetProblem(chosen); !problem.isEmpty()) {
        preview->setDocument(nullptr);
        Notice->setText(QStringLiteral("這個尺寸不能印：") + problem);
        return;
    }
    StartBox->setRange(1, chosen.perSheet());
    const auto choices = Addressee->choices();
    auto recipients = store::mailing::recipients(*clients, choices);
    auto labels = std::make_unique<mailings::LabelDocument>(clients->cloneView(), recipients.rows,
                                                            choices, chosen, StartBox->value() - 1);
    Notice->setText(Addressee->notice(clients->recordCount(), recipients, labels->cutCodes(),
                                      QStringLiteral("張標籤"),
                                      QStringLiteral("，共 %1 頁").arg(labels->pageCount())));
    preview->setDocument(std::move(labels));
}

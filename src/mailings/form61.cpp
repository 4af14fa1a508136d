#include "mailings/form61.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <numeric>

#include "platform/browselist.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"
#include "reports/exports.h"
#include "reports/listreport.h"
#include "store/birthdays.h"
#include "store/fields.h"

namespace {

const std::vector<reports::ListColumn> kColumns = {
    {QStringLiteral("代號"), 900},      {QStringLiteral("姓名"), 1200},
    {QStringLiteral("生日"), 1100},     {QStringLiteral("生日那天"), 1200},
    {QStringLiteral("滿幾歲"), 800},    {QStringLiteral("大哥大"), 1300},
    {QStringLiteral("住宅地址"), 3100},
};

}  // namespace

Form61::Form61()
    : ModeBox(new QComboBox(this)),
      MonthBox(new QSpinBox(this)),
      DaysBox(new QSpinBox(this)),
      ShowList(new QPushButton(QStringLiteral("列出"), this)),
      preview(new platform::report::Preview(this)) {
    setObjectName("Form61");
    setWindowTitle(QStringLiteral("生日名單"));
    resize(820, 660);
    ModeBox->setObjectName("ModeBox");
    ModeBox->setAccessibleName(QStringLiteral("選客戶的方式"));
    ModeBox->addItems(
        {QStringLiteral("這個月份生日的客戶"), QStringLiteral("今天起幾天內生日的客戶")});
    MonthBox->setObjectName("MonthBox");
    MonthBox->setAccessibleName(QStringLiteral("月份"));
    MonthBox->setRange(1, 12);
    MonthBox->setSuffix(QStringLiteral(" 月"));
    DaysBox->setObjectName("DaysBox");
    DaysBox->setAccessibleName(QStringLiteral("天數"));
    DaysBox->setRange(1, 366);
    DaysBox->setValue(30);
    DaysBox->setSuffix(QStringLiteral(" 天內"));
    ShowList->setObjectName("ShowList");
    ShowList->setAccessibleName(ShowList->text());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* choose = new QHBoxLayout;
    choose->setContentsMargins(6, 6, 6, 0);
    choose->addWidget(ModeBox);
    choose->addWidget(MonthBox);
    choose->addWidget(DaysBox);
    choose->addWidget(ShowList);
    choose->addStretch(1);
    layout->addLayout(choose);
    layout->addWidget(preview, 1);
    preview->addCommand("SaveCsv", QStringLiteral("另存 CSV..."), [this] {
        if (auto* document = preview->document()) {
            std::vector<int> columns(kColumns.size());
            std::iota(columns.begin(), columns.end(), 0);
            reports::exportRecords(workspace().dialogs(), document->rows(), columns,
                                   reports::ExportFormat::Csv);
        }
    });
    connect(ModeBox, &QComboBox::activated, this, [this](int mode) {
        MonthBox->setVisible(mode == InMonth);
        DaysBox->setVisible(mode == WithinDays);
        showList();
    });
    connect(ShowList, &QPushButton::clicked, this, &Form61::showList);
    DaysBox->hide();
}

void Form61::Form_Load() {
    MonthBox->setValue(workspace().today().month());
    showList();
}

void Form61::showList() {
    store::RecordSet* clients = workspace().browseList().listRecords();
    if (!clients) return;
    const QDate today = workspace().today();
    const store::birthdays::Day day{std::chrono::year{today.year()},
                                    std::chrono::month{static_cast<unsigned>(today.month())},
                                    std::chrono::day{static_cast<unsigned>(today.day())}};
    const bool inMonth = ModeBox->currentIndex() == InMonth;
    const auto entries =
        inMonth ? store::birthdays::inMonth(*clients, static_cast<unsigned>(MonthBox->value()), day)
                : store::birthdays::withinDays(*clients, DaysBox->value(), day);
    std::vector<std::vector<std::string>> rows;
    std::array<std::string_view, store::kFieldCount> values;
    for (const auto& e : entries) {
        clients->valuesOf(e.row, values);
        const QString on = QStringLiteral("%1/%2/%3")
                               .arg(static_cast<int>(e.next.year()))
                               .arg(static_cast<unsigned>(e.next.month()))
                               .arg(static_cast<unsigned>(e.next.day()));
        rows.push_back({std::string(values[store::NO]), std::string(values[store::NAME]),
                        std::string(values[store::BIRTH]), platform::toStd(on),
                        std::to_string(e.turns) + " 歲", std::string(values[store::PHONE]),
                        std::string(values[store::ADDR_1])});
    }
    std::vector<std::string> names;
    for (const auto& c : kColumns) names.push_back(platform::toStd(c.name));
    const QString title = inMonth ? QStringLiteral("生日名單：%1 月").arg(MonthBox->value())
                                  : QStringLiteral("生日名單：%1 起 %2 天內")
                                        .arg(today.toString(QStringLiteral("yyyy/MM/dd")))
                                        .arg(DaysBox->value());
    preview->setDocument(std::make_unique<platform::report::Document>(
        reports::listReport(
            title,
            QStringLiteral("瀏覽清單的 %1 位客戶裡，有 %2 位。生日讀不出來的客戶不在名單裡。")
                .arg(clients->recordCount())
                .arg(rows.size()),
            kColumns),
        store::RecordSet::ofRows(names, rows), platform::report::a4(),
        today.toString(QStringLiteral("yyyy/MM/dd"))));
}

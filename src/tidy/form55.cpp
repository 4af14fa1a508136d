#include "tidy/form55.h"

#include <QVBoxLayout>
#include <numeric>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"
#include "reports/exports.h"
#include "reports/listreport.h"
#include "store/checks.h"
#include "store/clientfile.h"
#include "store/fields.h"

Form55::Form55() : preview(new platform::report::Preview(this)) {
    setObjectName("Form55");
    setWindowTitle(QStringLiteral("資料檢查報表"));
    resize(820, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview);
    preview->addCommand("SaveCsv", QStringLiteral("另存 CSV..."), [this] {
        if (auto* document = preview->document()) {
            std::vector<int> columns(store::checks::kReportColumns.size());
            std::iota(columns.begin(), columns.end(), 0);
            reports::exportRecords(workspace().dialogs(), document->rows(), columns,
                                   reports::ExportFormat::Csv);
        }
    });
}

void Form55::Form_Load() {
    std::vector<std::vector<std::string>> rows;
    long clients = 0;
    workspace().dialogs().busy(QStringLiteral("檢查每一位客戶的資料⋯"));
    try {
        const auto all = workspace().file().records(store::kClientTable);
        clients = all->recordCount();
        rows = store::checks::reportRows(*all);
    } catch (const std::exception& e) {
        workspace().dialogs().idle();
        platform::showError(e);
        return;
    }
    workspace().dialogs().idle();
    const long findings = static_cast<long>(rows.size());
    std::vector<reports::ListColumn> columns;
    const int widths[] = {1000, 1300, 1300, 3700, 2300};
    for (std::size_t i = 0; i < store::checks::kReportColumns.size(); ++i)
        columns.push_back({platform::toQ(store::checks::kReportColumns[i]), widths[i]});
    preview->setDocument(std::make_unique<platform::report::Document>(
        reports::listReport(
            QStringLiteral("資料檢查報表"),
            QStringLiteral("檢查了 %1 位客戶，有 %2 項要再看一次。").arg(clients).arg(findings),
            columns),
        store::RecordSet::ofRows(store::checks::kReportColumns, rows), platform::report::a4(),
        workspace().today().toString(QStringLiteral("yyyy/MM/dd"))));
}

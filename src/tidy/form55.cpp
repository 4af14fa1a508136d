#include "tidy/form55.h"

#include <QVBoxLayout>
#include <numeric>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"
#include "reports/exports.h"
#include "store/checks.h"
#include "store/clientfile.h"
#include "store/fields.h"

namespace {

using platform::report::Control;
using platform::report::Definition;
using platform::report::Font;
using platform::report::Section;

const Font kFont{QStringLiteral("新細明體"), 10, false};
// The report's columns: left and width in twips, across an A4 page.
constexpr int kLefts[] = {0, 1000, 2300, 3600, 7300};
constexpr int kWidths[] = {1000, 1300, 1300, 3700, 2300};

Control control(Control::Kind kind, const QString& name, int left, int top, int width,
                const QString& text) {
    Control c;
    c.kind = kind;
    c.name = name;
    c.left = left, c.top = top, c.width = width, c.height = 260;
    (kind == Control::TextBox ? c.dataField : c.caption) = text;
    c.font = kFont;
    return c;
}

Definition design(long clients, long findings) {
    Definition d;
    d.width = 9600;
    // A printer's margin on either side of the 9600 twips of columns on A4 (11906).
    d.leftMargin = 1150, d.rightMargin = 1150;
    d.font = kFont;
    Section header{Section::ReportHeader, QStringLiteral("Title"), 900, {}};
    Control title = control(Control::Label, "Title", 0, 0, 6000, QStringLiteral("資料檢查報表"));
    title.font = Font{QStringLiteral("標楷體"), 18, true};
    title.height = 480;
    title.clip = false;
    header.controls = {
        title, control(Control::Label, "Date", 7300, 120, 2300, QStringLiteral("%d")),
        control(
            Control::Label, "Counts", 0, 560, 9600,
            QStringLiteral("檢查了 %1 位客戶，有 %2 項要再看一次。").arg(clients).arg(findings))};
    Section page{Section::PageHeader, QStringLiteral("Headings"), 360, {}};
    Section detail{Section::Detail, QStringLiteral("Finding"), 300, {}};
    for (std::size_t i = 0; i < store::checks::kReportColumns.size(); ++i) {
        const QString name = platform::toQ(store::checks::kReportColumns[i]);
        page.controls.push_back(control(Control::Label, QStringLiteral("Heading%1").arg(i),
                                        kLefts[i], 0, kWidths[i], name));
        detail.controls.push_back(control(Control::TextBox, QStringLiteral("Text%1").arg(i),
                                          kLefts[i], 0, kWidths[i], name));
    }
    Control rule;
    rule.kind = Control::Line, rule.name = "Rule", rule.top = 300, rule.width = 9600;
    page.controls.push_back(rule);
    d.sections = {header, page, detail,
                  Section{Section::PageFooter, QStringLiteral("Footer"), 300, {}},
                  Section{Section::ReportFooter, QStringLiteral("End"), 300, {}}};
    return d;
}

}  // namespace

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
    preview->setDocument(std::make_unique<platform::report::Document>(
        design(clients, findings), store::RecordSet::ofRows(store::checks::kReportColumns, rows),
        platform::report::a4(), workspace().today().toString(QStringLiteral("yyyy/MM/dd"))));
}

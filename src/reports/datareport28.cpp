#include "reports/datareport28.h"

#include <QFontMetricsF>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/clock.h"
#include "platform/qtext.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"
#include "reports/exports.h"
#include "store/recordset.h"

using platform::report::Control;
using platform::report::Definition;
using platform::report::Font;
using platform::report::Section;

namespace {

const QString kKai = QStringLiteral("標楷體");

Control label(const QString& name, int left, int top, int width, int height,
              const QString& caption = {}) {
    Control c;
    c.kind = Control::Label;
    c.name = name;
    c.left = left, c.top = top, c.width = width, c.height = height;
    c.caption = caption;
    c.font = Font{QStringLiteral("新細明體"), 9, false};
    return c;
}

Control line(const QString& name, int left, int top, int width) {
    Control c;
    c.kind = Control::Line;
    c.name = name;
    c.left = left, c.top = top, c.width = width;
    return c;
}

}  // namespace

Definition clientReportDesign() {
    Definition d;
    d.width = 9600;
    d.leftMargin = d.rightMargin = 100;
    d.topMargin = d.bottomMargin = 1440;
    d.font = Font{QStringLiteral("新細明體"), 9, false};
    Section header{Section::ReportHeader, QStringLiteral("Section4"), 1140, {}};
    header.controls = {label("Label0", 2835, 0, 1710, 570),
                       label("Label21", 5102, 567, 1440, 240, "%d"), line("Line1", 2835, 567, 1695),
                       line("Line2", 1701, 1134, 1710)};
    // The title and the date stand alone: shown whole although the title is wider than its box.
    header.controls[0].clip = header.controls[1].clip = false;
    Section page{Section::PageHeader, QStringLiteral("Section2"), 570, {}};
    Section detail{Section::Detail, QStringLiteral("Section1"), 315, {}};
    for (int i = 1; i <= reports::kMaxColumns; ++i) {
        page.controls.push_back(label(QStringLiteral("Label%1").arg(i), 0, 0, 1000, 240));
        Control text = label(QStringLiteral("Text%1").arg(i), 0, 0, 1000, 240);
        text.kind = Control::TextBox;
        detail.controls.push_back(text);
    }
    page.controls.push_back(line("Line3", 0, 567, 9600));
    d.sections = {header, page, detail,
                  Section{Section::PageFooter, QStringLiteral("Section3"), 360, {}},
                  Section{Section::ReportFooter, QStringLiteral("Section5"), 390, {}}};
    return d;
}

DataReport28::DataReport28()
    : definition(clientReportDesign()), preview(new platform::report::Preview(this)) {
    setObjectName("DataReport28");
    setWindowTitle(QStringLiteral("客戶基本資料表"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview);
    // The same list out to a spreadsheet or an address book.
    preview->addCommand("SaveCsv", QStringLiteral("另存 CSV..."), [this] {
        if (auto* document = preview->document())
            reports::exportRecords(workspace().dialogs(), document->rows(), chosenColumns(),
                                   reports::ExportFormat::Csv);
    });
    preview->addCommand("SaveWorkbook", QStringLiteral("另存 Excel..."), [this] {
        if (auto* document = preview->document())
            reports::exportRecords(workspace().dialogs(), document->rows(), chosenColumns(),
                                   reports::ExportFormat::Workbook);
    });
    preview->addCommand("SaveVcard", QStringLiteral("另存 vCard..."), [this] {
        if (auto* document = preview->document())
            reports::exportRecords(workspace().dialogs(), document->rows(), {},
                                   reports::ExportFormat::Vcard);
    });
}

std::vector<int> DataReport28::chosenColumns() const {
    std::vector<int> columns;
    const store::RecordSet& rows = preview->document()->rows();
    for (const std::string& field : chosen_) columns.push_back(rows.fieldIndex(field));
    return columns;
}

void DataReport28::layOut(const reports::Layout& columns, int fontSize) {
    Definition& d = definition;
    Control* title = d.control("label0");
    title->font = Font{kKai, 24, true};
    title->left = 5000;
    title->width = 2000;
    title->caption = QStringLiteral("客戶基本資料表");

    // The title's rule runs under it (at 300 twips it struck the 24-point title through), a
    // little beyond both ends of the title as drawn, which is wider than its box.
    QFont titleFont(kKai);
    titleFont.setPixelSize(24 * 20);  // twips
    titleFont.setBold(true);
    const int titleWidth =
        static_cast<int>(QFontMetricsF(titleFont).horizontalAdvance(title->caption));
    Control* rule1 = d.control("line1");
    rule1->left = 4800, rule1->width = std::max(2200, titleWidth + 400), rule1->top = 640;
    Control* date = d.control("label21");
    date->font = Font{kKai, fontSize, true};
    date->left = 9000, date->width = 2000, date->top = 400;
    Control* rule2 = d.control("line2");
    rule2->left = 0, rule2->width = 11500, rule2->top = 700;
    Control* rule3 = d.control("line3");
    rule3->left = 0, rule3->width = 11500;

    const int n = static_cast<int>(columns.columns.size());
    chosen_.clear();
    for (const reports::Column& c : columns.columns) chosen_.push_back(c.field);
    for (int i = 0; i < reports::kMaxColumns; ++i) {
        Control* heading = d.control(QStringLiteral("label%1").arg(i + 1));
        Control* field = d.control(QStringLiteral("text%1").arg(i + 1));
        if (i >= n) {
            heading->visible = field->visible = false;
            continue;
        }
        const reports::Column& c = columns.columns[static_cast<std::size_t>(i)];
        heading->font = Font{kKai, fontSize, false};
        heading->left = field->left = c.left;
        heading->width = field->width = c.width;
        heading->caption = platform::toQ(c.field);
        field->font = Font{kKai, fontSize, true};
        field->dataField = platform::toQ(c.field);
        heading->visible = field->visible = true;
    }
}

void DataReport28::setDataSource(const store::RecordSet& source) {
    const QString today = workspace().today().toString(QStringLiteral("yyyy/MM/dd"));
    preview->setDocument(std::make_unique<platform::report::Document>(
        definition, source.cloneView(), platform::report::a4(), today));
}

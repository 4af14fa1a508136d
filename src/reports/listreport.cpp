#include "reports/listreport.h"

namespace reports {
namespace {

using platform::report::Control;
using platform::report::Definition;
using platform::report::Font;
using platform::report::Section;

const Font kFont{QStringLiteral("新細明體"), 10, false};

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

}  // namespace

Definition listReport(const QString& title, const QString& summary,
                      const std::vector<ListColumn>& columns) {
    Definition d;
    d.width = 9600;
    // A printer's margin on either side of the 9600 twips of columns on A4 (11906).
    d.leftMargin = 1150, d.rightMargin = 1150;
    d.font = kFont;
    Section header{Section::ReportHeader, QStringLiteral("Title"), 900, {}};
    Control heading = control(Control::Label, "Title", 0, 0, 7000, title);
    heading.font = Font{QStringLiteral("標楷體"), 18, true};
    heading.height = 480;
    heading.clip = false;
    header.controls = {heading,
                       control(Control::Label, "Date", 7300, 120, 2300, QStringLiteral("%d")),
                       control(Control::Label, "Counts", 0, 560, 9600, summary)};
    Section page{Section::PageHeader, QStringLiteral("Headings"), 360, {}};
    Section detail{Section::Detail, QStringLiteral("Row"), 300, {}};
    int left = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& c = columns[i];
        page.controls.push_back(
            control(Control::Label, QStringLiteral("Heading%1").arg(i), left, 0, c.width, c.name));
        detail.controls.push_back(
            control(Control::TextBox, QStringLiteral("Text%1").arg(i), left, 0, c.width, c.name));
        left += c.width;
    }
    Control rule;
    rule.kind = Control::Line, rule.name = "Rule", rule.top = 300, rule.width = 9600;
    page.controls.push_back(rule);
    d.sections = {header, page, detail,
                  Section{Section::PageFooter, QStringLiteral("Footer"), 300, {}},
                  Section{Section::ReportFooter, QStringLiteral("End"), 300, {}}};
    return d;
}

}  // namespace reports

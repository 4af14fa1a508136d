#pragma once

#include <QString>
#include <vector>

#include "platform/report.h"

// A report of a list of rows: a title, the print date and a line of counts once, the column
// headings on every page, one line a row. For the lists the program makes itself (the data
// check, the birthday list), whose columns are not client fields.
namespace reports {

struct ListColumn {
    QString name;  // the heading, and the column of the rows it shows
    int width;     // twips
};

// Laid out across an A4 page with a printer's margin either side.
platform::report::Definition listReport(const QString& title, const QString& summary,
                                        const std::vector<ListColumn>& columns);

}  // namespace reports

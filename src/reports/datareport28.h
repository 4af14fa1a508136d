#pragma once

#include "platform/forms.h"
#include "platform/report.h"
#include "reports/columns.h"

namespace platform::report {
class Preview;
}
namespace store {
class RecordSet;
}

// The client report: a title, the print date and rules once, the chosen fields' headings on
// every page, one line per client. Its columns are laid out at run time.
class DataReport28 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("printing"); }
    DataReport28();

    // The design; the layout moves, sizes, captions, binds and hides its controls.
    platform::report::Definition definition;
    platform::report::Preview* preview;

    // Lays the columns into the design.
    void layOut(const reports::Layout& layout, int fontSize);
    // Prints the rows of `source` as they stand (filter and order), from a copy of its view.
    void setDataSource(const store::RecordSet& source);
    // The fields of the laid-out columns, as columns of the printed rows.
    std::vector<int> chosenColumns() const;

  private:
    std::vector<std::string> chosen_;  // the fields of the laid-out columns
};

// The window by its role: the client report and its preview.
using ClientReport = DataReport28;

// The design of the report as it stands before any layout.
platform::report::Definition clientReportDesign();

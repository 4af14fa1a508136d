#pragma once

#include "platform/forms.h"

namespace platform::report {
class Preview;
}

// The data-check report: every client with a number whose check fails, a date that names no
// day or no name, one line per finding; previewed, printed, saved as PDF or CSV.
class Form55 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("tidying"); }
    Form55();

    platform::report::Preview* preview;

    // Checks every client and shows the report.
    void Form_Load() override;
};

// The window by its role: the data-check report.
using DataCheckReport = Form55;

#pragma once

#include "platform/forms.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
namespace platform::report {
class Preview;
}

// The birthday list: the browse list's clients (as filtered and sorted) whose birthday falls in
// a chosen month or in the days ahead, with the age they turn; previewed, printed, saved as PDF
// or CSV like any list.
class Form61 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("mailings"); }
    Form61();

    enum Mode { InMonth, WithinDays };
    QComboBox* ModeBox;
    QSpinBox* MonthBox;
    QSpinBox* DaysBox;
    QPushButton* ShowList;
    platform::report::Preview* preview;

    void Form_Load() override;
    // Selects the clients as the boxes say and shows the list.
    void showList();
};

// The window by its role: the birthday list.
using BirthdayList = Form61;

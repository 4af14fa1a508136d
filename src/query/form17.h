#pragma once

#include <array>

#include "platform/forms.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The display-set window: up to five conditions and a sort field applied to the browse list.
class Form17 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("display-set"); }
    Form17();
    bool staysAboveFrame() const override { return true; }

    QLabel* Label1;
    QComboBox* Combo7;                        // sort field, by title
    std::array<QComboBox*, 5> fieldBox{};     // Combo1(0) ... Combo5(0)
    std::array<QComboBox*, 5> operatorBox{};  // Combo1(1) ... Combo5(1)
    std::array<QComboBox*, 4> Combo6{};       // connectors of rows 2 to 5
    std::array<QLineEdit*, 5> Text1{};
    std::array<QPushButton*, 1> COMMAND1{};
    QPushButton* Command2;
    QPushButton* Command3;

    void Form_Load() override;
    void Combo7_Click(int position);
    void COMMAND1_Click();
    void Command2_Click();
    void Command3_Click();

  private:
    QString fieldText(int row) const;
};

// The window by its role: the display set.
using DisplaySet = Form17;

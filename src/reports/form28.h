#pragma once

#include <array>

#include "platform/forms.h"

class QListWidget;
class QPushButton;

// The print field chooser: the fields to print, in order, and PRINTER to lay out and preview
// the report of the browse list's records.
class Form28 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("printing"); }
    Form28();

    QPushButton* ComLTOR;     // ADD
    QPushButton* ComRTOL;     // MOVE
    QPushButton* ComALLMOVE;  // ALL MOVE
    QListWidget* ListLEFT;
    QListWidget* ListRIGHT;
    std::array<QPushButton*, 1> COMMAND1{};  // PRINTER
    QPushButton* Command2;                   // END

    void Form_Load() override;
    void ComLTOR_Click();
    void ComRTOL_Click();
    void ComALLMOVE_Click();
    void COMMAND1_Click(int index);
    void Command2_Click();
};

// The window by its role: the print field chooser.
using PrintFieldChooser = Form28;

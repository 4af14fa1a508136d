#pragma once

#include <array>

#include "platform/forms.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;
namespace mailings {
class AddresseeBox;
struct Sheet;
}  // namespace mailings
namespace platform::report {
class Preview;
}

// Address labels for the browse list's clients (as filtered and sorted) on a sheet of A4
// labels, from any label of the first sheet; previewed, printed, saved as PDF.
class Form62 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("mailings"); }
    Form62();

    QComboBox* SheetBox;  // the common sheets, then a size of one's own
    QSpinBox* StartBox;   // the first label to print on, 1-based
    QWidget* CustomSheet;
    QSpinBox* ColumnsBox;
    QSpinBox* RowsBox;
    // Width, height, left, top, across, down (mm).
    std::array<QDoubleSpinBox*, 6> SizeBoxes;
    mailings::AddresseeBox* Addressee;
    QPushButton* ShowLabels;
    QLabel* Notice;
    platform::report::Preview* preview;

    void Form_Load() override;
    // Lays out the labels as the boxes say.
    void showLabels();
    mailings::Sheet sheet() const;
};

// The window by its role: address labels.
using AddressLabels = Form62;

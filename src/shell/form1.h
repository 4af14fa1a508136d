#pragma once

#include <QString>
#include <array>

#include "platform/browselist.h"
#include "platform/forms.h"

class QLabel;
class QPushButton;
namespace platform {
class TextBox;
class RecordGrid;
class DataControl;
class StatusBar;
}  // namespace platform

// The browse list: every client in a grid sorted by the browse state's field, with one search
// box for that field, HOIST and LOWER, and a record counter in the status bar.
class Form1 : public platform::Form, public platform::BrowseListAccess {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("browse-list"); }
    Form1();
    bool isMdiChild() const override { return true; }
    bool framelessChild() const override { return true; }

    // Places the list at its fixed place (left 0, top 500, width 9400, height 5600) and shows it.
    static void placeHome();

    QString DATAGRID_FIELD;  // the field sorted and searched by
    // The display-set window's sort field, kept here for it; it outlives each reload of this
    // window, as the program's browse state does.
    static inline QString FIELDSORT;

    std::array<QLabel*, 8> LabMENU{};
    std::array<platform::TextBox*, 8> TexMENU{};
    enum Button { Hoist, Lower };  // ComMENU's buttons by index
    std::array<QPushButton*, 2> ComMENU{};
    platform::RecordGrid* DataGridMENU;
    platform::DataControl* AdodcMENU;
    platform::StatusBar* StatusBar1;

    void Form_Load() override;
    // The list shows its first screen while the whole table is read behind it.
    bool loadingWhole() const { return loading_; }
    store::RecordSet* listRecords() override;
    void markFiltered(bool filtered) override;
    QString displaySortField() const override { return FIELDSORT; }
    void setDisplaySortField(const QString& field) override { FIELDSORT = field; }

    void TexMENU_KeyDown(int index, int keyCode);
    void TexMENU_LostFocus(int index);
    void ComMENU_Click(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void recordCounter();
    void sortAndPositionAtLoad();
    bool showFirstScreen();
    bool openWhole();
    void loadWhole();

    bool loading_ = false;  // the first screen shows
    bool reading_ = false;  // the whole table is being read (once, whatever asks again meanwhile)
};

// The window by its role: the browse list.
using BrowseList = Form1;

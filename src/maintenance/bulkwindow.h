#pragma once

#include <array>
#include <functional>

#include "platform/forms.h"

class QLabel;
class QProgressBar;
class QPushButton;
namespace platform {
class BoundTextBox;
class DataControl;
}  // namespace platform

// What the renumbering and the clearing windows share: DECIDE and END, the code of the current
// record, a prompt, a "please wait" line, the percentage and the progress bar; an input mode and
// a working mode; and closing by rebuilding the browse list.
class BulkWindow : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("maintenance"); }
    BulkWindow();

    enum Button { Decide, End };  // ComFORM42's buttons by index
    std::array<QPushButton*, 2> ComFORM42{};
    std::array<QLabel*, 3> LabFORM42{};  // prompt, please wait, percentage
    platform::BoundTextBox* codeBox;     // TexFORM42(0)
    QProgressBar* ProgressBar1;
    platform::DataControl* AdodcFORM42;

    void Form_Unload() override;
    // A run cannot be interrupted: while it works the window does not close.
    bool Form_QueryUnload() override { return !working_; }

  protected:
    void setWorking(bool working);
    // Runs `work` in working mode, showing its progress; reports a failure. True when it ran.
    bool runWork(const std::function<void(const std::function<void(long, long)>&)>& work);
    // Two beeps and "FILE NO FOUND RECORD ! " when the table is empty, then closes: true then.
    bool closedForEmptyTable();
    // Where other desks hold the same clients open (a server), says how many and that their
    // lists will change, and asks whether to go on: false to stop.
    bool otherDesksAgree();
    long recordCount() const;
    // Extra controls of input mode that working mode hides (the start value box).
    QList<QWidget*> inputOnly;

  private:
    bool working_ = false;
};

#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/forms.h"
#include "store/duplicates.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// Clients that are likely one person, in groups under rules the user switches, surest first;
// a group is merged in the merge window at the user's word, and the last merges undone here.
class Form52 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("tidying"); }
    Form52();
    ~Form52() override;
    bool staysAboveFrame() const override { return true; }

    std::array<QCheckBox*, std::size(store::duplicates::kRules)> RuleBox{};
    QPushButton* FindButton;
    QLabel* Summary;
    QTreeWidget* Groups;  // a group a top item, its clients under it
    enum Button { Merge, Undo, End };
    std::array<QPushButton*, 3> Command{};

    void Form_Load() override;
    // Looks for the groups under the rules ticked.
    void findGroups();
    // Opens the merge window on the chosen group.
    void mergeChosen();
    // Undoes the last merge made here.
    void undoLast();

  private:
    void showGroups();

    std::unique_ptr<store::RecordSet> clients_;
    std::vector<store::duplicates::Group> groups_;
    std::vector<int64_t> merges_;  // the batches merged here, the last last
};

// The window by its role: finding duplicates.
using Duplicates = Form52;

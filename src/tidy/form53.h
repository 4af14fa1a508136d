#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "store/duplicates.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// Merging one group of duplicates: its clients side by side, field by field; the user picks
// which value stays in each (a click on it), the remarks may all stay. Nothing is merged before
// MERGE and the user's yes; the merged-away clients are kept in the history, to come back.
class Form53 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("tidying"); }
    Form53();
    ~Form53() override;
    bool staysAboveFrame() const override { return true; }

    QLabel* Explanation;
    QTableWidget* Fields;  // a row per field, a column per client, the merged values last
    QCheckBox* KeepAllRemarks;
    QPushButton* MergeButton;
    QPushButton* CancelButton;

    // Told the batch of a merge done, which undoes it.
    using Merged = std::function<void(int64_t batch)>;
    // Shows the group's clients from `clients` (records of the client table).
    void showGroup(std::unique_ptr<store::RecordSet> clients, const store::duplicates::Group& group,
                   Merged merged);
    // Makes the value of client `column` stay in `field`.
    void choose(int field, int column);
    // The values the merged client will hold.
    std::vector<std::string> mergedValues() const;
    void merge();

  private:
    void showChoice();

    std::unique_ptr<store::RecordSet> clients_;
    std::vector<store::Bookmark> members_;
    std::vector<std::vector<std::string>> stored_;  // each client's twenty values
    std::vector<int> choice_;
    std::size_t survivor_ = 0;  // the client whose row stays: the newest
    Merged merged_;
};

// The window by its role: merging a group of duplicates.
using MergeClients = Form53;

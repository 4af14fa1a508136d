#pragma once

#include <memory>
#include <vector>

#include "platform/forms.h"
#include "store/backend.h"

class QLabel;
class QPushButton;
class QTableWidget;
namespace platform {
class Workspace;
}
namespace store {
class RecordSet;
}

// The clients deleted, merged away or cleared, newest first, each brought back at the user's
// word; a merge undone whole.
class Form54 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("tidying"); }
    Form54();
    ~Form54() override;
    bool staysAboveFrame() const override { return true; }

    QLabel* Summary;
    // Entries listed at most, the newest.
    static constexpr std::size_t kListed = 2000;
    QTableWidget* HistoryList;
    enum Button { Restore, UndoMerge, Purge, End };
    std::array<QPushButton*, 4> Command{};

    void Form_Load() override;
    // Reads the history again into the list.
    void showHistory();
    void Command_Click(int index);

  private:
    // The entry of the list's current row; nothing when none is chosen.
    const store::HistoryEntry* chosen() const;
    void restore(bool wholeMerge);

    std::unique_ptr<store::RecordSet> clients_;
    std::vector<store::HistoryEntry> entries_;  // those listed, in the list's order
};

// The window by its role: the clients that were deleted, merged away or cleared.
using ClientHistory = Form54;

// TOOLS → HISTORY PURGE: asks for a date and empties the history before it, with the count and
// a confirmation.
void purgeHistory(platform::Workspace& workspace);

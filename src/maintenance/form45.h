#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "exchange/csvimport.h"
#include "platform/forms.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace platform {
class Workspace;
}

class KnownClients;

// An imported client the client table may hold already: the held client it matches and by which
// rule (a store::duplicates::Rule), or none.
struct KnownClient {
    uint32_t row = 0;  // the held row's bookmark
    int8_t rule = -1;
    bool known() const { return rule >= 0; }
};

// Importing clients from a CSV or vCard file: the first rows as they will be stored (cards
// without a code given the next free ones), the rows or cards refused with their number and
// reason; IMPORT stores the others, all or none.
class Form45 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("import-export"); }
    Form45();
    ~Form45() override;

    QLabel* Label1;                       // the file and the counts
    QTableWidget* Preview;                // the first rows to be stored
    QListWidget* Refusals;                // one line per refused row
    enum Button { Import, Report, End };  // COMMAND1's buttons by index
    std::array<QPushButton*, 3> COMMAND1{};
    // What becomes of clients the table holds already (shown when there are any).
    enum Known { Skip, ImportAnyway, Update };
    QComboBox* KnownChoice;

    // Gives every client that passed the check again, in order, with its place among them (a
    // large file is parsed anew rather than held).
    using Again = std::function<void(const exchange::EachClient&)>;
    // Shows what `file` holds, as checked: its first clients, `known` telling for each client
    // which held client it may be (`clients`: the held clients it was compared with).
    void showChecked(const QString& file, exchange::CheckedImport checked,
                     std::vector<KnownClient> known, std::shared_ptr<KnownClients> clients,
                     Again again);
    void COMMAND1_Click(int index);

  private:
    exchange::CheckedImport checked_;
    Again again_;
    std::vector<KnownClient> known_;
    std::shared_ptr<KnownClients> clients_;
    long knownCount_ = 0;
};

// The window by its role: importing clients from CSV or vCard.
using ClientImport = Form45;

// FILE IMPORT: asks for a CSV or vCard file, reads and checks it (asking for a CSV file's
// encoding when it is not certain), and shows the result in the import window.
void importClients(platform::Workspace& workspace);

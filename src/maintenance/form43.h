#pragma once

#include <array>
#include <memory>

#include "platform/forms.h"

class QLabel;
class QPushButton;
namespace store {
class Database;
}

// Backup: the whole client file copied into a new file whose name the user types.
class Form43 : public platform::Form {
    Q_OBJECT
  public:
    Form43();

    QLabel* Label1;
    enum Button { Backup, End };  // COMMAND1's buttons by index
    std::array<QPushButton*, 2> COMMAND1{};

    void Form_Load() override;
    void COMMAND1_Click(int index);

  private:
    // Opens the client file for copying; false, after the message, when it cannot be opened.
    bool openClientFile();
    // -1 when the user would not replace an existing file, 0 when the backup ran.
    int backupTo(const QString& name);
    std::shared_ptr<store::Database> connection_;
};

// The window by its role: the backup.
using Backup = Form43;

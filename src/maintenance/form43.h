#pragma once

#include <array>

#include "platform/forms.h"

class QLabel;
class QPushButton;

// Backup: the whole client file copied into a new file whose name the user types.
class Form43 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("maintenance"); }
    Form43();

    QLabel* Label1;
    enum Button { Backup, End };  // COMMAND1's buttons by index
    std::array<QPushButton*, 2> COMMAND1{};

    void COMMAND1_Click(int index);

  private:
    // -1 when the user would not replace an existing file, 0 when the backup ran.
    int backupTo(const QString& name);
};

// The window by its role: the backup.
using Backup = Form43;

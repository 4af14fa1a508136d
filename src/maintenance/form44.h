#pragma once

#include "maintenance/bulkwindow.h"

class QCheckBox;

// Clearing: every client deleted; the lookup list and FIELD1 stay.
class Form44 : public BulkWindow {
    Q_OBJECT
  public:
    Form44();

    // The cleared clients go to the history table, to come back (on unless the user says no).
    QCheckBox* KeepInHistory;

    void Form_Load() override;
    void ComFORM42_Click(int index);
};

// The window by its role: clearing the client file.
using ClearingTheFile = Form44;

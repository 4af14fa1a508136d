#pragma once

#include <QDate>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "store/recordset.h"

namespace store {
class ClientFile;
class RecordSet;
}  // namespace store

namespace platform {

class BrowseListAccess;
class DataControl;
class Dialogs;

// What the windows work on, built once by the program's start (and by the tests the same way)
// and owned by the frame, which hands it to every window it opens (`Form::workspace()`): the
// open client file, the dialogs, the clock, and the roles the frame gives its windows.
class Workspace {
  public:
    Workspace(std::shared_ptr<store::ClientFile> file, Dialogs& dialogs,
              std::function<QDate()> today);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    store::ClientFile& file() const { return *file_; }
    // The clients may only be read here (a server's rights): the windows keep their writing
    // commands off.
    bool readOnly() const;
    Dialogs& dialogs() const { return dialogs_; }
    QDate today() const { return today_(); }

    // The records other windows borrow (the record editor's): the frame names the data control
    // that holds them, opening its window if need be.
    void setLender(std::function<DataControl*()> lender) { lender_ = std::move(lender); }
    // Gives `target` a clone of the lent records and returns the lender's own records, with
    // `lenderControl` set to tell later whether they still exist; nothing when no record is there.
    store::RecordSet* borrowRecords(DataControl* target, QPointer<DataControl>& lenderControl);
    // Makes the current record of `chosen` (a clone of `lent`) the lender's current record.
    // False, with a message, when the window that lent them was closed or cannot move.
    bool returnChosen(const QPointer<DataControl>& lenderControl, store::RecordSet* lent,
                      const store::RecordSet& chosen);

    // The browse list as the display set and the print chooser work on it, opened if need be.
    void setBrowseList(std::function<BrowseListAccess&()> list) { browseList_ = std::move(list); }
    BrowseListAccess& browseList() const;

    // Makes a client current where the user works with clients (the editor, the full list or
    // the browse list, as the frame has them); `rows` are the client records `row` is of.
    // Empty when it is shown; otherwise why it is not.
    using ClientShower = std::function<QString(const store::RecordSet& rows, store::Bookmark row)>;
    void setClientShower(ClientShower shower) { shower_ = std::move(shower); }
    QString showClient(const store::RecordSet& rows, store::Bookmark row) const {
        return shower_ ? shower_(rows, row) : QString();
    }

    // The program's home window (the browse list): a window that hands the screen back (the
    // editor closing, a maintenance window ending) shows it so; `afresh` builds it anew first.
    void setHome(std::function<void(bool afresh)> show) { home_ = std::move(show); }
    void goHome(bool afresh = false) const;

  private:
    std::shared_ptr<store::ClientFile> file_;
    Dialogs& dialogs_;
    std::function<QDate()> today_;
    std::function<DataControl*()> lender_;
    std::function<BrowseListAccess&()> browseList_;
    std::function<void(bool)> home_;
    ClientShower shower_;
};

}  // namespace platform

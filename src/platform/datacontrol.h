#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string_view>

#include "store/recordset.h"

class QLabel;
class QToolButton;

namespace store {
class ClientFile;
}

namespace platform {

class DataControl;

// The client file the program opened at its start. Every data control opens its tables there,
// and the operations on the whole file run on it; nothing else opens the file.
void setClientFile(std::shared_ptr<store::ClientFile> file);
// Throws StoreError when no client file is open.
store::ClientFile& clientFile();
// The clients may only be read here (a server's rights): the windows keep their writing
// commands off. False without a client file.
bool readOnly();

// The records other windows borrow (the record editor's): the frame names the data control that
// holds them, opening its window if need be, so a borrowing window needs not know which it is.
void setLender(std::function<DataControl*()> lender);
// Gives `target` a clone of the lent records and returns the lender's own records, with
// `lenderControl` set to tell later whether they still exist; nothing when no record is there.
store::RecordSet* borrowRecords(DataControl* target, QPointer<DataControl>& lenderControl);
// Makes the current record of `chosen` (a clone of `lent`) the lender's current record. False,
// with a message, when the window that lent them has been closed or cannot move.
bool returnChosen(const QPointer<DataControl>& lenderControl, store::RecordSet* lent,
                  const store::RecordSet& chosen);

// A record navigator: a caption between first/previous and next/last arrows, owning the record
// set that bound boxes and grids show.
class DataControl : public QWidget {
    Q_OBJECT
  public:
    explicit DataControl(QWidget* parent = nullptr);
    ~DataControl() override;

    void setCaption(const QString& caption);
    QString caption() const;

    // Opens a whole table of the open client file: a new view on its rows. Errors are the
    // store's (StoreError).
    void openTable(std::string_view table);
    // Takes another record set in place of its own (a clone, typically).
    void setRecordSet(std::unique_ptr<store::RecordSet> recordSet);
    store::RecordSet* recordSet() const { return rs_.get(); }

    // Moving before the first record keeps the first, past the last keeps the last.
    void setKeepEnds(bool keep) { keepEnds_ = keep; }

    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();

  signals:
    // Every change of its record set, as the record set tells it.
    void changed(const store::Change& change);
    // After each completed move: opening, arrows, grid, find, sort, filter, rows added or removed.
    void moveComplete();
    void recordSetReplaced();

  private:
    void attach();
    void act(void (store::RecordSet::*move)());

    std::unique_ptr<store::RecordSet> rs_;
    int subscription_ = 0;
    bool keepEnds_ = false;
    QLabel* caption_;
};

}  // namespace platform

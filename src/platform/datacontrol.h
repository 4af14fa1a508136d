#pragma once

#include <QWidget>
#include <memory>
#include <string_view>

#include "store/recordset.h"

class QLabel;
class QToolButton;

namespace store {
class ClientFile;
}

namespace platform {

// A record navigator: a caption between first/previous and next/last arrows, owning the record
// set that bound boxes and grids show.
class DataControl : public QWidget {
    Q_OBJECT
  public:
    explicit DataControl(QWidget* parent = nullptr);
    ~DataControl() override;

    void setCaption(const QString& caption);
    QString caption() const;

    // Opens a whole table of the client file: a new view on its rows. Errors are the store's
    // (StoreError).
    void openTable(store::ClientFile& file, std::string_view table);
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

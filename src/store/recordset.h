#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/backend.h"
#include "store/expression.h"
#include "store/sqlite/database.h"

namespace store {

namespace detail {
struct RowStore;
}

// The identity of a row, valid in every clone of the record set it came from.
using Bookmark = uint32_t;

// What a record set tells its observers. `row` is the 0-based place in the record set's order.
struct Change {
    enum Kind {
        CurrentMoved,   // another record (or none) is current
        Reset,          // filter, sort or the rows as a whole changed
        RowUpdated,     // a saved row at `row` holds new values
        RowInserted,    // a row was added at `row`
        RowRemoved,     // the row at `row` was deleted
        PendingEdited,  // a pending value of the current record changed
    };
    Kind kind;
    long row = -1;
};

// A field that an edit and another program both changed since the edit began.
struct FieldConflict {
    int column;
    std::string read;    // what the edit read
    std::string stored;  // what the other program stored since
    std::string typed;   // what the edit holds
};

// All rows of one table held in memory, with a cursor, a filter, a sort and the edit cycle.
// Writes go straight through to the file or server, one transaction each, with optimistic
// locking.
//
// Positions count from 1; absolutePosition() is kBeforeFirst or kAfterLast off the rows.
// Operations that would move off a pending change (moves, find, filter, sort, delete) throw
// StoreError(PendingEdit): call update() or cancelUpdate() first.
class RecordSet {
  public:
    static constexpr long kBeforeFirst = -2;
    static constexpr long kAfterLast = -3;

    // Opens a whole table (any letter case). The `leading` columns come first in that order,
    // the table's other columns after them. Positioned on the first row.
    static std::unique_ptr<RecordSet> open(std::shared_ptr<Database> db, std::string_view table,
                                           const std::vector<std::string_view>& leading = {});
    // The client table with the twenty fields at positions 0 to 19.
    static std::unique_ptr<RecordSet> openClients(std::shared_ptr<Database> db);
    // A record set over rows already held (a table of an open client file): unfiltered, in table
    // order, on the first row.
    static std::unique_ptr<RecordSet> over(std::shared_ptr<detail::RowStore> rows);
    // A record set over rows made in memory (a report of findings, say): read only, in the
    // given order, on the first row.
    static std::unique_ptr<RecordSet> ofRows(const std::vector<std::string>& columns,
                                             const std::vector<std::vector<std::string>>& rows);
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // The same rows, unfiltered and in table order, on the first row; saves and deletes through
    // either are seen by both.
    std::unique_ptr<RecordSet> clone() const;
    // The same rows under this record set's filter and in its order, on the first row: a copy
    // to read through without moving this one (printing, say).
    std::unique_ptr<RecordSet> cloneView() const;

    int fieldCount() const;
    const std::string& fieldName(int column) const;
    int fieldIndex(std::string_view name) const;  // any letter case; -1 when absent

    long recordCount() const;  // rows passing the filter, plus a pending added row
    long absolutePosition() const;
    bool bof() const;
    bool eof() const;
    bool hasCurrent() const { return !bof() && !eof(); }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    void move(long offset);
    void setAbsolutePosition(long position);  // 1..count; anything else leaves BOF or EOF

    // Over the same held rows, so that a bookmark of one is a bookmark of the other.
    bool sameRows(const RecordSet& other) const { return rows_ == other.rows_; }
    Bookmark bookmark() const;        // throws StoreError(NoCurrentRecord) off the rows
    bool setBookmark(Bookmark mark);  // false, unmoved, when the row is not in this set

    // Forward from the current record, that record included (from the first when before it).
    // The first match becomes current; otherwise EOF. Throws ExpressionError, unmoved.
    bool find(std::string_view criterion);

    // Throws ExpressionError and changes nothing on a rejected text; blank text removes the
    // filter. Afterwards the first row is current.
    void setFilter(std::string_view expression);
    void clearFilter() { setFilter({}); }
    const std::string& filter() const { return filterText_; }

    // "FIELD ASC" or "FIELD DESC", stable; blank text returns to table order.
    void setSort(std::string_view expression);
    const std::string& sort() const { return sortText_; }

    // The current record's value; a pending value while editing; empty off the rows. Valid
    // until the record set changes.
    std::string_view value(int column) const;
    std::string_view value(std::string_view name) const;
    // Values of the row at a 0-based place in the record set's order (for grids).
    std::string_view valueAt(long row, int column) const;
    Bookmark bookmarkAt(long row) const;
    // The first `out.size()` values of the row at a 0-based place, read in one walk over it.
    void valuesAt(long row, std::span<std::string_view> out) const;
    // The same for a row by its bookmark, whatever the filter, without moving; false (and empty
    // values) for a row deleted since.
    bool valuesOf(Bookmark row, std::span<std::string_view> out) const;

    void setValue(int column, std::string text);
    void addNew();
    void update();
    void cancelUpdate();
    // Deletes the current record; the record that followed becomes current (EOF after the last).
    void deleteCurrent();
    // Merges the clients `away` into `keep` (all rows of this record set's table): `values`
    // written to `keep`, the others deleted, every one of them kept whole in the history table,
    // in one transaction. Gives the batch, which restore() with `wholeBatch` undoes. Throws
    // ConflictError, nothing merged, when one of them changed since it was read; StoreError when
    // the clients' place keeps no history.
    int64_t merge(Bookmark keep, const std::vector<Bookmark>& away, const ColumnValues& values);
    // Puts a history entry back (see Backend::restore); every record set over these rows shows
    // it. False when a merge cannot be undone because its client changed since.
    bool restore(int64_t entry, bool wholeBatch);
    // Reads the current record again from the file, after another program changed it (a write
    // refused as a conflict, say): every record set sees the values the file holds. A record
    // deleted meanwhile leaves every record set, the one after it becomes current, and the
    // answer is false.
    bool refreshCurrent();
    // After a save refused as a conflict: the edit now stands on what the file or server holds,
    // so every record set shows the other program's changes, and a save checks against them and
    // writes this edit's values over them. Gives the fields both changed, to choose between;
    // nothing, the edit as it was, when the row was deleted meanwhile.
    std::optional<std::vector<FieldConflict>> rebaseEdit();
    // The pending edit of a row deleted meanwhile becomes a new row holding what it shows.
    void editAsNew();
    // Who else may write the rows, for messages ("另一台電腦或程式" on a server).
    std::string otherWriters() const;
    bool editing() const { return edit_.has_value(); }
    bool adding() const { return edit_ && edit_->adding; }

    using Observer = std::function<void(const Change&)>;
    int subscribe(Observer observer);
    void unsubscribe(int id);

  private:
    friend struct detail::RowStore;

    struct Edit {
        bool adding = false;
        Bookmark row = 0;                // the row being changed
        const char* original = nullptr;  // its values when the edit began
        long returnTo = 0;               // where cancelling an add goes back to
        std::vector<std::optional<std::string>> values;
    };

    explicit RecordSet(std::shared_ptr<detail::RowStore> rows);
    long rowCount() const { return static_cast<long>(order_.size()); }
    void requireNoEdit() const;
    void setPosition(long position);
    // After a move: once another program changed the table since its rows were read, the record
    // moved to is read again (see ClientFile::onOthersChanged).
    void followOthers();
    void rebuild(const Expression& filter, const std::vector<SortKey>& sort);
    void notify(Change::Kind kind, long row = -1);
    // Throws ConflictError for a row the file no longer holds as it was read.
    [[noreturn]] void conflict(Bookmark row, std::string_view doing) const;
    bool inFile(Bookmark row) const;  // the file still holds the row (changed or not)
    void reread(Bookmark row);

    // Told by the shared rows when another record set (or this one) saved or deleted a row.
    void rowSaved(Bookmark row, bool inserted, const RecordSet* by);
    void rowDeleted(Bookmark row);
    // Told by the shared rows when they changed as a whole (a bulk operation): the filter and the
    // sort are applied again and the first row is current.
    void rowsReplaced();
    // Told by the shared rows when they were read again: the filter and sort are applied again,
    // the row `current` stands (else the first), a pending edit now edits `edited`.
    void rowsReloaded(std::optional<Bookmark> current, std::optional<Bookmark> edited);

    std::shared_ptr<detail::RowStore> rows_;
    std::vector<Bookmark> order_;  // the rows passing the filter, in sort order
    long pos_ = 1;                 // 0 before the first, 1..n on a row, n+1 after the last
    Expression filterExpr_;
    std::string filterText_;
    std::string sortText_;
    std::optional<Edit> edit_;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserver_ = 1;
};

}  // namespace store

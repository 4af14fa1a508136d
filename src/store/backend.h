#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/bulk.h"

namespace store {

class Database;

// New values for some columns of a row: (column in the row store's order, text).
using ColumnValues = std::vector<std::pair<int, std::string_view>>;
// A whole client as the twenty fields; nothing for NULL.
using NewClient = std::vector<std::optional<std::string>>;
// Gives every client to add, in order, each time it is called (a write tried again asks again):
// a large import streams its clients instead of holding them all.
using ClientFeed = std::function<void(const std::function<void(const NewClient&)>& add)>;

// A table as a backend reads and writes it: its name as stored, the columns in the order the
// values come (their names as stored) and the name that addresses its rows (see rowAddress).
struct TableShape {
    std::string table;
    std::vector<std::string> columns;
    std::string rowid;
};
// A row's values in the table shape's column order (NULL read as empty text).
using RowValues = std::span<const std::string_view>;

// The columns a write sets, and every column of a table: what a write checks is unchanged.
std::vector<int> writtenColumns(const ColumnValues& values);
std::vector<int> everyColumn(const TableShape& table);

// Takes rows as a backend reads them; the values are the backend's until the call returns.
class RowSink {
  public:
    virtual ~RowSink() = default;
    virtual void row(int64_t id, RowValues values) = 0;
    // Forgets the rows taken so far: the part is read again from its start.
    virtual void restart() = 0;
};
// Where a read puts a table's rows: one sink per part, each filled by one thread, so that a
// backend may read parts at once. Parts are asked for before the reading starts; the rows may
// come in any order (the store puts them in row order).
class RowParts {
  public:
    virtual ~RowParts() = default;
    // A new part of about `expected` rows (0: not known).
    virtual RowSink& part(std::size_t expected) = 0;
};

// Why a client left the client table for the history table.
enum class Gone {
    Deleted,      // DELETE
    MergedAway,   // merged into another client, which stayed
    MergedInto,   // the client that stayed, as it was before the merge
    MergeResult,  // ... and as the merge wrote it (an undo needs it unchanged since)
    Cleared,      // FILE CLEAR
    Updated,      // a client an import updated, as it was before (its result as MergeResult)
};
std::string_view goneName(Gone gone);
std::optional<Gone> goneFrom(std::string_view name);

// A client kept in the history table. `values` are the client table's columns as it had them
// (NULL read as empty text); restoring puts back the stored row itself, NULLs and all.
struct HistoryEntry {
    int64_t id = 0;  // the entry
    std::string at;  // when, "2026-12-07 20:50:01"
    Gone gone = Gone::Deleted;
    int64_t batch = 0;  // the entries one command made
    int64_t row = 0;    // the client's row address in the client table
    std::string by;     // a merge's: the code of the client that stayed
    std::vector<std::string> columns;
    std::vector<std::string> values;
};

// A merge's client that stays: its values read, and the values the merge writes.
struct MergeKeep {
    int64_t id = 0;
    RowValues original;
    ColumnValues values;
};

// The time a change is stamped with in the history table, "2026-12-07 20:50:01" (local time; tests
// set their own clock).
std::string historyNow();
inline std::function<std::string()> historyClock;

// Clients an import writes over, kept in the history table as they were (Gone::Updated) and as
// written (Gone::MergeResult), in the import's transaction.
struct ClientUpdate {
    int64_t id = 0;
    std::vector<std::string> original;  // every column, as read: the row must still hold it
    std::vector<std::pair<int, std::string>> values;
};
struct ClientUpdates {
    TableShape shape;
    std::string at;
    std::vector<ClientUpdate> rows;
};

// Where the client tables live: an SQLite file or a database on a PostgreSQL server. Every read
// and write of rows goes through here, so that the record sets and windows above behave the same
// on either. Errors are StoreError with a message that names the file or server and the cause.
class Backend {
  public:
    virtual ~Backend() = default;

    // The file or the server as the user knows it, for messages.
    virtual std::string where() const = 0;
    // Who else may have written the tables, for messages: another program on the file, another
    // desk on a server.
    virtual std::string otherWriters() const = 0;
    // The user may read the clients but not write them (a server's rights; a read-only file is
    // refused at the start instead).
    virtual bool readOnly() const { return false; }
    // Other copies of this program connected to the same clients now (a server's count).
    virtual int otherDesks() { return 0; }
    // The local file the tables live in; nothing when they live elsewhere (a server).
    virtual std::optional<std::filesystem::path> file() const { return std::nullopt; }
    // How long a write waits for another program's lock before it gives up.
    virtual void setWaitLimit(int /*milliseconds*/) {}

    // The table's name as stored, found without regard to case; empty when there is none.
    virtual std::string tableName(std::string_view wanted) = 0;
    // The table's columns as stored, in their order (the row address not among them).
    virtual std::vector<std::string> columnsOf(const std::string& table) = 0;
    // The name that addresses the table's rows; throws StoreError(NotClientFile), saying why,
    // when none does.
    virtual std::string rowAddress(const std::string& table) = 0;

    // Reads every row of the table into `parts`.
    virtual void readAll(const TableShape& table, RowParts& parts) = 0;
    // The first `count` rows in the order of `column` (letter case aside, ties in row order), when
    // an index gives them much sooner than the whole table would come: a large table's first
    // screen. False, nothing read, otherwise.
    virtual bool readFirst(const TableShape& /*table*/, int /*column*/, std::size_t /*count*/,
                           RowSink& /*sink*/) {
        return false;
    }
    // The row's values as stored now; false when it is gone.
    virtual bool read(const TableShape& table, int64_t id, std::vector<std::string>& values) = 0;
    // Adds a row holding `values`; gives its id and, in `stored`, the row as stored.
    virtual int64_t insert(const TableShape& table, const ColumnValues& values,
                           std::vector<std::string>& stored) = 0;
    // Writes `values` only while the row holds `original` (NULL counts as empty text); false, and
    // nothing written, otherwise. `stored` receives the row as stored.
    virtual bool update(const TableShape& table, int64_t id, const ColumnValues& values,
                        RowValues original, std::vector<std::string>& stored) = 0;
    // Deletes the row only while it holds `original`; false, nothing deleted, otherwise.
    virtual bool erase(const TableShape& table, int64_t id, RowValues original) = 0;

    // The operations on every client at once, one transaction each (see store/bulk.h).
    virtual void renumber(std::string_view start, const bulk::Progress& progress) = 0;
    // `keptAt`: each client is kept in the history table first, stamped so.
    virtual void clearClients(const bulk::Progress& progress,
                              const std::optional<std::string>& keptAt = std::nullopt) = 0;
    // Writes an SQLite client file with the three tables at `target`, complete or not at all.
    virtual void backup(const std::filesystem::path& target) = 0;
    // Adds the `total` clients `clients` gives in one transaction: all or none. `progress` is told
    // the clients written (it may throw bulk::Cancelled: nothing is added then), as may the feed.
    // With `updates`, those clients are written over in the same transaction; one that changed
    // since it was read throws ConflictError, and nothing is stored.
    virtual void appendClients(const ClientFeed& clients, long total,
                               const bulk::Progress& progress,
                               const ClientUpdates* updates = nullptr) = 0;

    // The history table: clients deleted, merged away or cleared are kept whole there, to come
    // back. False where it cannot be kept (a server without the table and without the right to
    // make it): deletes are then final, as they always were.
    virtual bool keepsHistory() { return false; }
    // Moves the rows into the history table as one batch, each only while it holds `original`,
    // stamped `at` and `gone` (and, for a merge, `keep`: its earlier and its merged values kept
    // too, then the merged values written). One transaction: the batch's number, or 0 with
    // nothing changed when a row changed meanwhile.
    virtual int64_t setAside(const TableShape& /*clients*/,
                             const std::vector<std::pair<int64_t, RowValues>>& /*rows*/,
                             Gone /*gone*/, const std::string& /*at*/, const std::string& /*by*/,
                             const MergeKeep* /*keep*/) {
        return 0;
    }
    // The history entries, newest first: at most `newest` of them (0: all), or, with `batch`,
    // that batch's only. (A cleared million makes a history of a million.)
    virtual std::vector<HistoryEntry> history(std::size_t /*newest*/ = 0, int64_t /*batch*/ = 0) {
        return {};
    }
    // Puts entries back into the client table exactly as they were stored (at their old row
    // address when it is free): one entry, or with `wholeBatch` its whole batch, a merge's
    // client that stayed taken back to its earlier values. One transaction; false, nothing
    // changed, when that client was changed or deleted since the merge.
    struct Restored {
        std::vector<int64_t> added;    // the rows put back, by their address now
        std::vector<int64_t> changed;  // clients taken back to their earlier values
    };
    virtual std::optional<Restored> restore(const TableShape& /*clients*/, int64_t /*entry*/,
                                            bool /*wholeBatch*/) {
        return std::nullopt;
    }
    // Entries made before `before` (the form of HistoryEntry::at): counted, or removed.
    virtual long historyBefore(const std::string& /*before*/, bool /*remove*/) { return 0; }

    // A number that moves whenever another program changed the tables since it was last asked;
    // this program's own writes leave it alone.
    virtual int64_t othersChanges() = 0;
};

// The client tables in an open SQLite file.
std::shared_ptr<Backend> sqliteBackend(std::shared_ptr<Database> db);
// From this number of rows on, an SQLite file's table is read in two halves at once: the upper
// through a second connection on a second thread (tests lower it).
inline int64_t sqliteParallelReadFrom = 200000;
// From this row address on, an SQLite client table counts as large enough for its first screen
// to be read by the code index before the whole table (tests lower it).
inline int64_t sqliteFirstRowsFrom = 100000;

// What keeps the tables from serving as client tables, one line per missing table or table with
// missing columns; empty when nothing is missing. Reads only.
std::vector<std::string> problems(Backend& backend);

}  // namespace store

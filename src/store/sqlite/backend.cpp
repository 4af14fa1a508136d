#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <thread>

#include "store/backend.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/sqlite/bulk.h"
#include "store/sqlite/database.h"
#include "store/sqlite/history.h"

namespace store {
namespace {

constexpr long kAsideFrom = 50000;  // clients appended at once from which the index is rebuilt

// The row address and the columns, quoted, for a SELECT.
std::string selectList(const TableShape& table) {
    std::string list = table.rowid;
    for (const auto& c : table.columns) list += ", " + quoteName(c);
    return list;
}

// Steps `s` (row id, then the columns) to its end, giving each row to `sink`; `stepped` when its
// first row is already there.
void readRows(Statement& s, std::size_t columns, RowSink& sink, bool stepped = false) {
    std::vector<std::string_view> values(columns);
    for (bool more = stepped || s.step(); more; more = s.step()) {
        for (std::size_t c = 0; c < columns; ++c) values[c] = s.text(static_cast<int>(c) + 1);
        sink.row(s.integer(0), values);
    }
}

// " WHERE the row still holds `original` in these columns": NULL and empty text count as the
// same.
std::string whereUnchanged(const TableShape& rows, const std::vector<int>& columns,
                           int firstParam) {
    std::string sql = " WHERE " + rows.rowid + " = ?" + std::to_string(firstParam);
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += " AND COALESCE(CAST(" +
               quoteName(rows.columns[static_cast<std::size_t>(columns[i])]) +
               " AS TEXT), '') = ?" + std::to_string(firstParam + 1 + static_cast<int>(i));
    return sql;
}

void bindOriginal(Statement& s, const std::vector<int>& columns, int firstParam, int64_t rowid,
                  RowValues original) {
    s.bind(firstParam, rowid);
    for (std::size_t i = 0; i < columns.size(); ++i)
        s.bind(firstParam + 1 + static_cast<int>(i),
               original[static_cast<std::size_t>(columns[i])]);
}

class SqliteBackend final : public Backend {
  public:
    explicit SqliteBackend(std::shared_ptr<Database> db) : db_(std::move(db)) {}

    std::string where() const override { return db_->path().string(); }
    std::string otherWriters() const override { return "另一個視窗或程式"; }
    std::optional<std::filesystem::path> file() const override { return db_->path(); }
    void setWaitLimit(int milliseconds) override { db_->setBusyTimeout(milliseconds); }

    std::string tableName(std::string_view wanted) override {
        Statement s(*db_, "SELECT name FROM sqlite_master WHERE type = 'table'");
        while (s.step())
            if (sameName(s.text(0), wanted)) return std::string(s.text(0));
        return {};
    }

    std::vector<std::string> columnsOf(const std::string& table) override {
        std::vector<std::string> names;
        Statement s(*db_, "PRAGMA table_info(" + quoteName(table) + ")");
        while (s.step()) names.emplace_back(s.text(1));
        return names;
    }

    std::string rowAddress(const std::string& table) override {
        std::string name = rowidName(*db_, table);
        if (name.empty())
            throw StoreError(ErrorKind::NotClientFile, where() + ": " + noRowidReason(table));
        return name;
    }

    void readAll(const TableShape& rows, RowParts& parts) override;
    bool readFirst(const TableShape& rows, int column, std::size_t count, RowSink& sink) override;

    bool read(const TableShape& rows, int64_t id, std::vector<std::string>& values) override {
        Statement s(*db_, "SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                              " WHERE " + rows.rowid + " = ?");
        s.bind(1, id);
        if (!s.step()) return false;
        values.resize(rows.columns.size());
        for (std::size_t c = 0; c < values.size(); ++c)
            values[c] = std::string(s.text(static_cast<int>(c) + 1));
        return true;
    }

    int64_t insert(const TableShape& rows, const ColumnValues& values,
                   std::vector<std::string>& stored) override {
        Transaction tx(*db_);
        std::string names, marks;
        for (const auto& [c, v] : values) {
            names += (names.empty() ? "" : ", ") + quoteName(rows.columns[static_cast<size_t>(c)]);
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string table = quoteName(rows.table);
        Statement insert(*db_, values.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                              : "INSERT INTO " + table + " (" + names +
                                                    ") VALUES (" + marks + ")");
        for (std::size_t i = 0; i < values.size(); ++i)
            insert.bind(static_cast<int>(i) + 1, values[i].second);
        insert.step();
        const int64_t id = sqlite3_last_insert_rowid(db_->handle());
        readBack(rows, id, stored);
        tx.commit();
        return id;
    }

    bool update(const TableShape& rows, int64_t id, const ColumnValues& values, RowValues original,
                std::vector<std::string>& stored) override {
        Transaction tx(*db_);
        std::string sets;
        for (const auto& [c, v] : values)
            sets += (sets.empty() ? "" : ", ") + quoteName(rows.columns[static_cast<size_t>(c)]) +
                    " = ?";
        const int first = static_cast<int>(values.size()) + 1;
        // Only the fields written must still hold what was read: another program may have
        // changed the others meanwhile, and keeps those changes.
        const std::vector<int> checked = writtenColumns(values);
        Statement write(*db_, "UPDATE " + quoteName(rows.table) + " SET " + sets +
                                  whereUnchanged(rows, checked, first));
        for (std::size_t i = 0; i < values.size(); ++i)
            write.bind(static_cast<int>(i) + 1, values[i].second);
        bindOriginal(write, checked, first, id, original);
        write.step();
        if (sqlite3_changes(db_->handle()) != 1) return false;
        readBack(rows, id, stored);
        tx.commit();
        return true;
    }

    bool erase(const TableShape& rows, int64_t id, RowValues original) override {
        Transaction tx(*db_);
        const std::vector<int> all = everyColumn(rows);
        Statement erase(*db_,
                        "DELETE FROM " + quoteName(rows.table) + whereUnchanged(rows, all, 1));
        bindOriginal(erase, all, 1, id, original);
        erase.step();
        if (sqlite3_changes(db_->handle()) != 1) return false;
        tx.commit();
        return true;
    }

    void renumber(std::string_view start, const bulk::Progress& progress) override {
        bulk::renumber(*db_, start, progress);
    }
    void clearClients(const bulk::Progress& progress,
                      const std::optional<std::string>& keptAt) override {
        bulk::clearClients(*db_, progress, keptAt);
    }

    bool keepsHistory() override { return true; }

    int64_t setAside(const TableShape& rows, const std::vector<std::pair<int64_t, RowValues>>& away,
                     Gone gone, const std::string& at, const std::string& by,
                     const MergeKeep* keep) override {
        Transaction tx(*db_);
        sqlitehistory::prepare(*db_, rows.columns);
        const int64_t batch = sqlitehistory::nextBatch(*db_);
        Statement erase(*db_,
                        "DELETE FROM " + quoteName(rows.table) + " WHERE " + rows.rowid + " = ?");
        for (const auto& [id, original] : away) {
            if (!sqlitehistory::keep(*db_, rows, id, original, gone, at, batch, by)) return 0;
            erase.bind(1, id);
            erase.step();
            erase.reset();
        }
        if (keep && !sqlitehistory::rewrite(*db_, rows, keep->id, keep->original, keep->values,
                                            Gone::MergedInto, at, batch, by))
            return 0;
        tx.commit();
        return batch;
    }

    std::vector<HistoryEntry> history(std::size_t newest, int64_t batch) override {
        return sqlitehistory::entries(*db_, newest, batch);
    }

    std::optional<Restored> restore(const TableShape& rows, int64_t entry,
                                    bool wholeBatch) override {
        Transaction tx(*db_);
        auto done = sqlitehistory::restore(*db_, rows, entry, wholeBatch);
        if (done) tx.commit();
        return done;
    }

    long historyBefore(const std::string& before, bool remove) override {
        Transaction tx(*db_);
        const long n = sqlitehistory::before(*db_, before, remove);
        tx.commit();
        return n;
    }
    void backup(const std::filesystem::path& target) override { bulk::backup(*db_, target); }

    void appendClients(const ClientFeed& clients, long total, const bulk::Progress& progress,
                       const ClientUpdates* updates) override {
        std::string names, marks;
        for (int i = 0; i < kFieldCount; ++i) {
            names += (i ? ", " : "") + quoteName(kFieldNames[static_cast<std::size_t>(i)]);
            marks += i ? ", ?" : "?";
        }
        long done = 0;
        Transaction tx(*db_);
        // Many clients: the code index is built once at the end instead of row by row.
        std::optional<bulk::CodeIndexAside> index;
        if (total >= kAsideFrom) index.emplace(*db_);
        Statement insert(*db_, "INSERT INTO " + quoteName(kClientTable) + " (" + names +
                                   ") VALUES (" + marks + ")");
        clients([&](const NewClient& client) {
            for (int i = 0; i < kFieldCount; ++i) {
                const auto& value = client[static_cast<std::size_t>(i)];
                value ? insert.bind(i + 1, *value) : insert.bindNull(i + 1);
            }
            insert.step();
            insert.reset();
            if (progress && ++done % bulk::kProgressStep == 0) progress(done, total);
        });
        if (progress) progress(done, done);
        if (updates && !sqlitehistory::update(*db_, *updates))
            throw ConflictError("匯入要更新的客戶已被" + otherWriters() + "修改過，匯入沒有執行。");
        if (index) index->restore();
        tx.commit();
    }

    int64_t othersChanges() override {
        Statement s(*db_, "PRAGMA data_version");
        return s.step() ? s.integer(0) : 0;
    }

  private:
    void readBack(const TableShape& rows, int64_t id, std::vector<std::string>& stored) {
        if (!read(rows, id, stored))
            throw StoreError(ErrorKind::Io, "剛寫入的資料讀不回來：" + where());
    }

    std::shared_ptr<Database> db_;
};

void SqliteBackend::readAll(const TableShape& rows, RowParts& parts) {
    const std::string select = "SELECT " + selectList(rows) + " FROM " + quoteName(rows.table);
    const std::string& rowid = rows.rowid;
    const std::size_t columns = rows.columns.size();
    // Sized and split by the number of rows, never by the span of their ids: a row may carry
    // any id SQLite allows (a backup from a server keeps the server's).
    std::size_t count = 0;
    {
        Statement s(*db_, "SELECT count(*) FROM " + quoteName(rows.table));
        if (s.step()) count = static_cast<std::size_t>(std::max<int64_t>(s.integer(0), 0));
    }
    if (static_cast<int64_t>(count) < sqliteParallelReadFrom) {
        RowSink& lower = parts.part(count);
        Statement s(*db_, select + " ORDER BY " + rowid);
        readRows(s, columns, lower);
    } else {
        // A read transaction: while this connection holds the file, no program can commit, so
        // both halves come from the same state of the file.
        db_->exec("BEGIN");
        struct EndRead {
            Database& db;
            ~EndRead() { sqlite3_exec(db.handle(), "COMMIT", nullptr, nullptr, nullptr); }
        } endRead{*db_};
        // The upper half starts at the middle row (none: the table shrank, the lower reads all).
        int64_t middle = std::numeric_limits<int64_t>::max();
        {
            Statement m(*db_, "SELECT " + rowid + " FROM " + quoteName(rows.table) + " ORDER BY " +
                                  rowid + " LIMIT 1 OFFSET ?");
            m.bind(1, static_cast<int64_t>(count / 2));
            if (m.step()) middle = m.integer(0);
        }
        RowSink& lower = parts.part(count / 2);
        RowSink& upper = parts.part(count - count / 2);
        auto readUpper = [&](const Database& from) {
            Statement t(from, select + " WHERE " + rowid + " >= ? ORDER BY " + rowid);
            t.bind(1, middle);
            readRows(t, columns, upper);
        };
        bool upperRead = false;
        {
            Statement s(*db_, select + " WHERE " + rowid + " < ? ORDER BY " + rowid);
            s.bind(1, middle);
            const bool first = s.step();  // from here the file is held
            std::thread second([&] {
                try {
                    // A short wait: a program waiting to write blocks a second reader.
                    readUpper(*Database::open(db_->path(), OpenOptions{200, true}));
                    upperRead = true;
                } catch (const std::exception&) {
                    upper.restart();  // read here instead, below
                }
            });
            struct Join {
                std::thread& t;
                ~Join() { t.join(); }
            } join{second};
            if (first) readRows(s, columns, lower, true);
        }
        if (!upperRead) readUpper(*db_);
    }
}

bool SqliteBackend::readFirst(const TableShape& rows, int column, std::size_t count,
                              RowSink& sink) {
    if (!sameName(rows.columns.at(static_cast<std::size_t>(column)), kFieldNames[NO])) return false;
    {
        Statement index(*db_,
                        "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ? "
                        "AND tbl_name = ?");
        index.bind(1, kCodeIndex);
        index.bind(2, rows.table);
        if (!index.step()) return false;
    }
    {
        // The highest address bounds the number of rows, and costs one step down the table.
        Statement highest(*db_, "SELECT max(" + rows.rowid + ") FROM " + quoteName(rows.table));
        if (!highest.step() || highest.integer(0) < sqliteFirstRowsFrom) return false;
    }
    Statement s(*db_, "SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                          " ORDER BY " + quoteName(kFieldNames[NO]) + " COLLATE NOCASE, " +
                          rows.rowid + " LIMIT ?");
    s.bind(1, static_cast<int64_t>(count));
    readRows(s, rows.columns.size(), sink);
    return true;
}

}  // namespace

std::shared_ptr<Backend> sqliteBackend(std::shared_ptr<Database> db) {
    return std::make_shared<SqliteBackend>(std::move(db));
}

}  // namespace store

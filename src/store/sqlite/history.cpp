#include "store/sqlite/history.h"

#include <sqlite3.h>

#include <algorithm>

#include "store/fields.h"
#include "store/history.h"
#include "store/sqlite/database.h"

namespace store::sqlitehistory {
namespace {

const std::string kTable = quoteName(kHistoryTable);

std::string list(const std::vector<std::string>& columns, std::string_view prefix = "") {
    std::string out;
    for (const auto& c : columns)
        out += (out.empty() ? "" : ", ") + std::string(prefix) + quoteName(c);
    return out;
}

std::vector<std::string> columnsOf(Database& db, std::string_view table) {
    std::vector<std::string> names;
    Statement s(db, "PRAGMA table_info(" + quoteName(table) + ")");
    while (s.step()) names.emplace_back(s.text(1));
    return names;
}

// The history's copies of the client columns: every column after its own. Its entries are
// addressed by rowid, as a backup from a server copies them.
std::vector<std::string> clientColumnsKept(Database& db) {
    std::vector<std::string> all = columnsOf(db, kHistoryTable);
    return {all.begin() + static_cast<long>(std::size(kHistoryColumns)), all.end()};
}

}  // namespace

void prepare(Database& db, const std::vector<std::string>& clientColumns) {
    std::vector<std::string> have = columnsOf(db, kHistoryTable);
    if (have.empty()) {
        // The client columns without a type: each value is kept as stored, text, number or NULL.
        std::string create =
            "CREATE TABLE " + kTable +
            " (H_AT TEXT NOT NULL, H_KIND TEXT NOT NULL, H_BATCH INTEGER NOT NULL, "
            "H_ROW INTEGER, H_BY TEXT";
        for (const auto& c : clientColumns) create += ", " + quoteName(c);
        db.exec(create + ")");
        db.exec("CREATE INDEX VELKARD_HISTORY_BATCH ON " + kTable + " (H_BATCH)");
        return;
    }
    for (const auto& c : clientColumns)
        if (std::none_of(have.begin(), have.end(), [&](const auto& h) { return sameName(h, c); }))
            db.exec("ALTER TABLE " + kTable + " ADD COLUMN " + quoteName(c));
}

int64_t nextBatch(Database& db) {
    Statement s(db, "SELECT COALESCE(MAX(CAST(H_BATCH AS INTEGER)), 0) + 1 FROM " + kTable);
    return s.step() ? s.integer(0) : 1;
}

bool keep(Database& db, const TableShape& clients, int64_t id, RowValues original, Gone gone,
          const std::string& at, int64_t batch, const std::string& by) {
    std::string sql = "INSERT INTO " + kTable + " (H_AT, H_KIND, H_BATCH, H_ROW, H_BY, " +
                      list(clients.columns) + ") SELECT ?1, ?2, ?3, " + clients.rowid + ", ?4, " +
                      list(clients.columns) + " FROM " + quoteName(clients.table) + " WHERE " +
                      clients.rowid + " = ?5";
    // NULL and empty text count as the same, as every write's check has them.
    for (std::size_t c = 0; c < original.size(); ++c)
        sql += " AND COALESCE(CAST(" + quoteName(clients.columns[c]) + " AS TEXT), '') = ?" +
               std::to_string(6 + c);
    Statement s(db, sql);
    s.bind(1, at);
    s.bind(2, goneName(gone));
    s.bind(3, batch);
    s.bind(4, by);
    s.bind(5, id);
    for (std::size_t c = 0; c < original.size(); ++c) s.bind(static_cast<int>(6 + c), original[c]);
    s.step();
    return sqlite3_changes(db.handle()) == 1;
}

void keepAll(Database& db, const std::string& clientTable, const std::string& rowid,
             const std::string& at) {
    const std::vector<std::string> columns = columnsOf(db, clientTable);
    prepare(db, columns);
    Statement s(db, "INSERT INTO " + kTable + " (H_AT, H_KIND, H_BATCH, H_ROW, H_BY, " +
                        list(columns) + ") SELECT ?1, ?2, ?3, " + rowid + ", '', " + list(columns) +
                        " FROM " + quoteName(clientTable) + " ORDER BY " + rowid);
    s.bind(1, at);
    s.bind(2, goneName(Gone::Cleared));
    s.bind(3, nextBatch(db));
    s.step();
}

bool rewrite(Database& db, const TableShape& clients, int64_t id, RowValues original,
             const ColumnValues& values, Gone before, const std::string& at, int64_t batch,
             const std::string& by) {
    if (!keep(db, clients, id, original, before, at, batch, by)) return false;
    if (!values.empty()) {
        std::string sets;
        for (const auto& [c, v] : values)
            sets += (sets.empty() ? "" : ", ") +
                    quoteName(clients.columns[static_cast<size_t>(c)]) + " = ?";
        Statement write(db, "UPDATE " + quoteName(clients.table) + " SET " + sets + " WHERE " +
                                clients.rowid + " = ?");
        int i = 1;
        for (const auto& [c, v] : values) write.bind(i++, v);
        write.bind(i, id);
        write.step();
    }
    keep(db, clients, id, {}, Gone::MergeResult, at, batch, by);
    return true;
}

bool update(Database& db, const ClientUpdates& updates) {
    if (updates.rows.empty()) return true;
    prepare(db, updates.shape.columns);
    const int64_t batch = nextBatch(db);
    for (const ClientUpdate& u : updates.rows) {
        const std::vector<std::string_view> original(u.original.begin(), u.original.end());
        const ColumnValues values(u.values.begin(), u.values.end());
        if (!rewrite(db, updates.shape, u.id, original, values, Gone::Updated, updates.at, batch,
                     {}))
            return false;
    }
    return true;
}

std::vector<HistoryEntry> entries(Database& db, std::size_t newest, int64_t batch) {
    std::vector<HistoryEntry> out;
    if (columnsOf(db, kHistoryTable).empty()) return out;
    const std::vector<std::string> columns = clientColumnsKept(db);
    Statement s(db, "SELECT rowid, H_AT, H_KIND, H_BATCH, H_ROW, H_BY" +
                        (columns.empty() ? "" : ", " + list(columns)) + " FROM " + kTable +
                        (batch ? " WHERE H_BATCH = ?1" : "") + " ORDER BY rowid DESC" +
                        (newest ? " LIMIT " + std::to_string(newest) : ""));
    if (batch) s.bind(1, batch);
    while (s.step()) {
        HistoryEntry e;
        e.id = s.integer(0);
        e.at = s.text(1);
        e.gone = goneFrom(s.text(2)).value_or(Gone::Deleted);
        e.batch = s.integer(3);
        e.row = s.integer(4);
        e.by = s.text(5);
        e.columns = columns;
        for (std::size_t c = 0; c < columns.size(); ++c)
            e.values.emplace_back(s.text(static_cast<int>(6 + c)));
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<Backend::Restored> restore(Database& db, const TableShape& clients, int64_t entry,
                                         bool wholeBatch) {
    if (columnsOf(db, kHistoryTable).empty()) return std::nullopt;
    prepare(db, clients.columns);
    std::vector<history::Kept> kept;
    {
        // One entry comes with what its change wrote, when it is a client's earlier values.
        const std::string one =
            " WHERE rowid = ?1 OR (H_KIND = 'MERGE_RESULT' AND H_BATCH = "
            "(SELECT H_BATCH FROM " +
            kTable +
            " WHERE rowid = ?1) AND H_ROW = "
            "(SELECT H_ROW FROM " +
            kTable +
            " WHERE rowid = ?1 AND H_KIND IN "
            "('KEPT', 'UPDATED')))";
        Statement s(db, "SELECT rowid, H_ROW, H_KIND FROM " + kTable +
                            (wholeBatch ? " WHERE H_BATCH = (SELECT H_BATCH FROM " + kTable +
                                              " WHERE rowid = ?1)"
                                        : one) +
                            " ORDER BY rowid");
        s.bind(1, entry);
        while (s.step())
            kept.push_back(
                {s.integer(0), s.integer(1), goneFrom(s.text(2)).value_or(Gone::Deleted)});
    }
    if (kept.empty()) return std::nullopt;
    const std::string columns = list(clients.columns);
    const std::string table = quoteName(clients.table);
    Backend::Restored done;
    std::string same;
    for (const auto& c : clients.columns)
        same += " AND c." + quoteName(c) + " IS h." + quoteName(c);
    const auto plan = history::plan(kept);
    if (!plan) return std::nullopt;
    for (const auto& [before, result] : plan->back) {
        // A client goes back to what it was only while it holds what the change wrote: a
        // change made since is never overwritten.
        Statement check(db, "SELECT 1 FROM " + table + " c, " + kTable +
                                " h WHERE h.rowid = ?1 AND c." + clients.rowid +
                                " = CAST(h.H_ROW AS INTEGER)" + same);
        check.bind(1, result.id);
        if (!check.step()) return std::nullopt;
        Statement back(db, "UPDATE " + table + " SET (" + columns + ") = (SELECT " + columns +
                               " FROM " + kTable + " WHERE rowid = ?1) WHERE " + clients.rowid +
                               " = ?2");
        back.bind(1, before.id);
        back.bind(2, before.row);
        back.step();
        done.changed.push_back(before.row);
    }
    for (const history::Kept& k : plan->put) {
        // At its old address while that is free, so that a restored client is the same row.
        Statement put(db, "INSERT INTO " + table + " (" + clients.rowid + ", " + columns +
                              ") SELECT CASE WHEN EXISTS (SELECT 1 FROM " + table + " WHERE " +
                              clients.rowid + " = CAST(H_ROW AS INTEGER)) THEN NULL ELSE " +
                              "CAST(H_ROW AS INTEGER) END, " + columns + " FROM " + kTable +
                              " WHERE rowid = ?1");
        put.bind(1, k.id);
        put.step();
        done.added.push_back(sqlite3_last_insert_rowid(db.handle()));
    }
    Statement drop(db, "DELETE FROM " + kTable + " WHERE rowid = ?1");
    for (const history::Kept& k : kept) {
        drop.bind(1, k.id);
        drop.step();
        drop.reset();
    }
    return done;
}

long before(Database& db, const std::string& when, bool remove) {
    if (columnsOf(db, kHistoryTable).empty()) return 0;
    Statement count(db,
                    "SELECT count(*) FROM " + kTable +
                        " WHERE H_AT < ?1 AND H_KIND IN ('DELETE', 'MERGED', 'CLEAR', 'UPDATED')");
    count.bind(1, when);
    const long n = count.step() ? static_cast<long>(count.integer(0)) : 0;
    if (remove) {
        Statement drop(db, "DELETE FROM " + kTable + " WHERE H_AT < ?1");
        drop.bind(1, when);
        drop.step();
    }
    return n;
}

}  // namespace store::sqlitehistory

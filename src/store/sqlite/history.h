#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/backend.h"

// The history table in an SQLite client file (see Backend::keepsHistory). Every function runs
// inside the caller's transaction.
namespace store::sqlitehistory {

// Makes the table when the file has none, and adds the client columns it lacks (a column another
// program added to the client table since).
void prepare(Database& db, const std::vector<std::string>& clientColumns);
// The next batch's number.
int64_t nextBatch(Database& db);
// Copies the client row into the history table, only while it holds `original` (every column
// when `original` is empty: the row as it stands). False when it did not.
bool keep(Database& db, const TableShape& clients, int64_t id, RowValues original, Gone gone,
          const std::string& at, int64_t batch, const std::string& by);
// Writes `values` over a client that still holds `original`, kept before (as `before`) and after
// (MERGE_RESULT) in `batch`: a merge's client that stays, an import's update. False, nothing
// written, when the client changed.
bool rewrite(Database& db, const TableShape& clients, int64_t id, RowValues original,
             const ColumnValues& values, Gone before, const std::string& at, int64_t batch,
             const std::string& by);
// Copies every client row into the history table (FILE CLEAR).
void keepAll(Database& db, const std::string& clientTable, const std::string& rowid,
             const std::string& at);

// Writes an import's updates over their clients, each kept before and after; false when one no
// longer held what was read.
bool update(Database& db, const ClientUpdates& updates);

std::vector<HistoryEntry> entries(Database& db, std::size_t newest, int64_t batch);
std::optional<Backend::Restored> restore(Database& db, const TableShape& clients, int64_t entry,
                                         bool wholeBatch);
long before(Database& db, const std::string& when, bool remove);

}  // namespace store::sqlitehistory

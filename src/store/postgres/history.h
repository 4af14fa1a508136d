#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/backend.h"
#include "store/postgres/connection.h"

// The history table on a server (see Backend::keepsHistory): velkard_history, its entries
// addressed by velkard_row as every table there, the client columns as text after its own.
// Every function runs inside the caller's transaction.
namespace store::postgres::history {

// Makes the table when missing, adds client columns it lacks.
void prepare(Connection& c, const std::vector<std::string>& clientColumns);
bool exists(Connection& c);
int64_t nextBatch(Connection& c);
bool keep(Connection& c, const TableShape& clients, int64_t id, RowValues original, Gone gone,
          const std::string& at, int64_t batch, const std::string& by);
void keepAll(Connection& c, const std::string& clientTable, const std::vector<std::string>& columns,
             const std::string& at);
// Writes `values` over a client that still holds `original`, kept before and after (see the
// file's history); false, nothing written, when the client changed.
bool rewrite(Connection& c, const TableShape& clients, int64_t id, RowValues original,
             const ColumnValues& values, Gone before, const std::string& at, int64_t batch,
             const std::string& by);
bool update(Connection& c, const ClientUpdates& updates);
std::vector<HistoryEntry> entries(Connection& c, std::size_t newest, int64_t batch);
std::optional<Backend::Restored> restore(Connection& c, const TableShape& clients, int64_t entry,
                                         bool wholeBatch);
long before(Connection& c, const std::string& when, bool remove);

}  // namespace store::postgres::history

#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "store/backend.h"

// The client tables in a PostgreSQL database, for an office whose desks share one card file.
// Tables and columns there are named in lower case (velkard, no, name, ...), each table has a
// row address velkard_row, and a trigger counts every change in velkard_changes so that an
// unchanged table is never read twice. Order and equality of text stay the program's own.
namespace store::postgres {

// Connects to the database that `conninfo` (a libpq connection string or URI) names and checks
// its tables. Passwords come from libpq's own ~/.pgpass or PGPASSWORD. Throws StoreError naming
// the server and the cause: Missing when the database holds none of the client tables.
std::shared_ptr<Backend> connect(const std::string& conninfo);

// Creates the three empty client tables in a database that has none of them.
void createTables(const std::string& conninfo);

// Copies an SQLite client file, every row and column, into a database that has none of the
// client tables: one transaction, so the tables appear complete or not at all.
// Gives the number of clients copied.
long importFile(const std::string& conninfo, const std::filesystem::path& from,
                const bulk::Progress& progress = {});

// The connection text with every secret left out (password, sslpassword), fit to be remembered.
std::string withoutPassword(const std::string& conninfo);

// The server and database `conninfo` names, as the user knows them, for messages.
std::string describe(const std::string& conninfo);

}  // namespace store::postgres

#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tempdir.h"

namespace store {
class ClientFile;
}

namespace testsupport {

// The throwaway PostgreSQL cluster of this test run: the one ctest started (VELKARD_TEST_PG
// names its folder), or else one started here at first use and stopped at exit. Empty when the
// server programs are missing.
std::string pgCluster();
// A new empty database on that cluster; its connection text.
std::string newPgDatabase();
// Runs SQL on a server database as another program would; the first column of each row of the
// last result, NULL read as "<null>".
std::vector<std::string> pgQuery(const std::string& conninfo, const std::string& sql);

enum class Backend { Sqlite, Postgres };
std::string backendName(Backend backend);

// Client tables for one test, in an SQLite file or a database on the test server.
class Place {
  public:
    // Client tables made from `file` (by default a file of its own).
    explicit Place(Backend backend, std::filesystem::path file = {})
        : backend(backend), file_(file.empty() ? dir_.file("velkard.db") : std::move(file)) {}
    // Fresh client tables holding the clients (NO, NAME, ... in field order).
    void write(const std::vector<std::vector<std::string>>& clients);
    // On a server: the file's tables copied into a new database, once.
    void serve();
    // The client tables opened through a connection of their own, as a program start does.
    std::shared_ptr<store::ClientFile> open() const;
    // SQL run as another program would (the word rowid names the row address on either).
    std::vector<std::string> query(const std::string& sql) const;
    void exec(const std::string& sql) const;

    const Backend backend;
    std::string conninfo;  // the server database, once written

  private:
    TempDir dir_;
    std::filesystem::path file_;
};

}  // namespace testsupport

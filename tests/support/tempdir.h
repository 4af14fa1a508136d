#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder for one test, removed afterwards.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// The whole content of a file, to prove that it was not touched.
std::string readBytes(const std::filesystem::path& path);

// The first column of every row a query gives, read through a connection of its own; NULL
// reads as "<null>".
std::vector<std::string> query(const std::filesystem::path& path, const std::string& sql);

// Runs SQL on a file through a connection of its own, as another program would.
void execSql(const std::filesystem::path& path, const std::string& sql);

// A new empty client file holding the given clients; each client lists NO, NAME, ... in field
// order, missing fields left NULL.
void writeClients(const std::filesystem::path& path,
                  const std::vector<std::vector<std::string>>& clients);

// Clients with values in the given fields only (NO, NAME, ... by their index), the others empty.
std::vector<std::vector<std::string>> clientsWith(
    const std::vector<int>& fields, const std::vector<std::vector<std::string>>& rows);

// Runs `body` in a child process as an unprivileged user (permissions do not bind root, and the
// tests may run as root); true when it returned true.
bool asNobody(const std::function<bool()>& body);

}  // namespace testsupport

#include "tempdir.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "store/clientfile.h"
#include "store/fields.h"
#include "store/sqlite/database.h"

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkard-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> query(const std::filesystem::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.string().c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    std::vector<std::string> out;
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto* t = sqlite3_column_text(s, 0);
        out.emplace_back(t ? reinterpret_cast<const char*>(t) : "<null>");
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

void execSql(const std::filesystem::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.string().c_str(), &db);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message + " in " + sql);
}

void writeClients(const std::filesystem::path& path,
                  const std::vector<std::vector<std::string>>& clients) {
    store::clientfile::create(path);
    auto db = store::Database::open(path);
    db->exec("BEGIN");
    for (const auto& client : clients) {
        std::string sql = "INSERT INTO VELKARD (";
        std::string marks;
        for (std::size_t i = 0; i < client.size(); ++i) {
            sql += (i ? ", " : "") + std::string(store::kFieldNames[i]);
            marks += i ? ", ?" : "?";
        }
        store::Statement insert(*db, sql + ") VALUES (" + marks + ")");
        for (std::size_t i = 0; i < client.size(); ++i)
            insert.bind(static_cast<int>(i) + 1, client[i]);
        insert.step();
    }
    db->exec("COMMIT");
}

std::vector<std::vector<std::string>> clientsWith(
    const std::vector<int>& fields, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : rows) {
        std::vector<std::string> client(store::kFieldCount);
        for (std::size_t i = 0; i < fields.size() && i < row.size(); ++i)
            client[static_cast<std::size_t>(fields[i])] = row[i];
        out.push_back(client);
    }
    return out;
}

bool asNobody(const std::function<bool()>& body) {
    pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testsupport

#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

struct OpenOptions {
    int busyTimeoutMs = 15000;
    bool readOnly = false;  // open without write access (a backup source, or a test of it)
};

// One connection to an SQLite file. Errors become StoreError with a message that names the file
// and the cause.
class Database {
  public:
    // Opens an existing file; never creates one.
    static std::shared_ptr<Database> open(const std::filesystem::path& path,
                                          const OpenOptions& options = {});
    // Creates a new file (it must not exist).
    static std::shared_ptr<Database> create(const std::filesystem::path& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    const std::filesystem::path& path() const { return path_; }
    bool readOnly() const;
    void setBusyTimeout(int milliseconds);

    void exec(const std::string& sql);
    // Throws StoreError for the engine's last error code `rc`, naming `doing`.
    [[noreturn]] void fail(int rc, std::string_view doing) const;

  private:
    Database(sqlite3* db, std::filesystem::path path) : db_(db), path_(std::move(path)) {}
    sqlite3* db_;
    std::filesystem::path path_;
};

// A prepared statement, reset on destruction.
class Statement {
  public:
    Statement(const Database& db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::string_view text);
    void bindNull(int index);
    void bind(int index, int64_t value);
    bool step();  // true while a row is available
    void reset();

    int columnCount() const;
    std::string_view text(int column) const;  // NULL reads as empty text
    int64_t integer(int column) const;
    bool isNull(int column) const;
    sqlite3_stmt* handle() const { return stmt_; }

  private:
    const Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Double quotes for an identifier.
std::string quoteName(std::string_view name);

// The name that addresses the rows of `table`: rowid, _rowid_ or oid, the first that no column
// of the table hides (a further column may well be called rowid). Empty when all three are
// taken or the table keeps no row ids (WITHOUT ROWID).
std::string rowidName(const Database& db, std::string_view table);
// Why a table without such a name cannot be used, for the user.
std::string noRowidReason(std::string_view table);

// A transaction that rolls back unless committed.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();

  private:
    Database& db_;
    bool done_ = false;
};

}  // namespace store

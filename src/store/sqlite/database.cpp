#include "store/sqlite/database.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "store/errors.h"
#include "store/fields.h"

namespace store {
namespace {

ErrorKind kindOf(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ErrorKind::Locked;
        case SQLITE_NOTADB:
            return ErrorKind::NotSqlite;
        case SQLITE_READONLY:
            return ErrorKind::ReadOnly;
        case SQLITE_FULL:
            return ErrorKind::Full;
        case SQLITE_CORRUPT:
            return ErrorKind::Corrupt;
        case SQLITE_PERM:
            return ErrorKind::ReadOnly;
        default:
            return ErrorKind::Io;
    }
}

std::string describe(ErrorKind kind, const std::string& file, std::string_view doing,
                     const char* engine) {
    switch (kind) {
        case ErrorKind::Locked:
            return file + " 正被其他程式鎖定使用中，" + std::string(doing) +
                   "無法完成。請關閉使用它的程式後再試。";
        case ErrorKind::NotSqlite:
            return file + " 不是 SQLite 資料庫檔案，無法當作客戶資料檔使用。";
        case ErrorKind::ReadOnly:
            return file + " 是唯讀的（檔案或資料夾不能寫入），" + std::string(doing) + "無法完成。";
        case ErrorKind::Full:
            return "磁碟空間不足，" + std::string(doing) + "無法完成：" + file;
        case ErrorKind::Corrupt:
            return file + " 已經損壞，" + std::string(doing) + "無法完成。";
        default:
            return std::string(doing) + "失敗：" + file + "（" + engine + "）";
    }
}

// Whether a new file at `path` is refused for want of permission. The engine keeps no reason
// for a file it could not create, so the creation is tried once more by the C library.
bool deniedByFolder(const std::filesystem::path& path) {
    errno = 0;
    std::FILE* probe = std::fopen(path.string().c_str(), "wx");
    const int why = errno;
    if (probe) {
        std::fclose(probe);
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    return why == EACCES || why == EROFS || why == EPERM;
}

}  // namespace

std::shared_ptr<Database> Database::open(const std::filesystem::path& path,
                                         const OpenOptions& options) {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::not_found)
        throw StoreError(ErrorKind::Missing, "找不到客戶資料檔 " + path.string());
    // SQLite would take a folder for a file it cannot open, and wait on a pipe for ever.
    if (type == std::filesystem::file_type::directory)
        throw StoreError(ErrorKind::NotClientFile, path.string() + " 是資料夾，不是客戶資料檔。");
    if (type != std::filesystem::file_type::regular)
        throw StoreError(ErrorKind::NotClientFile,
                         path.string() + " 不是一般的檔案，不是客戶資料檔。");
    sqlite3* raw = nullptr;
    int flags =
        (options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.string().c_str(), &raw, flags, nullptr);
    std::shared_ptr<Database> db(new Database(raw, path));
    if (rc != SQLITE_OK) db->fail(rc, "開啟檔案");
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, options.busyTimeoutMs);
    return db;
}

std::shared_ptr<Database> Database::create(const std::filesystem::path& path) {
    sqlite3* raw = nullptr;
    int rc =
        sqlite3_open_v2(path.string().c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::shared_ptr<Database> db(new Database(raw, path));
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_CANTOPEN && deniedByFolder(path))
            throw StoreError(ErrorKind::ReadOnly,
                             describe(ErrorKind::ReadOnly, path.string(), "建立檔案", ""));
        db->fail(rc, "建立檔案");
    }
    sqlite3_extended_result_codes(raw, 1);
    return db;
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

void Database::setBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

bool Database::readOnly() const {
    return sqlite3_db_readonly(db_, "main") == 1;
}

void Database::exec(const std::string& sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) fail(rc, "存取檔案");
}

void Database::fail(int rc, std::string_view doing) const {
    const char* engine = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    const ErrorKind kind = kindOf(rc);
    throw StoreError(kind, describe(kind, path_.string(), doing, engine));
}

Statement::Statement(const Database& db, const std::string& sql) : db_(db) {
    int rc =
        sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) db.fail(rc, "讀取檔案");
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, std::string_view text) {
    int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) db_.fail(rc, "準備資料");
}

void Statement::bindNull(int index) {
    sqlite3_bind_null(stmt_, index);
}

void Statement::bind(int index, int64_t value) {
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) db_.fail(rc, "準備資料");
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    db_.fail(rc, "存取檔案");
}

void Statement::reset() {
    sqlite3_reset(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string_view Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p) return {};
    return {p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string quoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

std::string rowidName(const Database& db, std::string_view table) {
    std::vector<std::string> columns;
    {
        Statement s(db, "PRAGMA table_info(" + quoteName(table) + ")");
        while (s.step()) columns.emplace_back(s.text(1));
    }
    for (std::string_view name : {"rowid", "_rowid_", "oid"}) {
        bool hidden = false;
        for (const auto& c : columns) hidden = hidden || sameName(c, name);
        if (hidden) continue;
        sqlite3_stmt* probe = nullptr;
        const std::string sql =
            "SELECT " + std::string(name) + " FROM " + quoteName(table) + " LIMIT 0";
        const int rc = sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &probe, nullptr);
        sqlite3_finalize(probe);
        // Without row ids no name works, hidden or not.
        return rc == SQLITE_OK ? std::string(name) : std::string();
    }
    return {};
}

std::string noRowidReason(std::string_view table) {
    return "資料表 " + std::string(table) +
           " 的記錄無法逐筆存取（欄位佔用了 rowid、_rowid_ 與 oid 三個名稱，或資料表沒有列編號）";
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!done_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    db_.exec("COMMIT");
    done_ = true;
}

}  // namespace store

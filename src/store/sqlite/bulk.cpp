#include "store/sqlite/bulk.h"
#include "store/sqlite/history.h"

#include <sqlite3.h>

#include <cstdio>
#include <random>
#include <vector>

#include "store/errors.h"
#include "store/fields.h"

namespace store::bulk {
namespace {

// The name that addresses the client table's rows; a file where none is free is refused.
std::string clientRowid(const Database& db) {
    std::string name = rowidName(db, kClientTable);
    if (name.empty())
        throw StoreError(ErrorKind::NotClientFile,
                         db.path().string() + ": " + noRowidReason(kClientTable));
    return name;
}

std::vector<int64_t> clientRowids(const Database& db, const std::string& rowid) {
    std::vector<int64_t> rowids;
    Statement s(db, "SELECT " + rowid + " FROM " + quoteName(kClientTable) + " ORDER BY " + rowid);
    while (s.step()) rowids.push_back(s.integer(0));
    return rowids;
}

}  // namespace

CodeIndexAside::CodeIndexAside(Database& db) : db_(db) {
    {
        Statement s(db, "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = ?");
        s.bind(1, kCodeIndex);
        if (s.step()) sql_ = std::string(s.text(0));
    }  // a statement still reading the schema would lock it
    if (!sql_.empty()) db.exec("DROP INDEX " + quoteName(kCodeIndex));
}

void CodeIndexAside::restore() {
    if (!sql_.empty()) db_.exec(sql_);
}

void renumber(Database& db, std::string_view start, const Progress& progress) {
    Transaction tx(db);
    CodeIndexAside index(db);
    const std::string rowid = clientRowid(db);
    const std::vector<int64_t> rowids = clientRowids(db, rowid);
    const long total = static_cast<long>(rowids.size());
    if (auto refusal = renumberRefusal(start, total)) throw StoreError(ErrorKind::Io, *refusal);
    Statement write(db, "UPDATE " + quoteName(kClientTable) + " SET " + quoteName("NO") +
                            " = ? WHERE " + rowid + " = ?");
    std::string code(start);
    for (long i = 0; i < total; ++i) {
        write.bind(1, code);
        write.bind(2, rowids[static_cast<std::size_t>(i)]);
        write.step();
        write.reset();
        code = nextCode(code);
        if (progress) progress(i + 1, total);
    }
    index.restore();
    tx.commit();
}

void clearClients(Database& db, const Progress& progress,
                  const std::optional<std::string>& keptAt) {
    Transaction tx(db);
    CodeIndexAside index(db);
    const std::string rowid = clientRowid(db);
    if (keptAt) sqlitehistory::keepAll(db, std::string(kClientTable), rowid, *keptAt);
    const std::vector<int64_t> rowids = clientRowids(db, rowid);
    const long total = static_cast<long>(rowids.size());
    // In slices by table order, so that the work can be shown as it goes.
    const long slice = std::max(1L, total / 100);
    Statement erase(db, "DELETE FROM " + quoteName(kClientTable) + " WHERE " + rowid + " <= ?");
    for (long done = 0; done < total;) {
        const long before = done;
        done = std::min(total, done + slice);
        erase.bind(1, rowids[static_cast<std::size_t>(done - 1)]);
        erase.step();
        erase.reset();
        if (progress)
            for (long i = before + 1; i <= done; ++i) progress(i, total);
    }
    index.restore();
    tx.commit();
}

bool sameFile(const std::filesystem::path& target, const std::filesystem::path& live) {
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && std::filesystem::equivalent(target, live, ec))
        return true;
    const auto a = std::filesystem::weakly_canonical(target, ec);
    const auto b = std::filesystem::weakly_canonical(live, ec);
    return !ec && a == b;
}

namespace {

constexpr std::string_view kTempMark = ".velkard-tmp-";

std::filesystem::path withSuffix(std::filesystem::path path, std::string_view suffix) {
    path += std::string(suffix);
    return path;
}

}  // namespace

std::filesystem::path tempFor(const std::filesystem::path& target) {
    static std::mt19937_64 random{std::random_device{}()};
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(random()));
    return withSuffix(target, std::string(kTempMark) + hex);
}

void removeWithJournal(const std::filesystem::path& temp) {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::filesystem::remove(withSuffix(temp, "-journal"), ec);
}

namespace {

// Copies that a failed or killed backup to `target` left behind, and that no process is writing
// (a copy being written is locked), are removed with their journals.
void removeStaleTemps(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string() + std::string(kTempMark);
    auto isOurs = [&](const std::string& name) {
        if (name.size() != prefix.size() + 16 || name.compare(0, prefix.size(), prefix) != 0)
            return false;
        return name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos;
    };
    std::error_code ec;
    std::vector<std::filesystem::path> stale;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), ec)) {
        std::string name = entry.path().filename().string();
        const bool journal = name.size() > 8 && name.ends_with("-journal");
        if (journal) name.resize(name.size() - 8);
        if (!isOurs(name)) continue;
        const auto temp = target.parent_path() / name;
        if (journal && std::filesystem::exists(temp, ec)) continue;  // judged with its copy
        if (!journal) {
            try {
                auto copy = Database::open(temp, OpenOptions{0, false});
                copy->exec("BEGIN EXCLUSIVE");
                copy->exec("ROLLBACK");
            } catch (const StoreError& e) {
                if (e.kind() == ErrorKind::Locked) continue;  // another backup is writing it
            }
        }
        stale.push_back(temp);
    }
    for (const auto& temp : stale) removeWithJournal(temp);
}

}  // namespace

void backup(Database& db, const std::filesystem::path& target) {
    const std::string name = target.string();
    if (sameFile(target, db.path()))
        throw StoreError(ErrorKind::Io,
                         name + " 就是目前使用中的客戶資料檔，不能當作備份檔。請換一個檔名。");
    // SQLite takes a file beside the client file with these names for its own journal, and
    // deletes it as a leftover the next time the client file is opened.
    for (std::string_view companion : {"-journal", "-wal", "-shm"})
        if (sameFile(target, withSuffix(db.path(), companion)))
            throw StoreError(ErrorKind::Io, name +
                                                " 是客戶資料檔的日誌檔名稱，存在這裡的備份會在下次"
                                                "開啟客戶資料檔時被刪除。請換一個檔名。");
    writeNewFile(target, [&](Database& copy) {
        sqlite3_backup* job = sqlite3_backup_init(copy.handle(), "main", db.handle(), "main");
        if (!job) copy.fail(sqlite3_errcode(copy.handle()), "備份");
        int rc = sqlite3_backup_step(job, -1);
        sqlite3_backup_finish(job);
        // A busy or locked source is the client file's trouble, not the copy's.
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) db.fail(rc, "備份");
        if (rc != SQLITE_DONE) copy.fail(rc, "備份");
    });
}

void writeNewFile(const std::filesystem::path& target,
                  const std::function<void(Database& copy)>& fill) {
    const std::string name = target.string();
    std::error_code ec;
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(folder, ec))
        throw StoreError(ErrorKind::Io, "資料夾 " + folder.string() + " 不存在，備份沒有完成。");
    removeStaleTemps(folder / target.filename());
    const std::filesystem::path temp = tempFor(folder / target.filename());
    try {
        auto copy = Database::create(temp);
        copy->exec("PRAGMA journal_mode=DELETE");
        fill(*copy);
    } catch (const SourceError&) {
        removeWithJournal(temp);
        throw;
    } catch (const StoreError& e) {
        removeWithJournal(temp);
        // The user knows the name typed and its folder, not our temporary file.
        if (e.kind() == ErrorKind::ReadOnly)
            throw StoreError(ErrorKind::ReadOnly, "資料夾 " + folder.string() +
                                                      " 是唯讀的（不能寫入），備份檔 " + name +
                                                      " 沒有寫成。請換一個資料夾。");
        if (e.kind() == ErrorKind::Full)
            throw StoreError(ErrorKind::Full, "磁碟空間不足，備份檔 " + name + " 沒有寫成。");
        std::string message = e.what();
        for (auto at = message.find(temp.string()); at != std::string::npos;
             at = message.find(temp.string(), at + name.size()))
            message.replace(at, temp.string().size(), name);
        throw StoreError(e.kind(), message);
    } catch (...) {
        removeWithJournal(temp);
        throw;
    }
    std::error_code moved;
    std::filesystem::rename(temp, target, moved);
    if (moved) {
        removeWithJournal(temp);
        throw StoreError(ErrorKind::Io, "備份檔無法寫到 " + name + ": " + moved.message());
    }
}

}  // namespace store::bulk

#include "store/bulk.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "store/errors.h"
#include "store/fields.h"
#include "store/text.h"

namespace store::bulk {
namespace {

constexpr int kCodeWidth = 6;  // NO holds six Big5 bytes

std::vector<int64_t> clientRowids(const Database& db) {
    std::vector<int64_t> rowids;
    Statement s(db, "SELECT rowid FROM " + quoteName(kClientTable) + " ORDER BY rowid");
    while (s.step()) rowids.push_back(s.integer(0));
    return rowids;
}

}  // namespace

int percent(long i, long n) {
    if (n <= 0) return 0;
    if (n < 100) return static_cast<int>(i * (100 / n));
    return static_cast<int>(static_cast<long long>(i) * 100 / n);
}

std::string nextCode(std::string_view code) {
    const double next = text::leadingNumber(code) + 1;
    char out[64];
    if (std::fabs(next) < 1e15 && next == std::floor(next))
        std::snprintf(out, sizeof out, "%lld", static_cast<long long>(next));
    else
        std::snprintf(out, sizeof out, "%.15g", next);
    return out;
}

std::optional<std::string> renumberRefusal(std::string_view start, long count) {
    std::string code(start);
    for (long i = 0; i < count; ++i) {
        if (text::big5Width(code) > kCodeWidth)
            return "代號 " + code + " 超過 NO 欄位的 6 個字元寬度(第 " + std::to_string(i + 1) +
                   " 筆),代號沒有重新編排。請輸入較小的起始代號。";
        code = nextCode(code);
    }
    return std::nullopt;
}

void renumber(Database& db, std::string_view start, const Progress& progress) {
    Transaction tx(db);
    const std::vector<int64_t> rowids = clientRowids(db);
    const long total = static_cast<long>(rowids.size());
    if (auto refusal = renumberRefusal(start, total)) throw StoreError(ErrorKind::Io, *refusal);
    Statement write(db, "UPDATE " + quoteName(kClientTable) + " SET " + quoteName("NO") +
                            " = ? WHERE rowid = ?");
    std::string code(start);
    for (long i = 0; i < total; ++i) {
        write.bind(1, code);
        write.bind(2, rowids[static_cast<std::size_t>(i)]);
        write.step();
        write.reset();
        code = nextCode(code);
        if (progress) progress(i + 1, total);
    }
    tx.commit();
}

void clearClients(Database& db, const Progress& progress) {
    Transaction tx(db);
    const std::vector<int64_t> rowids = clientRowids(db);
    const long total = static_cast<long>(rowids.size());
    // In slices by table order, so that the work can be shown as it goes.
    const long slice = std::max(1L, total / 100);
    Statement erase(db, "DELETE FROM " + quoteName(kClientTable) + " WHERE rowid <= ?");
    for (long done = 0; done < total;) {
        const long before = done;
        done = std::min(total, done + slice);
        erase.bind(1, rowids[static_cast<std::size_t>(done - 1)]);
        erase.step();
        erase.reset();
        if (progress)
            for (long i = before + 1; i <= done; ++i) progress(i, total);
    }
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

void backup(Database& db, const std::filesystem::path& target) {
    if (sameFile(target, db.path()))
        throw StoreError(
            ErrorKind::Io,
            target.string() + " 就是目前使用中的客戶資料檔,不能當作備份檔。請換一個檔名。");
    std::error_code ec;
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(folder, ec))
        throw StoreError(ErrorKind::Io, "資料夾 " + folder.string() + " 不存在,備份沒有完成。");
    std::filesystem::path temp = target;
    temp += ".tmp-" + std::to_string(getpid());
    std::filesystem::remove(temp, ec);
    try {
        auto copy = Database::create(temp);
        copy->exec("PRAGMA journal_mode=DELETE");
        sqlite3_backup* job = sqlite3_backup_init(copy->handle(), "main", db.handle(), "main");
        if (!job) copy->fail(sqlite3_errcode(copy->handle()), "備份");
        int rc = sqlite3_backup_step(job, -1);
        sqlite3_backup_finish(job);
        if (rc != SQLITE_DONE) copy->fail(rc, "備份");
    } catch (...) {
        std::filesystem::remove(temp, ec);
        throw;
    }
    std::error_code moved;
    std::filesystem::rename(temp, target, moved);
    if (moved) {
        std::filesystem::remove(temp, ec);
        throw StoreError(ErrorKind::Io,
                         "備份檔無法寫到 " + target.string() + ": " + moved.message());
    }
}

}  // namespace store::bulk

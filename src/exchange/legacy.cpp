#include "exchange/legacy.h"

#include <algorithm>
#include <memory>

#include "exchange/jetfile.h"
#include "store/backend.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/sqlite/bulk.h"
#include "store/sqlite/database.h"

namespace exchange {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void refuse(const fs::path& jet, const std::string& what) {
    throw ConvertError(jet.string() + " 無法轉換：" + what);
}

// A Jet table and where its columns go in the new table.
struct Source {
    std::string name;
    std::unique_ptr<jet::Table> table;  // none: the old file has no such table
    std::vector<std::string> columns;   // the new table's columns
    std::vector<unsigned> order;        // the Jet column of each
};

// Adds the table's columns not placed yet; those with no text form are reported instead.
void addColumns(Source& s, const std::vector<bool>& placed, ConvertReport& report) {
    const auto& columns = s.table->columns();
    for (unsigned c = 0; c < columns.size(); ++c) {
        if (placed[c]) continue;
        if (!columns[c].readable) {
            report.leftOut.push_back(s.name + "." + columns[c].name + "（" + columns[c].type +
                                     "）");
            continue;
        }
        s.columns.push_back(columns[c].name);
        s.order.push_back(c);
    }
}

// The client table with its twenty fields first (any column order, any letter case), then its
// further columns.
Source clientTable(const fs::path& path, jet::File& file, ConvertReport& report) {
    Source s{std::string(store::kClientTable), file.table(store::kClientTable), {}, {}};
    if (!s.table) refuse(path, "缺少資料表 VELKARD。");
    const auto& columns = s.table->columns();
    std::vector<bool> placed(columns.size(), false);
    std::string missing;
    for (auto field : store::kFieldNames) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const jet::Column& c) {
            return c.readable && store::sameName(c.name, field);
        });
        if (found == columns.end()) {
            missing += (missing.empty() ? "" : "、") + std::string(field);
            continue;
        }
        const auto c = static_cast<unsigned>(found - columns.begin());
        s.columns.emplace_back(field);
        s.order.push_back(c);
        placed[c] = true;
    }
    if (!missing.empty()) refuse(path, "資料表 VELKARD 缺少欄位 " + missing + "。");
    s.table->require(s.order);  // a row without all twenty is damaged
    addColumns(s, placed, report);
    return s;
}

// The lookup table and FIELD1 as they are; an old file without one gets it empty, as a new
// client file has it.
Source otherTable(jet::File& file, std::string_view name, ConvertReport& report) {
    Source s{std::string(name), file.table(name), {}, {}};
    if (s.table) addColumns(s, std::vector<bool>(s.table->columns().size(), false), report);
    if (s.columns.empty())
        s.columns.emplace_back(name == store::kLookupTable ? store::kLookupColumn : "FIELD1");
    return s;
}

// Copies the rows of `s` into its new table; returns how many.
long copyRows(const fs::path& path, Source& s, bool clientTable, store::Database& db,
              ConvertReport& report, const std::function<void()>& rowDone) {
    std::string insert = "INSERT INTO " + store::quoteName(s.name) + " VALUES (";
    for (std::size_t i = 0; i < s.columns.size(); ++i) insert += i ? ", ?" : "?";
    store::Statement write(db, insert + ")");
    long rows = 0;
    while (s.table->next()) {
        std::string code;
        for (std::size_t i = 0; i < s.order.size(); ++i) {
            bool bad = false;
            const auto& value = s.table->value(s.order[i], bad);
            const int param = static_cast<int>(i) + 1;
            value ? write.bind(param, *value) : write.bindNull(param);
            if (clientTable && i == 0 && value) code = *value;
            if (bad)
                report.undecoded.push_back(
                    {clientTable ? code : std::string(),
                     clientTable ? s.columns[i] : s.name + "." + s.columns[i]});
        }
        write.step();
        write.reset();
        ++rows;
        rowDone();
    }
    // libmdb passes over a row whose place on its page cannot be read: the count tells.
    if (rows != s.table->declaredRows())
        refuse(path, "已損壞：資料表 " + s.name + " 應有 " +
                         std::to_string(s.table->declaredRows()) + " 筆，讀得到 " +
                         std::to_string(rows) + " 筆。");
    return rows;
}

}  // namespace

std::optional<fs::path> legacyBeside(const fs::path& clientFile) {
    std::error_code ec;
    const fs::path folder = clientFile.parent_path().empty() ? "." : clientFile.parent_path();
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (store::sameName(entry.path().filename().string(), "velkard.mdb") &&
            entry.is_regular_file(ec))
            return entry.path();
    return std::nullopt;
}

std::string summary(const ConvertReport& report) {
    std::string text = "轉換完成：";
    for (const auto& t : report.tables)
        text += "\n  " + t.name + "：" + std::to_string(t.rows) + " 筆";
    if (report.complete()) return text + "\n所有資料都已完整轉換。";
    if (!report.leftOut.empty()) {
        text += "\n\n下列欄位的資料型態不是文字，沒有轉換：";
        for (const auto& column : report.leftOut) text += "\n  " + column;
    }
    if (report.undecoded.empty()) return text;
    text += "\n\n下列 " + std::to_string(report.undecoded.size()) +
            " 個值有無法解讀的位元組，已以 \uFFFD 代替（客戶代號、欄位）：";
    for (std::size_t i = 0; i < report.undecoded.size() && i < 20; ++i)
        text += "\n  " +
                (report.undecoded[i].code.empty() ? std::string("—") : report.undecoded[i].code) +
                "  " + report.undecoded[i].field;
    if (report.undecoded.size() > 20) text += "\n  ⋯";
    return text;
}

fs::path keptName(const fs::path& file, const std::tm& when) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, ".bak-%Y%m%d-%H%M%S", &when);
    const std::string name = file.string() + stamp;
    std::error_code ec;
    fs::path kept = name;
    for (int n = 2; fs::exists(fs::symlink_status(kept, ec)); ++n)
        kept = name + "-" + std::to_string(n);
    return kept;
}

ConvertReport convertLegacy(const fs::path& jet, const fs::path& target,
                            const ConvertProgress& progress,
                            const std::optional<fs::path>& keepExistingAs) {
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw ConvertError(target.string() + " 是資料夾，不是客戶資料檔。");
    jet::File file(jet);
    if (fs::exists(target, ec) && !keepExistingAs)
        throw ConvertError("客戶資料檔 " + target.string() +
                           " 已經存在，不會覆蓋；要以轉換結果取代它，請加上 --replace。");
    ConvertReport report;
    std::vector<Source> sources;
    sources.push_back(clientTable(jet, file, report));
    for (std::string_view name : {store::kLookupTable, store::kAuxTable})
        sources.push_back(otherTable(file, name, report));
    long total = 0, done = 0;
    for (const auto& s : sources) total += s.table ? s.table->declaredRows() : 0;

    if (!target.parent_path().empty()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            throw ConvertError("無法建立資料夾 " + target.parent_path().string() + "：" +
                               ec.message());
    }
    const fs::path temp = store::bulk::tempFor(target);
    try {
        auto db = store::Database::create(temp);
        db->exec("PRAGMA journal_mode=DELETE");
        db->exec("BEGIN");
        for (auto& s : sources) {
            std::string create = "CREATE TABLE " + store::quoteName(s.name) + " (";
            for (std::size_t i = 0; i < s.columns.size(); ++i)
                create += (i ? ", " : "") + store::quoteName(s.columns[i]) + " TEXT";
            db->exec(create + ")");
            const long rows =
                !s.table ? 0 : copyRows(jet, s, &s == &sources.front(), *db, report, [&] {
                    if (progress && ++done % 1000 == 0) progress(done, total);
                });
            report.tables.push_back({s.name, rows});
        }
        // Whatever the old file held, the new one must open as a client file (a lookup table
        // without its column, further columns that hide every row address).
        const auto wrong = store::problems(*store::sqliteBackend(db));
        if (!wrong.empty()) refuse(jet, wrong.front() + "。");
        store::clientfile::indexCodes(db);
        db->exec("COMMIT");
        if (progress) progress(total, total);
    } catch (const store::StoreError& e) {
        store::bulk::removeWithJournal(temp);
        throw ConvertError(std::string("無法寫入新的客戶資料檔：") + e.what());
    } catch (...) {
        store::bulk::removeWithJournal(temp);
        throw;
    }
    // The new file takes the target's name only now; what stood there is kept first, and an
    // earlier backup of that name is never overwritten.
    if (fs::exists(target, ec)) {
        if (fs::exists(fs::symlink_status(*keepExistingAs, ec))) {
            store::bulk::removeWithJournal(temp);
            throw ConvertError(keepExistingAs->string() + " 已經存在，不會覆蓋。");
        }
        fs::rename(target, *keepExistingAs, ec);
        if (ec) {
            store::bulk::removeWithJournal(temp);
            throw ConvertError("無法把 " + target.string() + " 改名為 " + keepExistingAs->string() +
                               "：" + ec.message());
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        store::bulk::removeWithJournal(temp);
        if (keepExistingAs) fs::rename(*keepExistingAs, target, ec);
        throw ConvertError("無法建立客戶資料檔 " + target.string() + "：" + ec.message());
    }
    return report;
}

}  // namespace exchange

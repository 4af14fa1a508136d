#include "store/postgres/postgres.h"
#include "store/sqlite/bulk.h"

#include <libpq-fe.h>

#include <algorithm>

#include "store/errors.h"
#include "store/fields.h"
#include "store/postgres/connection.h"
#include "store/postgres/history.h"
#include "store/sqlite/database.h"

namespace store::postgres {
namespace {

// The column list for reading a row: each as text whatever its type.
std::string selectList(const TableShape& rows) {
    std::string list = rows.rowid;
    for (const auto& c : rows.columns) list += ", " + quoteName(c) + "::text";
    return list;
}

// The name the program shows for a stored column: the field's own spelling when it is one.
std::string shownName(const std::string& stored) {
    for (auto f : kFieldNames)
        if (sameName(f, stored)) return std::string(f);
    if (sameName(kLookupColumn, stored)) return std::string(kLookupColumn);
    if (sameName(kAuxTable, stored)) return std::string(kAuxTable);
    return stored;
}

class PgBackend final : public Backend {
  public:
    explicit PgBackend(const std::string& conninfo) : c_(conninfo) {}
    // Changes from here on are others' changes. A user who may only read is known from here on
    // too, before the first write fails.
    void start() {
        seen_ = counter(false);
        Params p;
        p.text(quoteName(tableName(kClientTable)));
        p.text(std::string(kChanges));
        Result r = c_.exec(
            "SELECT has_table_privilege($1::text, 'INSERT, UPDATE, DELETE') AND "
            "has_table_privilege($2::text, 'UPDATE')",
            p, "讀取權限");
        readOnly_ = std::string_view(PQgetvalue(r.get(), 0, 0)) != "t";
        keepsHistory_ = history::exists(c_);
        if (!keepsHistory_ && !readOnly_) {
            // A database made before the history: the table is added where the rights allow;
            // elsewhere deletes stay final, as they were.
            try {
                write("保留紀錄",
                      [&] { history::prepare(c_, columnsOf(tableName(kClientTable))); });
                keepsHistory_ = true;
            } catch (const StoreError&) {
            }
        }
    }

    std::string where() const override { return c_.where(); }
    std::string otherWriters() const override { return "另一台電腦或程式"; }
    bool readOnly() const override { return readOnly_; }

    int otherDesks() override {
        c_.ensureOpen();
        Result r = c_.exec(
            "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
            "application_name LIKE 'VELKARD %' AND pid <> pg_backend_pid()",
            "讀取連線");
        return std::stoi(PQgetvalue(r.get(), 0, 0));
    }
    void setWaitLimit(int milliseconds) override { c_.setLockWait(milliseconds); }

    std::string tableName(std::string_view wanted) override {
        c_.ensureOpen();
        Result r = c_.exec(
            "SELECT c.relname FROM pg_class c WHERE c.relkind IN ('r', 'p') AND "
            "pg_table_is_visible(c.oid)",
            "讀取資料表");
        for (int i = 0; i < PQntuples(r.get()); ++i)
            if (sameName(PQgetvalue(r.get(), i, 0), wanted)) return PQgetvalue(r.get(), i, 0);
        return {};
    }

    std::vector<std::string> columnsOf(const std::string& table) override {
        return columns(table, false);
    }

    std::string rowAddress(const std::string& table) override {
        for (const auto& c : columns(table, true))
            if (c == kRowAddress) return std::string(kRowAddress);
        throw StoreError(ErrorKind::NotClientFile, where() + ": 資料表 " + table + " 沒有 " +
                                                       std::string(kRowAddress) +
                                                       " 欄位，記錄無法逐筆存取");
    }

    void readAll(const TableShape& rows, RowParts& parts) override {
        c_.ensureOpen();
        RowSink& sink = parts.part(0);
        std::vector<std::string_view> values(rows.columns.size());
        copyOut(c_,
                "COPY (SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                    ") TO STDOUT (FORMAT binary)",
                "讀取資料", [&](const CopyRow& fields) {
                    const int64_t id = rowAddressOf(c_, fields, values.size());
                    for (std::size_t i = 0; i < values.size(); ++i)
                        values[i] = fields[i + 1].value_or(std::string_view());
                    sink.row(id, values);
                });
    }

    bool read(const TableShape& rows, int64_t id, std::vector<std::string>& values) override {
        c_.ensureOpen();
        Params p;
        p.id(id);
        Result r = c_.exec("SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                               " WHERE " + rows.rowid + " = $1",
                           p, "讀取資料");
        return take(r.get(), values);
    }

    int64_t insert(const TableShape& rows, const ColumnValues& values,
                   std::vector<std::string>& stored) override {
        int64_t id = 0;
        write("存檔", [&] {
            Params p;
            std::string names, marks;
            for (const auto& [c, v] : values) {
                p.text(v);
                names +=
                    (names.empty() ? "" : ", ") + quoteName(rows.columns[static_cast<size_t>(c)]);
                marks += (marks.empty() ? "$" : ", $") + std::to_string(p.count());
            }
            const std::string table = quoteName(rows.table);
            Result r = c_.exec((values.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                               : "INSERT INTO " + table + " (" + names +
                                                     ") VALUES (" + marks + ")") +
                                   " RETURNING " + selectList(rows),
                               p, "存檔");
            id = std::stoll(PQgetvalue(r.get(), 0, 0));
            take(r.get(), stored);
        });
        return id;
    }

    bool update(const TableShape& rows, int64_t id, const ColumnValues& values, RowValues original,
                std::vector<std::string>& stored) override {
        bool written = false;
        write("存檔", [&] {
            Params p;
            std::string sets;
            for (const auto& [c, v] : values) {
                p.text(v);
                sets += (sets.empty() ? "" : ", ") +
                        quoteName(rows.columns[static_cast<size_t>(c)]) + " = $" +
                        std::to_string(p.count());
            }
            // Only the fields written must still hold what was read (see the file's backend).
            Result r = c_.exec("UPDATE " + quoteName(rows.table) + " SET " + sets +
                                   whereUnchanged(rows, writtenColumns(values), id, original, p) +
                                   " RETURNING " + selectList(rows),
                               p, "存檔");
            written = take(r.get(), stored);
        });
        return written;
    }

    bool erase(const TableShape& rows, int64_t id, RowValues original) override {
        bool erased = false;
        write("刪除", [&] {
            Params p;
            Result r = c_.exec("DELETE FROM " + quoteName(rows.table) +
                                   whereUnchanged(rows, everyColumn(rows), id, original, p),
                               p, "刪除");
            erased = std::string_view(PQcmdTuples(r.get())) == "1";
        });
        return erased;
    }

    void renumber(std::string_view start, const bulk::Progress& progress) override;
    void clearClients(const bulk::Progress& progress,
                      const std::optional<std::string>& keptAt) override;
    void backup(const std::filesystem::path& target) override;
    void appendClients(const ClientFeed& clients, long total, const bulk::Progress& progress,
                       const ClientUpdates* updates) override;

    bool keepsHistory() override { return keepsHistory_; }

    int64_t setAside(const TableShape& rows, const std::vector<std::pair<int64_t, RowValues>>& away,
                     Gone gone, const std::string& at, const std::string& by,
                     const MergeKeep* keep) override {
        // A row found changed ends the transaction with nothing done.
        struct Changed {};
        int64_t batch = 0;
        try {
            write("刪除", [&] {
                history::prepare(c_, rows.columns);
                batch = history::nextBatch(c_);
                for (const auto& [id, original] : away) {
                    if (!history::keep(c_, rows, id, original, gone, at, batch, by))
                        throw Changed{};
                    Params p;
                    p.id(id);
                    c_.exec(
                        "DELETE FROM " + quoteName(rows.table) + " WHERE " + rows.rowid + " = $1",
                        p, "刪除");
                }
                if (keep && !history::rewrite(c_, rows, keep->id, keep->original, keep->values,
                                              Gone::MergedInto, at, batch, by))
                    throw Changed{};
            });
        } catch (const Changed&) {
            return 0;
        }
        return batch;
    }

    std::vector<HistoryEntry> history(std::size_t newest, int64_t batch) override {
        c_.ensureOpen();
        return history::entries(c_, newest, batch);
    }

    std::optional<Restored> restore(const TableShape& rows, int64_t entry,
                                    bool wholeBatch) override {
        struct Refused {};
        std::optional<Restored> done;
        try {
            write("復原", [&] {
                done = history::restore(c_, rows, entry, wholeBatch);
                if (!done) throw Refused{};
            });
        } catch (const Refused&) {
            return std::nullopt;
        }
        return done;
    }

    long historyBefore(const std::string& before, bool remove) override {
        long n = 0;
        write("清除紀錄", [&] { n = history::before(c_, before, remove); });
        return n;
    }

    int64_t othersChanges() override {
        c_.ensureOpen();
        const int64_t now = counter(false);
        if (now != seen_) ++foreign_, seen_ = now;
        return foreign_;
    }

  private:
    std::vector<std::string> columns(const std::string& table, bool withAddress) {
        c_.ensureOpen();
        Params p;
        p.text(quoteName(table));
        Result r = c_.exec(
            "SELECT attname FROM pg_attribute WHERE attrelid = $1::text::regclass AND attnum > 0 "
            "AND NOT attisdropped ORDER BY attnum",
            p, "讀取資料表");
        std::vector<std::string> names;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            std::string name = PQgetvalue(r.get(), i, 0);
            if (withAddress || name != kRowAddress) names.push_back(std::move(name));
        }
        return names;
    }

    // The first row of `r` after its row address, as text; false when there is none.
    static bool take(const PGresult* r, std::vector<std::string>& values) {
        if (PQntuples(r) < 1) return false;
        values.resize(static_cast<std::size_t>(PQnfields(r) - 1));
        for (std::size_t c = 0; c < values.size(); ++c)
            values[c] = PQgetvalue(r, 0, static_cast<int>(c) + 1);
        return true;
    }

    // " WHERE the row still holds `original` in these columns": NULL and empty text count as
    // the same.
    static std::string whereUnchanged(const TableShape& rows, const std::vector<int>& columns,
                                      int64_t id, RowValues original, Params& p) {
        p.id(id);
        std::string sql = " WHERE " + rows.rowid + " = $" + std::to_string(p.count());
        for (int c : columns) {
            p.text(original[static_cast<std::size_t>(c)]);
            sql += " AND COALESCE(" + quoteName(rows.columns[static_cast<std::size_t>(c)]) +
                   "::text, '') = $" + std::to_string(p.count());
        }
        return sql;
    }

    int64_t counter(bool lock, std::string_view doing = "讀取資料") {
        Result r = c_.exec(
            "SELECT counter FROM " + std::string(kChanges) + (lock ? " FOR UPDATE" : ""), doing);
        return PQntuples(r.get()) ? std::stoll(PQgetvalue(r.get(), 0, 0)) : 0;
    }

    // One transaction around `body`. The change counter's row is held from the start, so the
    // count before and after tells this program's writes from everyone else's.
    template <class Body>
    void write(std::string_view doing, Body&& body) {
        c_.ensureOpen();
        c_.exec("BEGIN", doing);
        try {
            const int64_t before = counter(true, doing);  // a write refused is named a write
            body();
            const int64_t after = counter(false);
            c_.exec("COMMIT", doing);
            if (before != seen_) ++foreign_;
            seen_ = after;
        } catch (...) {
            c_.rollback();
            throw;
        }
    }

    // The client table's name and the stored names of the given fields, read in one look.
    std::pair<std::string, std::vector<std::string>> clientColumns(
        const std::vector<std::string_view>& fields) {
        const std::string table = tableName(kClientTable);
        const std::vector<std::string> have = columnsOf(table);
        std::vector<std::string> stored;
        for (std::string_view field : fields) {
            auto it = std::find_if(have.begin(), have.end(),
                                   [&](const std::string& c) { return sameName(c, field); });
            if (it == have.end())
                throw StoreError(ErrorKind::NotClientFile, where() + " 的資料表 " + table +
                                                               " 缺少欄位 " + std::string(field));
            stored.push_back(*it);
        }
        return {table, stored};
    }

    std::vector<int64_t> clientIds(const std::string& table) {
        std::vector<int64_t> ids;
        copyOut(c_,
                "COPY (SELECT " + std::string(kRowAddress) + " FROM " + quoteName(table) +
                    " ORDER BY 1) TO STDOUT (FORMAT binary)",
                "讀取資料", [&](const CopyRow& f) { ids.push_back(rowAddressOf(c_, f, 0)); });
        return ids;
    }

    Connection c_;
    bool readOnly_ = false;
    bool keepsHistory_ = false;
    int64_t seen_ = 0;     // the change count after this program's last look or write
    int64_t foreign_ = 0;  // how often others changed the tables since connecting
};

void PgBackend::renumber(std::string_view start, const bulk::Progress& progress) {
    write("重新編排代號", [&] {
        const auto [table, columns] = clientColumns({"NO"});
        const std::string& no = columns[0];
        // Others may read meanwhile, but nobody writes a client until this is done.
        c_.exec("LOCK TABLE " + quoteName(table) + " IN SHARE ROW EXCLUSIVE MODE", "重新編排代號");
        const std::vector<int64_t> ids = clientIds(table);
        const long total = static_cast<long>(ids.size());
        if (auto refusal = bulk::renumberRefusal(start, total))
            throw StoreError(ErrorKind::Io, *refusal);
        // The codes go to the server in one stream and are written by one statement.
        c_.exec("CREATE TEMP TABLE velkard_codes (id bigint, code text) ON COMMIT DROP",
                "重新編排代號");
        c_.exec("COPY velkard_codes FROM STDIN", "重新編排代號");
        std::string chunk;
        std::string code(start);
        for (long i = 0; i < total; ++i) {
            chunk += std::to_string(ids[static_cast<std::size_t>(i)]);
            chunk += '\t';
            appendCopyText(chunk, code);
            chunk += '\n';
            if (chunk.size() > (1 << 20)) c_.put(chunk, "重新編排代號"), chunk.clear();
            code = bulk::nextCode(code);
            if (progress) progress(i + 1, total);
        }
        c_.put(chunk, "重新編排代號");
        c_.endCopyIn("重新編排代號");
        c_.exec("UPDATE " + quoteName(table) + " SET " + quoteName(no) +
                    " = velkard_codes.code FROM velkard_codes WHERE " + quoteName(table) + "." +
                    std::string(kRowAddress) + " = velkard_codes.id",
                "重新編排代號");
    });
}

void PgBackend::clearClients(const bulk::Progress& progress,
                             const std::optional<std::string>& keptAt) {
    write("清除資料", [&] {
        const std::string table = tableName(kClientTable);
        c_.exec("LOCK TABLE " + quoteName(table) + " IN SHARE ROW EXCLUSIVE MODE", "清除資料");
        if (keptAt) history::keepAll(c_, table, columnsOf(table), *keptAt);
        Result r = c_.exec("DELETE FROM " + quoteName(table), "清除資料");
        const long total = std::atol(PQcmdTuples(r.get()));
        if (progress)
            for (long i = 1; i <= total; ++i) progress(i, total);
    });
}

void PgBackend::appendClients(const ClientFeed& clients, long total, const bulk::Progress& progress,
                              const ClientUpdates* updates) {
    write("匯入", [&] {
        const auto [table, stored] = clientColumns({kFieldNames.begin(), kFieldNames.end()});
        std::string names;
        for (const auto& name : stored) names += (names.empty() ? "" : ", ") + quoteName(name);
        c_.exec("COPY " + quoteName(table) + " (" + names + ") FROM STDIN", "匯入");
        long done = 0;
        std::string chunk;
        clients([&](const NewClient& client) {
            for (int i = 0; i < kFieldCount; ++i) {
                if (i) chunk += '\t';
                const auto& v = client[static_cast<std::size_t>(i)];
                v ? appendCopyText(chunk, *v) : void(chunk += "\\N");
            }
            chunk += '\n';
            if (chunk.size() > (1 << 20)) c_.put(chunk, "匯入"), chunk.clear();
            if (progress && ++done % bulk::kProgressStep == 0) progress(done, total);
        });
        c_.put(chunk, "匯入");
        if (progress) progress(done, done);
        c_.endCopyIn("匯入");
        if (updates && !history::update(c_, *updates))
            throw ConflictError("匯入要更新的客戶已被" + otherWriters() + "修改過，匯入沒有執行。");
    });
}

void PgBackend::backup(const std::filesystem::path& target) {
    bulk::writeNewFile(target, [&](Database& copy) {
        // One snapshot of the server for all three tables.
        auto server = [&](auto&& step) {
            try {
                step();
            } catch (const StoreError& e) {
                throw SourceError(e.kind(), e.what());
            }
        };
        server([&] {
            c_.ensureOpen();
            c_.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", "備份");
        });
        struct End {
            Connection& c;
            ~End() { c.rollback(); }
        } end{c_};
        copy.exec("BEGIN");
        // The history table goes with the clients, where there is one.
        std::vector<std::string_view> tables(std::begin(kTables), std::end(kTables));
        server([&] {
            if (!tableName(kHistoryTable).empty()) tables.push_back(kHistoryTable);
        });
        for (std::string_view wanted : tables) {
            std::string table;
            std::vector<std::string> stored;
            server([&] {
                table = tableName(wanted);
                if (table.empty())
                    throw StoreError(ErrorKind::NotClientFile,
                                     where() + " 缺少資料表 " + std::string(wanted));
                stored = columnsOf(table);
            });
            std::string create, names = "rowid", marks = "?", select = std::string(kRowAddress);
            for (const auto& s : stored) {
                create += (create.empty() ? "" : ", ") + quoteName(shownName(s)) + " TEXT";
                names += ", " + quoteName(shownName(s));
                marks += ", ?";
                select += ", " + quoteName(s) + "::text";
            }
            copy.exec("CREATE TABLE " + quoteName(wanted) + " (" + create + ")");
            Statement insert(copy, "INSERT INTO " + quoteName(wanted) + " (" + names +
                                       ") VALUES (" + marks + ")");
            server([&] {
                copyOut(c_,
                        "COPY (SELECT " + select + " FROM " + quoteName(table) +
                            " ORDER BY 1) TO "
                            "STDOUT (FORMAT binary)",
                        "備份", [&](const CopyRow& f) {
                            insert.bind(1, rowAddressOf(c_, f, stored.size()));
                            for (std::size_t i = 1; i < f.size(); ++i)
                                f[i] ? insert.bind(static_cast<int>(i) + 1, *f[i])
                                     : insert.bindNull(static_cast<int>(i) + 1);
                            insert.step();
                            insert.reset();
                        });
            });
        }
        copy.exec("COMMIT");
    });
}

}  // namespace

std::shared_ptr<Backend> connect(const std::string& conninfo) {
    auto backend = std::make_shared<PgBackend>(conninfo);
    std::vector<std::string> found = problems(*backend);
    if (found.size() == std::size(kTables) && backend->tableName(kChanges).empty())
        throw StoreError(ErrorKind::Missing, backend->where() + " 裡還沒有客戶資料表。");
    if (found.empty() && backend->tableName(kChanges).empty())
        found.push_back("缺少資料表 " + std::string(kChanges));
    if (!found.empty()) {
        std::string text = backend->where() + " 的客戶資料表不完整：";
        for (const auto& f : found) text += "\n" + f;
        throw StoreError(ErrorKind::NotClientFile, text);
    }
    backend->start();
    return backend;
}

}  // namespace store::postgres

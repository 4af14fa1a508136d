#include "store/postgres.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <numeric>

#include "store/clientfile.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/rowstore.h"

namespace store::postgres {
namespace {

constexpr std::string_view kRowAddress = "velkard_row";
constexpr std::string_view kChanges = "velkard_changes";
constexpr Oid kTextOid = 25;
constexpr Oid kInt8Oid = 20;
constexpr int kLockWaitMs = 15000;  // as long as a write waits for the SQLite file

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

std::string lower(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trimmed(const char* text) {
    std::string out = text ? text : "";
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// Parameters of one statement: texts sent as they are (no terminator needed) and row addresses
// as numbers. A text given as a view must outlive the statement; a string is kept here.
class Params {
  public:
    void text(std::string_view v) {
        add(v.data() ? v.data() : "", static_cast<int>(v.size()), 1, kTextOid);
    }
    void text(std::string&& v) {
        const std::string& kept = kept_.emplace_back(std::move(v));
        add(kept.data(), static_cast<int>(kept.size()), 1, kTextOid);
    }
    void id(int64_t v) {
        const std::string& kept = kept_.emplace_back(std::to_string(v));
        add(kept.c_str(), 0, 0, kInt8Oid);
    }
    int count() const { return static_cast<int>(values_.size()); }
    const char* const* values() const { return values_.data(); }
    const int* lengths() const { return lengths_.data(); }
    const int* formats() const { return formats_.data(); }
    const Oid* types() const { return types_.data(); }

  private:
    void add(const char* value, int length, int format, Oid type) {
        values_.push_back(value);
        lengths_.push_back(length);
        formats_.push_back(format);
        types_.push_back(type);
    }
    std::vector<const char*> values_;
    std::vector<int> lengths_, formats_;
    std::vector<Oid> types_;
    std::deque<std::string> kept_;
};

// The parts of a connection text that name the server, for messages.
std::string describeOptions(PQconninfoOption* options) {
    std::string host, port, db, user;
    for (auto* o = options; o && o->keyword; ++o) {
        const std::string value = o->val ? o->val : "";
        if (!std::strcmp(o->keyword, "host") ||
            (!std::strcmp(o->keyword, "hostaddr") && host.empty()))
            host = value;
        else if (!std::strcmp(o->keyword, "port"))
            port = value;
        else if (!std::strcmp(o->keyword, "dbname"))
            db = value;
        else if (!std::strcmp(o->keyword, "user"))
            user = value;
    }
    std::string text = "資料庫伺服器 " + (host.empty() ? std::string("localhost") : host);
    if (!port.empty()) text += ":" + port;
    if (!db.empty()) text += " 的資料庫 " + db;
    if (!user.empty()) text += "（使用者 " + user + "）";
    return text;
}

// One connection to the server. A lost connection is opened again at the next statement; what
// was under way when it was lost is reported, never taken as done.
class Connection {
  public:
    explicit Connection(std::string conninfo) : conninfo_(std::move(conninfo)) {
        where_ = describe(conninfo_);
        conn_ = PQconnectdb(conninfo_.c_str());
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string why = trimmed(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw StoreError(ErrorKind::Io, "無法連線到" + where_ + "：" + why);
        }
        where_ = describeConnected();
        exec("SET client_encoding TO 'UTF8'", "連線");
        setLockWait(kLockWaitMs);
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& where() const { return where_; }
    PGconn* handle() const { return conn_; }

    void setLockWait(int ms) {
        lockWaitMs_ = ms;
        exec("SET lock_timeout = " + std::to_string(ms), "連線");
    }

    // Opens a lost connection again (not inside a transaction: what it held is gone).
    void ensureOpen() {
        if (PQstatus(conn_) == CONNECTION_OK) return;
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw StoreError(ErrorKind::Io,
                             "無法連線到" + where_ + "：" + trimmed(PQerrorMessage(conn_)));
        exec("SET client_encoding TO 'UTF8'", "連線");
        setLockWait(lockWaitMs_);
    }

    Result exec(const std::string& sql, std::string_view doing) {
        Result r(PQexec(conn_, sql.c_str()));
        check(r.get(), doing);
        return r;
    }
    Result exec(const std::string& sql, const Params& params, std::string_view doing) {
        Result r(PQexecParams(conn_, sql.c_str(), params.count(), params.types(), params.values(),
                              params.lengths(), params.formats(), 0));
        check(r.get(), doing);
        return r;
    }

    void check(const PGresult* r, std::string_view doing) const {
        const auto status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_OUT ||
            status == PGRES_COPY_IN)
            return;
        fail(r, doing);
    }

    [[noreturn]] void fail(const PGresult* r, std::string_view doing) const {
        const std::string what(doing);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw StoreError(ErrorKind::Io, "與" + where_ + "的連線中斷，" + what +
                                                "沒有完成，資料沒有寫入。（" +
                                                trimmed(PQerrorMessage(conn_)) + "）");
        const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const std::string code = state ? state : "";
        const std::string message = trimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
        if (code == "42501")
            throw StoreError(ErrorKind::ReadOnly, where_ + " 不允許這個使用者" + what +
                                                      "（權限不足），" + what + "沒有完成：" +
                                                      message);
        if (code == "42P01" || code == "42703")
            throw StoreError(ErrorKind::NotClientFile,
                             where_ + " 缺少客戶資料表或欄位，" + what + "沒有完成：" + message);
        if (code == "55P03" || code == "40P01" || code == "40001")
            throw StoreError(ErrorKind::Locked, where_ + " 的資料正被其他使用者鎖定，" + what +
                                                    "無法完成。請稍後再試。");
        if (code == "53100")
            throw StoreError(ErrorKind::Full, where_ + " 的磁碟空間不足，" + what + "沒有完成。");
        throw StoreError(ErrorKind::Io, what + "失敗：" + where_ + "（" + message + "）");
    }

    // Sends COPY data: `text` holds whole lines of COPY's text form.
    void put(const std::string& text, std::string_view doing) {
        if (!text.empty() && PQputCopyData(conn_, text.data(), static_cast<int>(text.size())) != 1)
            fail(nullptr, doing);
    }
    void endCopyIn(std::string_view doing) {
        if (PQputCopyEnd(conn_, nullptr) != 1) fail(nullptr, doing);
        finishCopy(doing);
    }
    void finishCopy(std::string_view doing) {
        Result last;
        while (PGresult* r = PQgetResult(conn_)) last.reset(r);
        if (last) check(last.get(), doing);
    }

  private:
    std::string describeConnected() const {
        std::string host = PQhost(conn_) ? PQhost(conn_) : "";
        std::string text = "資料庫伺服器 " + host;
        if (PQport(conn_) && *PQport(conn_)) text += ":" + std::string(PQport(conn_));
        return text + " 的資料庫 " + std::string(PQdb(conn_)) + "（使用者 " + PQuser(conn_) + "）";
    }

    std::string conninfo_;
    std::string where_;
    PGconn* conn_ = nullptr;
    int lockWaitMs_ = kLockWaitMs;
};

int64_t bigEndian(const char* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    if (bytes == 2) return static_cast<int16_t>(v);
    if (bytes == 4) return static_cast<int32_t>(v);
    return static_cast<int64_t>(v);
}

// Runs a COPY ... TO STDOUT (FORMAT binary) and hands each row's fields to `row`: the raw bytes,
// nothing for NULL.
template <class RowFn>
void copyOut(Connection& c, const std::string& sql, std::string_view doing, RowFn&& row) {
    c.exec(sql, doing);
    // Stopped part-way, the rest is drained so that the connection serves the next statement.
    struct Drain {
        Connection& c;
        bool done = false;
        ~Drain() {
            if (done) return;
            char* rest = nullptr;
            while (PQgetCopyData(c.handle(), &rest, 0) > 0) PQfreemem(rest);
            while (PGresult* r = PQgetResult(c.handle())) PQclear(r);
        }
    } drain{c};
    std::vector<std::optional<std::string_view>> fields;
    bool header = true;
    char* buffer = nullptr;
    int n;
    auto corrupt = [&] {
        throw StoreError(ErrorKind::Corrupt,
                         c.where() + " 傳回的資料不完整，" + std::string(doing) + "沒有完成。");
    };
    while ((n = PQgetCopyData(c.handle(), &buffer, 0)) > 0) {
        struct Free {
            char* b;
            ~Free() { PQfreemem(b); }
        } free{buffer};
        const char* p = buffer;
        const char* end = buffer + n;
        if (header) {
            // "PGCOPY\n\377\r\n\0", flags, then an extension area of the given length.
            if (n < 19 || std::memcmp(p, "PGCOPY\n\377\r\n", 11) != 0) corrupt();
            const int64_t extension = bigEndian(p + 15, 4);
            if (extension < 0 || extension > end - p - 19) corrupt();
            p += 19 + extension;
            header = false;
            if (p == end) continue;
        }
        if (end - p < 2) corrupt();
        const int64_t count = bigEndian(p, 2);
        p += 2;
        if (count < 0) continue;  // the trailer
        fields.assign(static_cast<std::size_t>(count), std::nullopt);
        for (auto& f : fields) {
            if (end - p < 4) corrupt();
            const int64_t length = bigEndian(p, 4);
            p += 4;
            if (length < 0) continue;
            if (length > end - p) corrupt();
            f = std::string_view(p, static_cast<std::size_t>(length));
            p += length;
        }
        row(fields);
    }
    drain.done = true;
    if (n == -2) c.fail(nullptr, doing);
    c.finishCopy(doing);
}

// A value in COPY's text form: backslash, tab and line breaks escaped.
void appendCopyText(std::string& out, std::string_view v) {
    for (char ch : v) {
        switch (ch) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += ch;
        }
    }
}

// The column list for reading a row: each as text whatever its type.
std::string selectList(const detail::RowStore& rows) {
    std::string list = rows.rowid;
    for (const auto& c : rows.stored) list += ", " + quoteName(c) + "::text";
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

constexpr std::string_view kTables[] = {kClientTable, kLookupTable, kAuxTable};

class PgBackend final : public Backend {
  public:
    explicit PgBackend(const std::string& conninfo) : c_(conninfo) {}
    // Changes from here on are others' changes.
    void start() { seen_ = counter(false); }

    std::string where() const override { return c_.where(); }
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

    void readAll(detail::RowStore& rows) override {
        c_.ensureOpen();
        struct Loaded {
            int64_t id;
            const char* blob;
        };
        std::vector<Loaded> loaded;
        std::vector<std::string_view> values(rows.stored.size());
        copyOut(c_,
                "COPY (SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                    ") TO STDOUT (FORMAT binary)",
                "讀取資料", [&](const std::vector<std::optional<std::string_view>>& fields) {
                    if (fields.size() != values.size() + 1 || !fields[0] || fields[0]->size() != 8)
                        throw StoreError(ErrorKind::Corrupt, where() + " 傳回的資料不完整。");
                    for (std::size_t i = 0; i < values.size(); ++i)
                        values[i] = fields[i + 1].value_or(std::string_view());
                    loaded.push_back(
                        {bigEndian(fields[0]->data(), 8), detail::packInto(rows.arena, values)});
                });
        // A table scan gives rows in the order they were written, nearly always row order.
        auto byId = [](const Loaded& a, const Loaded& b) { return a.id < b.id; };
        if (!std::is_sorted(loaded.begin(), loaded.end(), byId))
            std::sort(loaded.begin(), loaded.end(), byId);
        rows.rows.reserve(loaded.size());
        for (const auto& l : loaded) {
            rows.rowids.push_back(l.id);
            rows.rows.push_back(l.blob);
        }
    }

    bool read(const detail::RowStore& rows, int64_t id, std::vector<std::string>& values) override {
        c_.ensureOpen();
        Params p;
        p.id(id);
        Result r = c_.exec("SELECT " + selectList(rows) + " FROM " + quoteName(rows.table) +
                               " WHERE " + rows.rowid + " = $1",
                           p, "讀取資料");
        return take(r.get(), values);
    }

    int64_t insert(const detail::RowStore& rows, const ColumnValues& values,
                   std::vector<std::string>& stored) override {
        int64_t id = 0;
        write("存檔", [&] {
            Params p;
            std::string names, marks;
            for (const auto& [c, v] : values) {
                p.text(v);
                names +=
                    (names.empty() ? "" : ", ") + quoteName(rows.stored[static_cast<size_t>(c)]);
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

    bool update(const detail::RowStore& rows, int64_t id, const ColumnValues& values,
                const char* original, std::vector<std::string>& stored) override {
        bool written = false;
        write("存檔", [&] {
            Params p;
            std::string sets;
            for (const auto& [c, v] : values) {
                p.text(v);
                sets += (sets.empty() ? "" : ", ") +
                        quoteName(rows.stored[static_cast<size_t>(c)]) + " = $" +
                        std::to_string(p.count());
            }
            Result r = c_.exec("UPDATE " + quoteName(rows.table) + " SET " + sets +
                                   whereUnchanged(rows, id, original, p) + " RETURNING " +
                                   selectList(rows),
                               p, "存檔");
            written = take(r.get(), stored);
        });
        return written;
    }

    bool erase(const detail::RowStore& rows, int64_t id, const char* original) override {
        bool erased = false;
        write("刪除", [&] {
            Params p;
            Result r = c_.exec(
                "DELETE FROM " + quoteName(rows.table) + whereUnchanged(rows, id, original, p), p,
                "刪除");
            erased = std::string_view(PQcmdTuples(r.get())) == "1";
        });
        return erased;
    }

    void renumber(std::string_view start, const bulk::Progress& progress) override;
    void clearClients(const bulk::Progress& progress) override;
    void backup(const std::filesystem::path& target) override;
    void appendClients(const std::vector<NewClient>& clients) override;

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

    // " WHERE the row still holds `original`": NULL and empty text count as the same.
    static std::string whereUnchanged(const detail::RowStore& rows, int64_t id,
                                      const char* original, Params& p) {
        p.id(id);
        std::string sql = " WHERE " + rows.rowid + " = $" + std::to_string(p.count());
        const detail::RowView view(original);
        for (std::size_t c = 0; c < rows.stored.size(); ++c) {
            p.text(view.field(static_cast<int>(c)));
            sql += " AND COALESCE(" + quoteName(rows.stored[c]) + "::text, '') = $" +
                   std::to_string(p.count());
        }
        return sql;
    }

    int64_t counter(bool lock) {
        Result r =
            c_.exec("SELECT counter FROM " + std::string(kChanges) + (lock ? " FOR UPDATE" : ""),
                    "讀取資料");
        return PQntuples(r.get()) ? std::stoll(PQgetvalue(r.get(), 0, 0)) : 0;
    }

    // One transaction around `body`. The change counter's row is held from the start, so the
    // count before and after tells this program's writes from everyone else's.
    template <class Body>
    void write(std::string_view doing, Body&& body) {
        c_.ensureOpen();
        c_.exec("BEGIN", doing);
        try {
            const int64_t before = counter(true);
            body();
            const int64_t after = counter(false);
            c_.exec("COMMIT", doing);
            if (before != seen_) ++foreign_;
            seen_ = after;
        } catch (...) {
            if (PQstatus(c_.handle()) == CONNECTION_OK) Result(PQexec(c_.handle(), "ROLLBACK"));
            throw;
        }
    }

    // The client table's name and the stored name of one of its fields.
    std::pair<std::string, std::string> clientColumn(std::string_view field) {
        const std::string table = tableName(kClientTable);
        for (const auto& c : columnsOf(table))
            if (sameName(c, field)) return {table, c};
        throw StoreError(ErrorKind::NotClientFile,
                         where() + " 的資料表 " + table + " 缺少欄位 " + std::string(field));
    }

    std::vector<int64_t> clientIds(const std::string& table) {
        std::vector<int64_t> ids;
        copyOut(c_,
                "COPY (SELECT " + std::string(kRowAddress) + " FROM " + quoteName(table) +
                    " ORDER BY 1) TO STDOUT (FORMAT binary)",
                "讀取資料", [&](const std::vector<std::optional<std::string_view>>& f) {
                    if (f.size() != 1 || !f[0] || f[0]->size() != 8)
                        throw StoreError(ErrorKind::Corrupt, where() + " 傳回的資料不完整。");
                    ids.push_back(bigEndian(f[0]->data(), 8));
                });
        return ids;
    }

    Connection c_;
    int64_t seen_ = 0;     // the change count after this program's last look or write
    int64_t foreign_ = 0;  // how often others changed the tables since connecting
};

void PgBackend::renumber(std::string_view start, const bulk::Progress& progress) {
    write("重新編排代號", [&] {
        const auto [table, no] = clientColumn("NO");
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

void PgBackend::clearClients(const bulk::Progress& progress) {
    write("清除資料", [&] {
        const std::string table = tableName(kClientTable);
        c_.exec("LOCK TABLE " + quoteName(table) + " IN SHARE ROW EXCLUSIVE MODE", "清除資料");
        Result r = c_.exec("DELETE FROM " + quoteName(table), "清除資料");
        const long total = std::atol(PQcmdTuples(r.get()));
        if (progress)
            for (long i = 1; i <= total; ++i) progress(i, total);
    });
}

void PgBackend::appendClients(const std::vector<NewClient>& clients) {
    write("匯入", [&] {
        const std::string table = tableName(kClientTable);
        std::string names;
        for (int i = 0; i < kFieldCount; ++i) {
            const auto [t, stored] = clientColumn(kFieldNames[static_cast<std::size_t>(i)]);
            names += (i ? ", " : "") + quoteName(stored);
        }
        c_.exec("COPY " + quoteName(table) + " (" + names + ") FROM STDIN", "匯入");
        std::string chunk;
        for (const auto& client : clients) {
            for (int i = 0; i < kFieldCount; ++i) {
                if (i) chunk += '\t';
                const auto& v = client[static_cast<std::size_t>(i)];
                v ? appendCopyText(chunk, *v) : void(chunk += "\\N");
            }
            chunk += '\n';
            if (chunk.size() > (1 << 20)) c_.put(chunk, "匯入"), chunk.clear();
        }
        c_.put(chunk, "匯入");
        c_.endCopyIn("匯入");
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
            ~End() {
                if (PQstatus(c.handle()) == CONNECTION_OK) Result(PQexec(c.handle(), "ROLLBACK"));
            }
        } end{c_};
        copy.exec("BEGIN");
        for (std::string_view wanted : kTables) {
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
                        "備份", [&](const std::vector<std::optional<std::string_view>>& f) {
                            if (f.size() != stored.size() + 1 || !f[0] || f[0]->size() != 8)
                                throw StoreError(ErrorKind::Corrupt,
                                                 where() + " 傳回的資料不完整。");
                            insert.bind(1, bigEndian(f[0]->data(), 8));
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

// The tables to make: each with its columns as stored in the source (lower case on the server).
struct TableSource {
    std::string_view name;
    std::vector<std::string> columns;
};

// Creates the tables and the change counter; all inside the caller's transaction.
void createSchema(Connection& c, const std::vector<TableSource>& tables) {
    for (std::string_view name : {kClientTable, kLookupTable, kAuxTable, kChanges}) {
        Params p;
        p.text(lower(name));
        Result r = c.exec("SELECT 1 FROM pg_class WHERE relname = $1 AND pg_table_is_visible(oid)",
                          p, "建立資料表");
        if (PQntuples(r.get()))
            throw StoreError(ErrorKind::Io, c.where() + " 已經有資料表 " + lower(name) +
                                                "，不會覆蓋。請使用一個空的資料庫。");
    }
    for (const auto& t : tables) {
        std::string sql = "CREATE TABLE " + quoteName(lower(t.name)) + " (" +
                          std::string(kRowAddress) +
                          " bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
        for (const auto& col : t.columns) {
            if (sameName(col, kRowAddress))
                throw StoreError(ErrorKind::Io, "資料表 " + std::string(t.name) + " 的欄位 " + col +
                                                    " 與伺服器上記錄位址的欄位同名，無法複製。");
            sql += ", " + quoteName(lower(col)) + " text";
        }
        c.exec(sql + ")", "建立資料表");
    }
    c.exec("CREATE TABLE " + std::string(kChanges) +
               " (counter bigint NOT NULL);"
               "INSERT INTO " +
               std::string(kChanges) +
               " VALUES (0);"
               "CREATE FUNCTION velkard_changed() RETURNS trigger LANGUAGE plpgsql AS "
               "$$ BEGIN UPDATE " +
               std::string(kChanges) +
               " SET counter = counter + 1; "
               "RETURN NULL; END $$",
           "建立資料表");
    for (const auto& t : tables)
        c.exec("CREATE TRIGGER velkard_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON " +
                   quoteName(lower(t.name)) +
                   " FOR EACH STATEMENT EXECUTE FUNCTION velkard_changed()",
               "建立資料表");
}

}  // namespace

std::string describe(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    PQfreemem(error);
    std::string text = describeOptions(options);
    PQconninfoFree(options);
    return text;
}

std::string withoutPassword(const std::string& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        const std::string why = trimmed(error);
        PQfreemem(error);
        throw StoreError(ErrorKind::Io, "資料庫連線設定無法辨識：" + why);
    }
    std::string out;
    for (auto* o = options; o->keyword; ++o) {
        if (!o->val || !*o->val || !std::strcmp(o->keyword, "password")) continue;
        out += (out.empty() ? "" : " ") + std::string(o->keyword) + "='";
        for (const char* v = o->val; *v; ++v) {
            if (*v == '\'' || *v == '\\') out += '\\';
            out += *v;
        }
        out += '\'';
    }
    PQconninfoFree(options);
    return out;
}

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

void createTables(const std::string& conninfo) {
    Connection c(conninfo);
    c.exec("BEGIN", "建立資料表");
    createSchema(c, {{kClientTable, {kFieldNames.begin(), kFieldNames.end()}},
                     {kLookupTable, {std::string(kLookupColumn)}},
                     {kAuxTable, {std::string(kAuxTable)}}});
    c.exec("COMMIT", "建立資料表");
}

void importFile(const std::string& conninfo, const std::filesystem::path& from,
                const bulk::Progress& progress) {
    auto source = clientfile::open(from, OpenOptions{15000, true});
    auto local = sqliteBackend(source);
    std::vector<TableSource> tables;
    for (std::string_view t : kTables) tables.push_back({t, local->columnsOf(local->tableName(t))});
    Connection c(conninfo);
    c.exec("BEGIN", "複製客戶資料");
    createSchema(c, tables);
    long total = 0, done = 0;
    {
        Statement count(*source, "SELECT count(*) FROM " + quoteName(kClientTable));
        if (count.step()) total = static_cast<long>(count.integer(0));
    }
    for (const auto& t : tables) {
        const std::string name = local->tableName(t.name);
        const std::string rowid = local->rowAddress(name);
        std::string select = "SELECT " + rowid, names = std::string(kRowAddress);
        for (const auto& col : t.columns) {
            select += ", " + quoteName(col);
            names += ", " + quoteName(lower(col));
        }
        c.exec("COPY " + quoteName(lower(t.name)) + " (" + names + ") FROM STDIN", "複製客戶資料");
        Statement rows(*source, select + " FROM " + quoteName(name) + " ORDER BY " + rowid);
        const bool clients = t.name == kClientTable;
        std::string chunk;
        while (rows.step()) {
            chunk += std::to_string(rows.integer(0));
            for (int i = 1; i <= static_cast<int>(t.columns.size()); ++i) {
                chunk += '\t';
                rows.isNull(i) ? void(chunk += "\\N") : appendCopyText(chunk, rows.text(i));
            }
            chunk += '\n';
            if (chunk.size() > (1 << 20)) c.put(chunk, "複製客戶資料"), chunk.clear();
            if (clients && progress) progress(++done, total);
        }
        c.put(chunk, "複製客戶資料");
        c.endCopyIn("複製客戶資料");
        // New rows continue after the copied ones.
        Params p;
        p.text(quoteName(lower(t.name)));
        c.exec("SELECT setval(pg_get_serial_sequence($1, '" + std::string(kRowAddress) +
                   "'), COALESCE((SELECT max(" + std::string(kRowAddress) + ") FROM " +
                   quoteName(lower(t.name)) + "), 0) + 1, false)",
               p, "複製客戶資料");
    }
    c.exec("COMMIT", "複製客戶資料");
}

}  // namespace store::postgres

#include "store/postgres/connection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "store/errors.h"
#include "store/postgres/postgres.h"

namespace store::postgres {
namespace {

// libpq's message on one line: its line breaks and indents become single blanks.
std::string oneLine(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        const bool blank = *p == '\n' || *p == '\t' || *p == ' ';
        if (!blank)
            out += *p;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

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

int64_t bigEndian(const char* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    if (bytes == 2) return static_cast<int16_t>(v);
    if (bytes == 4) return static_cast<int32_t>(v);
    return static_cast<int64_t>(v);
}

}  // namespace

std::string lower(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string applicationName() {
    char host[256] = "";
#ifdef _WIN32
    const char* user = std::getenv("USERNAME");
    if (const char* h = std::getenv("COMPUTERNAME")) std::snprintf(host, sizeof host, "%s", h);
#else
    const char* user = std::getenv("USER");
    gethostname(host, sizeof host - 1);
#endif
    return std::string("VELKARD ") + (user ? user : "?") + "@" + host;
}

Connection::Connection(std::string conninfo) : conninfo_(std::move(conninfo)) {
    where_ = describe(conninfo_);
    // An administrator sees in pg_stat_activity which desk holds what, unless the connection
    // text names itself otherwise.
    const std::string name = applicationName();
    const char* keys[] = {"dbname", "fallback_application_name", nullptr};
    const char* values[] = {conninfo_.c_str(), name.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string why = oneLine(PQerrorMessage(conn_));
        PQfinish(conn_);
        throw StoreError(ErrorKind::Io, "無法連線到" + where_ + "：" + why);
    }
    where_ = describeConnected();
    prepare();
}

void Connection::prepare() {
    exec("SET client_encoding TO 'UTF8'", "連線");
    setLockWait(lockWaitMs_);
}

void Connection::setLockWait(int ms) {
    lockWaitMs_ = ms;
    exec("SET lock_timeout = " + std::to_string(ms), "連線");
}

void Connection::ensureOpen() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
        throw StoreError(ErrorKind::Io,
                         "無法連線到" + where_ + "：" + oneLine(PQerrorMessage(conn_)));
    prepare();
}

Result Connection::exec(const std::string& sql, std::string_view doing) {
    Result r(PQexec(conn_, sql.c_str()));
    check(r.get(), doing);
    return r;
}

Result Connection::exec(const std::string& sql, const Params& params, std::string_view doing) {
    Result r(PQexecParams(conn_, sql.c_str(), params.count(), params.types(), params.values(),
                          params.lengths(), params.formats(), 0));
    check(r.get(), doing);
    return r;
}

void Connection::check(const PGresult* r, std::string_view doing) const {
    const auto status = PQresultStatus(r);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_OUT ||
        status == PGRES_COPY_IN)
        return;
    fail(r, doing);
}

void Connection::fail(const PGresult* r, std::string_view doing) const {
    const std::string what(doing);
    if (PQstatus(conn_) != CONNECTION_OK)
        throw StoreError(ErrorKind::Io, "與" + where_ + "的連線中斷，" + what + "沒有完成。（" +
                                            oneLine(PQerrorMessage(conn_)) + "）");
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    const std::string message = oneLine(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
    if (code == "42501")
        throw StoreError(ErrorKind::ReadOnly, where_ + " 不允許這個使用者" + what +
                                                  "（權限不足），" + what + "沒有完成：" + message);
    if (code == "42P01" || code == "42703")
        throw StoreError(ErrorKind::NotClientFile,
                         where_ + " 缺少客戶資料表或欄位，" + what + "沒有完成：" + message);
    if (code == "55P03" || code == "40P01" || code == "40001")
        throw StoreError(ErrorKind::Locked,
                         where_ + " 的資料正被其他使用者鎖定，" + what + "無法完成。請稍後再試。");
    if (code == "53100")
        throw StoreError(ErrorKind::Full, where_ + " 的磁碟空間不足，" + what + "沒有完成。");
    throw StoreError(ErrorKind::Io, what + "失敗：" + where_ + "（" + message + "）");
}

void Connection::rollback() {
    if (PQstatus(conn_) == CONNECTION_OK) Result(PQexec(conn_, "ROLLBACK"));
}

void Connection::put(const std::string& text, std::string_view doing) {
    if (!text.empty() && PQputCopyData(conn_, text.data(), static_cast<int>(text.size())) != 1)
        fail(nullptr, doing);
}

void Connection::endCopyIn(std::string_view doing) {
    if (PQputCopyEnd(conn_, nullptr) != 1) fail(nullptr, doing);
    finishCopy(doing);
}

void Connection::finishCopy(std::string_view doing) {
    Result last;
    while (PGresult* r = PQgetResult(conn_)) last.reset(r);
    if (last) check(last.get(), doing);
}

std::string Connection::describeConnected() const {
    std::string host = PQhost(conn_) ? PQhost(conn_) : "";
    std::string text = "資料庫伺服器 " + host;
    if (PQport(conn_) && *PQport(conn_)) text += ":" + std::string(PQport(conn_));
    return text + " 的資料庫 " + std::string(PQdb(conn_)) + "（使用者 " + PQuser(conn_) + "）";
}

void copyOut(Connection& c, const std::string& sql, std::string_view doing,
             const std::function<void(const CopyRow&)>& row) {
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
    CopyRow fields;
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

int64_t rowAddressOf(const Connection& c, const CopyRow& row, std::size_t columns) {
    if (row.size() != columns + 1 || !row[0] || row[0]->size() != 8)
        throw StoreError(ErrorKind::Corrupt, c.where() + " 傳回的資料不完整。");
    return bigEndian(row[0]->data(), 8);
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
        const std::string why = oneLine(error);
        PQfreemem(error);
        throw StoreError(ErrorKind::Io, "資料庫連線設定無法辨識：" + why);
    }
    std::string out;
    for (auto* o = options; o->keyword; ++o) {
        // libpq marks every option that holds a secret (password, sslpassword) with '*'.
        if (!o->val || !*o->val || (o->dispchar && o->dispchar[0] == '*')) continue;
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

}  // namespace store::postgres

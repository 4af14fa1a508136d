#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/fields.h"

// The pieces the PostgreSQL backend and the copy into a server share: one connection with its
// messages, statement parameters, and COPY in both directions.
namespace store::postgres {

inline constexpr std::string_view kRowAddress = "velkard_row";
inline constexpr std::string_view kChanges = "velkard_changes";
inline constexpr std::string_view kTables[] = {kClientTable, kLookupTable, kAuxTable};
inline constexpr Oid kTextOid = 25;
inline constexpr Oid kInt8Oid = 20;
inline constexpr int kLockWaitMs = 15000;  // as long as a write waits for the SQLite file

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

std::string lower(std::string_view name);

// How this program names its connections: "VELKARD user@host".
std::string applicationName();

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

// One connection to the server. A lost connection is opened again at the next statement; what
// was under way when it was lost is reported, never taken as done. Errors are StoreError naming
// the server and the cause.
class Connection {
  public:
    explicit Connection(std::string conninfo);
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& where() const { return where_; }
    PGconn* handle() const { return conn_; }
    void setLockWait(int ms);
    // Opens a lost connection again (not inside a transaction: what it held is gone).
    void ensureOpen();

    Result exec(const std::string& sql, std::string_view doing);
    Result exec(const std::string& sql, const Params& params, std::string_view doing);
    void check(const PGresult* r, std::string_view doing) const;
    [[noreturn]] void fail(const PGresult* r, std::string_view doing) const;
    // Ends a transaction that failed, if the connection still stands.
    void rollback();

    // COPY ... FROM STDIN: `text` holds whole lines of COPY's text form.
    void put(const std::string& text, std::string_view doing);
    void endCopyIn(std::string_view doing);
    void finishCopy(std::string_view doing);

  private:
    // What every session needs: UTF-8 texts and the wait for locks.
    void prepare();
    std::string describeConnected() const;

    std::string conninfo_;
    std::string where_;
    PGconn* conn_ = nullptr;
    int lockWaitMs_ = kLockWaitMs;
};

// One row of a binary COPY: each field's bytes, nothing for NULL.
using CopyRow = std::vector<std::optional<std::string_view>>;

// Runs a COPY ... TO STDOUT (FORMAT binary) and hands each row to `row`.
void copyOut(Connection& c, const std::string& sql, std::string_view doing,
             const std::function<void(const CopyRow&)>& row);
// The row address in the first field of a row that must have `columns` more; throws
// StoreError(Corrupt) for anything else.
int64_t rowAddressOf(const Connection& c, const CopyRow& row, std::size_t columns);

// A value in COPY's text form: backslash, tab and line breaks escaped.
void appendCopyText(std::string& out, std::string_view v);

}  // namespace store::postgres

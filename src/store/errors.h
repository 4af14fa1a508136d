#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace store {

// What went wrong with the client file, so that a window can choose its reaction; the message
// itself is already written for the user.
enum class ErrorKind {
    Missing,          // no file at the path
    NotSqlite,        // the file is not an SQLite database
    NotClientFile,    // SQLite, but tables or columns are missing
    ReadOnly,         // the file or its folder cannot be written
    Locked,           // another program holds the file
    Full,             // the disk is full
    Corrupt,          // the file is damaged
    Io,               // any other failure of the file or the engine
    Conflict,         // optimistic locking refused a write
    NoCurrentRecord,  // the operation needs a current record
    PendingEdit,      // the operation would drop a pending change
    Unstorable,       // a value holds a NUL or bytes that are no UTF-8
};

// The refusal of a value that neither the file nor a server may store as it is.
inline std::string unstorable(std::string_view field) {
    return std::string(field) + " 的內容有 NUL 字元或無法解讀的位元組，不能存入，沒有存檔。";
}

class StoreError : public std::runtime_error {
  public:
    StoreError(ErrorKind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind) {}
    ErrorKind kind() const { return kind_; }

  private:
    ErrorKind kind_;
};

// A row changed or deleted by someone else since it was read: nothing was written.
class ConflictError : public StoreError {
  public:
    explicit ConflictError(const std::string& message) : StoreError(ErrorKind::Conflict, message) {}
};

// A failure of the tables being copied (the server a backup reads), not of the copy.
class SourceError : public StoreError {
  public:
    using StoreError::StoreError;
};

// A filter, criterion or sort text that cannot be used. `position` counts characters from 1.
class ExpressionError : public std::runtime_error {
  public:
    ExpressionError(std::size_t position, const std::string& reason)
        : std::runtime_error("第 " + std::to_string(position) + " 個字元：" + reason),
          position_(position),
          reason_(reason) {}
    std::size_t position() const { return position_; }
    const std::string& reason() const { return reason_; }

  private:
    std::size_t position_;
    std::string reason_;
};

}  // namespace store

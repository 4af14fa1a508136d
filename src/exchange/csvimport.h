#pragma once

#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "store/bulk.h"

// Clients in from a CSV file: decoded, parsed (libcsv, RFC 4180), matched to the fields by the
// header, and checked as the editor checks a record. Plain C++, no Qt.
namespace exchange {

class ImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Encoding { Utf8, Big5 };

struct Detected {
    Encoding encoding;
    bool certain;  // false: the user should choose
};

// A file's bytes a piece at a time, an empty piece at its end; a piece stays valid until the
// next is asked for. Throws ImportError when the file cannot be read.
using Pieces = std::function<std::string_view()>;
// The pieces of bytes held in memory.
Pieces piecesOf(std::string_view bytes);
// A file read a megabyte at a time from its start, never held whole: a large CSV file is parsed
// twice (to check it, then to store it) in little memory. Throws ImportError when it cannot be
// opened or read.
Pieces filePieces(const std::filesystem::path& path);

// A byte-order mark or text that is valid UTF-8 is UTF-8; text that is not, but is valid Big5
// (code page 950), is Big5; anything else is uncertain. `read` gives the file from its start
// (it is asked twice for a file that is not UTF-8).
Detected detectEncoding(const std::function<Pieces()>& read);
inline Detected detectEncoding(std::string_view bytes) {
    return detectEncoding([bytes] { return piecesOf(bytes); });
}

// A client as it will be stored: the twenty fields, nothing where the file had no column.
using ClientValues = std::vector<std::optional<std::string>>;

struct CheckedImport {
    std::vector<std::string> ignoredColumns;  // header cells that name no field
    std::vector<ClientValues> clients;        // the rows that pass, in file order (the first ones)
    long passed = 0;                          // how many rows pass
    struct Refused {
        long line;  // where the row begins in the file, from 1
        std::string reason;
    };
    std::vector<Refused> refused;
    bool cards = false;  // from a vCard file: `line` is a card's number
};

// Reads the whole file's bytes: the header row matched by field names or Chinese titles (any
// letter case), each later row checked (every cell text in `encoding` without NUL, Big5
// widths, the date form of BIRTH and DATE, the number of cells). Throws ImportError for a file
// that cannot be read as CSV, whose header names no field or one field twice. `progress` is
// told the bytes read (it may throw store::bulk::Cancelled).
//
// Every client that passes goes to `each` (with its place among them, from 0); `clients` keeps
// only the first `keep`, so that a large file is never held as clients.
// `progress` is told the bytes read of `total`.
using EachClient = std::function<void(long index, const ClientValues& client)>;
CheckedImport readClientsCsv(const Pieces& pieces, long total, Encoding encoding,
                             const store::bulk::Progress& progress = {},
                             std::size_t keep = std::numeric_limits<std::size_t>::max(),
                             const EachClient& each = {});
inline CheckedImport readClientsCsv(std::string_view bytes, Encoding encoding,
                                    const store::bulk::Progress& progress = {}) {
    return readClientsCsv(piecesOf(bytes), static_cast<long>(bytes.size()), encoding, progress);
}

// Why `value` cannot be stored in `field` for its width in Big5 bytes; nothing when it can.
std::optional<std::string> overWidth(int field, std::string_view value);

// One refused row or card as the user reads it: "第 N 行：reason" (or "第 N 張：" for cards).
std::string refusalLine(const CheckedImport& checked, const CheckedImport::Refused& refused);

// The refused rows as a report the user can keep: one line each.
std::string refusalReport(const CheckedImport& checked);

}  // namespace exchange

#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The old program's client file (a Microsoft Jet database, Jet 3 with Big5 text or Jet 4)
// converted into a client file of this program. Plain C++ over libmdb, no Qt.
namespace exchange {

// A file that cannot be converted: the message names the file and what is wrong.
class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ConvertReport {
    struct Table {
        std::string name;
        long rows = 0;
    };
    std::vector<Table> tables;  // in the order copied: VELKARD, COMBOX_COMPANY, FIELD1
    // Values kept with U+FFFD in place of bytes that did not decode, by client code and field.
    struct Undecoded {
        std::string code;
        std::string field;
    };
    std::vector<Undecoded> undecoded;
    // Columns whose type has no text form (an OLE object, binary data), left out: "TABLE.COLUMN
    // (type)".
    std::vector<std::string> leftOut;
    bool complete() const { return undecoded.empty() && leftOut.empty(); }
};

// Rows copied so far, and in all three tables together.
using ConvertProgress = std::function<void(long done, long total)>;

// The old program's file beside the client file: velkard.mdb in any letter case.
std::optional<std::filesystem::path> legacyBeside(const std::filesystem::path& clientFile);

// Whether the file begins as a Jet database does.
bool isJetFile(const std::filesystem::path& file);

// Converts the Jet file `jet` into the client file `target`: the three tables, every row and
// column in table order, NULL kept apart from empty text. The Jet file is only read. The new
// file is written beside `target` under a temporary name and takes its name only when complete.
// An existing `target` is refused, unless `keepExistingAs` names where it is to be kept: it is
// moved there once the new file is complete. Throws ConvertError.
ConvertReport convertLegacy(const std::filesystem::path& jet, const std::filesystem::path& target,
                            const ConvertProgress& progress = {},
                            const std::optional<std::filesystem::path>& keepExistingAs = {});

// What a conversion did, for the user: rows per table, then the columns left out and the values
// that did not decode (the first twenty, and how many in all).
std::string summary(const ConvertReport& report);

// Where `file` is kept when a conversion replaces it: FILE.bak-YYYYMMDD-HHMMSS, with -2, -3 …
// after it when that name is taken (an earlier backup is never overwritten).
std::filesystem::path keptName(const std::filesystem::path& file, const std::tm& when);

}  // namespace exchange

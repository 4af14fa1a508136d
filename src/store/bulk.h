#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/database.h"

// The operations on every client at once. Each is one transaction: a failure part-way, or the
// program killed, leaves every record as it was.
namespace store::bulk {

// Told after each record: (records done, records in all).
using Progress = std::function<void(long done, long total)>;

// How many records long work does between two reports to a Progress that is not told each one.
inline constexpr long kProgressStep = 1000;

// Thrown by a Progress when the user stops the work; the work is undone as after any failure.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "已取消"; }
};

// The percentage shown for record i of n: i x Int(100 / n) below 100 records, else
// Int(i x 100 / n).
int percent(long i, long n);

// The code after `code`: the digits it ends with plus one, as wide as they were, the text
// before them kept ("A00001" -> "A00002", "0001" -> "0002", "A99" -> "A100").
std::string nextCode(std::string_view code);

// Why renumbering `count` records from `start` cannot be done (no start, a start that does not
// end in a digit, a code wider than the 6 bytes of NO); nothing when it can.
std::optional<std::string> renumberRefusal(std::string_view start, long count);

// Writes the codes into NO of every client in table order: `start` for the first, then each
// the one before plus one. Throws StoreError (nothing changed) on a refusal or a failure.
void renumber(Database& db, std::string_view start, const Progress& progress = {});

// Deletes every client; the lookup list and FIELD1 stay. Throws StoreError, nothing deleted.
void clearClients(Database& db, const Progress& progress = {});

// Copies the whole client file into a new file at `target`: written beside it under a temporary
// name and moved into place only when complete, so an earlier file of that name survives any
// failure. Refuses (StoreError) a target that is the client file itself.
void backup(Database& db, const std::filesystem::path& target);

// Writes a new SQLite file at `target` through `fill`: beside it under a temporary name, moved
// into place only when complete, so an earlier file of that name survives any failure. Errors
// name `target`, never the temporary file.
void writeNewFile(const std::filesystem::path& target,
                  const std::function<void(Database& copy)>& fill);

// A name of ours beside `target` for a file being written (TARGET.velkard-tmp- and 16 hex
// digits), unlike any other process's; a killed backup's leftovers are known by it.
std::filesystem::path tempFor(const std::filesystem::path& target);
// Removes such a file and its journal, whatever is left of them.
void removeWithJournal(const std::filesystem::path& file);

// True when `target` names the file `live` (after links; any letter case the file system
// ignores).
bool sameFile(const std::filesystem::path& target, const std::filesystem::path& live);

}  // namespace store::bulk

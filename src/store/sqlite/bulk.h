#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/bulk.h"
#include "store/sqlite/database.h"

// The operations on every client of an SQLite client file, and the new files (backups, copies
// from a server, exports) written whole or not at all.
namespace store::bulk {

// Writes the codes into NO of every client in table order: `start` for the first, then each
// the one before plus one. Throws StoreError (nothing changed) on a refusal or a failure.
void renumber(Database& db, std::string_view start, const Progress& progress = {});

// Deletes every client; the lookup list and FIELD1 stay. Throws StoreError, nothing deleted.
// `keptAt`: every client is copied into the history table first, stamped so.
void clearClients(Database& db, const Progress& progress = {},
                  const std::optional<std::string>& keptAt = std::nullopt);

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

// The code index (kCodeIndex) set aside for a bulk write inside its transaction and built again
// by restore() before the commit: one build costs far less than keeping it in order row by row.
// Without restore() the transaction's rollback brings it back.
class CodeIndexAside {
  public:
    explicit CodeIndexAside(Database& db);
    void restore();

  private:
    Database& db_;
    std::string sql_;  // how it was made; empty when the file had none
};

// True when `target` names the file `live` (after links; any letter case the file system
// ignores).
bool sameFile(const std::filesystem::path& target, const std::filesystem::path& live);

}  // namespace store::bulk

#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/backend.h"
#include "store/bulk.h"
#include "store/recordset.h"
#include "store/sqlite/database.h"

// The client file: one SQLite file at a fixed place holding the tables VELKARD (the twenty
// client fields), COMBOX_COMPANY (company_field) and FIELD1.
namespace store::clientfile {

// C:\VELKARD\velkard.db on Windows, $HOME/VELKARD/velkard.db elsewhere.
std::filesystem::path defaultPath();

// Opens and checks the client file without changing it when it is unusable. Throws StoreError:
// Missing, NotSqlite, NotClientFile (naming every missing table and column), ReadOnly, Locked.
std::shared_ptr<Database> open(const std::filesystem::path& path, const OpenOptions& options = {});

// Adds the index by code (kCodeIndex) when the file lacks it: once, on a file written before it
// or by another program.
void indexCodes(const std::shared_ptr<Database>& db);

// Creates an empty client file with its three tables, and its folder when missing. The file
// appears complete or not at all; an existing file is never replaced.
void create(const std::filesystem::path& path);

}  // namespace store::clientfile

namespace store {

namespace detail {
struct RowStore;
}

// The open client file (an SQLite file or a database on a server): one connection, and the rows of
// each table read once and shared by every record set over that table, so opening a window is a new
// view, not a new load. The rows are read again only when another program changed the tables
// since (the backend's count of others' changes).
class ClientFile {
  public:
    // Opens and checks the file as clientfile::open does.
    static std::shared_ptr<ClientFile> open(const std::filesystem::path& path,
                                            const OpenOptions& options = {});
    explicit ClientFile(std::shared_ptr<Backend> backend);

    // The file or server, for messages; the local file (empty for a server).
    std::string where() const { return backend_->where(); }
    std::optional<std::filesystem::path> path() const { return backend_->file(); }
    Backend& backend() const { return *backend_; }

    // A record set over a table (any letter case); the client table presents the twenty fields
    // first. Unfiltered, in table order, on the first row.
    std::unique_ptr<RecordSet> records(std::string_view table);
    // The first `count` clients in code order, read by themselves while the client table is not
    // held yet and is large (see Backend::readFirst): a list shows them at once and reads the
    // whole table after. Nothing when the rows are held or cannot come sooner that way.
    std::unique_ptr<RecordSet> firstClients(std::size_t count);
    // A record set over the rows already held, however old (they count as older than the table
    // from then on); nothing when none are. For a list that must stay on screen when the file
    // or server cannot be read.
    std::unique_ptr<RecordSet> heldRecords(std::string_view table) const;
    // Reads every held table again into the rows the open views share: each view keeps its
    // filter, sort and current record (by its row address); a pending edit keeps what it read.
    void reload();
    // Told (once until the next reload) when a move found that another program or desk changed
    // the tables since they were read.
    void onOthersChanged(std::function<void()> listener);

    // The bulk operations, on this connection: record sets over the clients see the result at
    // once (each starts again on its first row), without reading the file again.
    void renumber(std::string_view start, const bulk::Progress& progress = {});
    // `keepInHistory`: the cleared clients are kept in the history table, to come back.
    void clearClients(const bulk::Progress& progress = {}, bool keepInHistory = true);
    void backup(const std::filesystem::path& target);
    // Adds clients (the twenty fields each, nothing for NULL) in one transaction: all or none.
    // Record sets opened afterwards show them. `progress` is told the clients written; a
    // bulk::Cancelled it throws leaves the table as it was.
    void appendClients(const std::vector<NewClient>& clients, const bulk::Progress& progress = {});
    // The same for the `total` clients a feed gives, never all held at once.
    // `updates`: held clients (bookmarks of the client table's held rows) to write over with the
    // given values in the same transaction, kept in the history table as they were; one changed
    // since it was read throws ConflictError and nothing is stored.
    using Updates = std::vector<std::pair<Bookmark, std::vector<std::pair<int, std::string>>>>;
    void appendClients(const ClientFeed& clients, long total, const bulk::Progress& progress = {},
                       const Updates& updates = {});

    // The clients deleted, merged away or cleared, newest first (see Backend::history); the
    // entries a merge keeps of its client that stayed among them.
    std::vector<HistoryEntry> history(std::size_t newest = 0, int64_t batch = 0) {
        return backend_->history(newest, batch);
    }
    // History entries made before `before`: counted, or removed.
    long historyBefore(const std::string& before, bool remove) {
        return backend_->historyBefore(before, remove);
    }

    // The bytes the held rows' texts take (for the tests and the benchmark).
    std::size_t heldBytes() const;

  private:
    struct Table {
        std::shared_ptr<detail::RowStore> rows;
        int64_t version = 0;
    };
    int64_t dataVersion() const;
    bool current(const Table& held) const;
    std::shared_ptr<detail::RowStore> load(std::string_view table);
    // Reads a held table again in place; false when its columns changed (it is dropped then).
    bool reloadHeld(Table& held);
    // After a bulk write: the held client rows when they matched the file, to take the result.
    detail::RowStore* clientsAfterBulkWrite();

    std::shared_ptr<Backend> backend_;
    std::map<std::string, Table> tables_;  // by upper-case name
    // Writes through any of the file's row stores: one an older view still holds may have
    // written what the held rows lack.
    std::shared_ptr<uint64_t> writes_ = std::make_shared<uint64_t>(0);
    std::shared_ptr<std::function<void()>> staleListener_ =
        std::make_shared<std::function<void()>>();
};

}  // namespace store

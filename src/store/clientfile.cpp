#include "store/clientfile.h"

#include <cstdlib>

#include "store/errors.h"
#include "store/fields.h"
#include "store/longwork.h"
#include "store/rowstore.h"
#include "store/text.h"

namespace store::clientfile {
namespace {

std::string missingColumns(const std::vector<std::string>& have,
                           const std::vector<std::string_view>& need) {
    std::string missing;
    for (std::string_view n : need) {
        bool found = false;
        for (const auto& h : have) found = found || sameName(h, n);
        if (!found) missing += (missing.empty() ? "" : "、") + std::string(n);
    }
    return missing;
}

}  // namespace

std::filesystem::path defaultPath() {
#ifdef _WIN32
    return std::filesystem::path("C:\\VELKARD\\velkard.db");
#else
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / "VELKARD" / "velkard.db";
#endif
}

std::shared_ptr<Database> open(const std::filesystem::path& path, const OpenOptions& options) {
    auto db = Database::open(path, options);
    std::vector<std::string> missing = problems(*sqliteBackend(db));
    if (!missing.empty()) {
        std::string text = path.string() + " 不是完整的客戶資料檔：";
        for (const auto& m : missing) text += "\n" + m;
        throw StoreError(ErrorKind::NotClientFile, text);
    }
    if (options.readOnly) return db;
    const StoreError readOnly(ErrorKind::ReadOnly,
                              path.string() + " 是唯讀的，不能寫入。請檢查檔案與資料夾的權限。");
    if (db->readOnly()) throw readOnly;
    {
        // Taking the write lock once tells at start-up whether another program holds the file.
        Transaction probe(*db);
        // Every save writes a journal beside the file, so a folder that takes no new file fails
        // them all. Writing the version the file already has, then rolling back, finds out now
        // and changes nothing.
        int64_t version = 0;
        {
            Statement read(*db, "PRAGMA user_version");
            if (read.step()) version = read.integer(0);
        }
        try {
            db->exec("PRAGMA user_version = " + std::to_string(version));
        } catch (const StoreError& e) {
            if (e.kind() == ErrorKind::ReadOnly) throw readOnly;
            throw;
        }
    }
    // The file alone must always be a complete, current copy.
    db->exec("PRAGMA journal_mode=DELETE");
    db->exec("PRAGMA synchronous=FULL");
    indexCodes(db);
    return db;
}

void indexCodes(const std::shared_ptr<Database>& db) {
    {
        Statement has(*db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?");
        has.bind(1, kCodeIndex);
        if (has.step()) return;
    }
    const std::string table = sqliteBackend(db)->tableName(kClientTable);
    db->exec("CREATE INDEX IF NOT EXISTS " + std::string(kCodeIndex) + " ON " + quoteName(table) +
             " (" + quoteName(kFieldNames[NO]) + " COLLATE NOCASE)");
}

void create(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw StoreError(ErrorKind::Io, path.string() + " 已經存在，不會覆蓋。");
    if (!path.parent_path().empty()) {
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec)
            throw StoreError(ErrorKind::ReadOnly,
                             "無法建立資料夾 " + path.parent_path().string() + ": " + ec.message());
    }
    std::filesystem::path temp = path;
    temp += ".new";
    std::filesystem::remove(temp, ec);
    try {
        auto db = Database::create(temp);
        std::string sql = "BEGIN; CREATE TABLE " + std::string(kClientTable) + " (";
        for (int i = 0; i < kFieldCount; ++i)
            sql += (i ? ", " : "") + quoteName(kFieldNames[static_cast<std::size_t>(i)]) + " TEXT";
        sql += "); CREATE TABLE " + std::string(kLookupTable) + " (" + std::string(kLookupColumn) +
               " TEXT); CREATE TABLE " + std::string(kAuxTable) + " (FIELD1 TEXT); CREATE INDEX " +
               std::string(kCodeIndex) + " ON " + std::string(kClientTable) + " (" +
               quoteName(kFieldNames[NO]) + " COLLATE NOCASE); COMMIT;";
        db->exec("PRAGMA journal_mode=DELETE");
        db->exec(sql);
    } catch (...) {
        std::filesystem::remove(temp, ec);
        throw;
    }
    std::error_code renamed;
    std::filesystem::rename(temp, path, renamed);
    if (renamed) {
        std::filesystem::remove(temp, ec);
        throw StoreError(ErrorKind::Io,
                         "無法建立客戶資料檔 " + path.string() + ": " + renamed.message());
    }
}

}  // namespace store::clientfile

namespace store {

std::vector<std::string> problems(Backend& backend) {
    std::vector<std::string> found;
    struct Need {
        std::string_view table;
        std::vector<std::string_view> columns;
    };
    const Need needs[] = {
        {kClientTable, {kFieldNames.begin(), kFieldNames.end()}},
        {kLookupTable, {kLookupColumn}},
        {kAuxTable, {}},
    };
    for (const Need& need : needs) {
        std::string name = backend.tableName(need.table);
        if (name.empty()) {
            found.push_back("缺少資料表 " + std::string(need.table));
            continue;
        }
        std::string missing = clientfile::missingColumns(backend.columnsOf(name), need.columns);
        if (!missing.empty())
            found.push_back("資料表 " + std::string(need.table) + " 缺少欄位 " + missing);
        else if (!need.columns.empty()) {
            try {
                backend.rowAddress(name);
            } catch (const StoreError& e) {
                found.push_back(e.what());
            }
        }
    }
    return found;
}

namespace {

std::string upper(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

std::shared_ptr<ClientFile> ClientFile::open(const std::filesystem::path& path,
                                             const OpenOptions& options) {
    return std::make_shared<ClientFile>(sqliteBackend(clientfile::open(path, options)));
}

ClientFile::ClientFile(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}

int64_t ClientFile::dataVersion() const {
    return backend_->othersChanges();
}

bool ClientFile::current(const Table& held) const {
    // The held rows serve while no other program changed the file and every write since they
    // were read went through them (a view still open on older rows may have written too).
    return held.rows && held.version == dataVersion() && held.rows->holdsEveryWrite();
}

std::shared_ptr<detail::RowStore> ClientFile::load(std::string_view table) {
    const bool clients = sameName(table, kClientTable);
    const auto leading = clients
                             ? std::vector<std::string_view>(kFieldNames.begin(), kFieldNames.end())
                             : std::vector<std::string_view>{};
    std::shared_ptr<detail::RowStore> rows;
    const int64_t version = dataVersion();  // before: a change while reading is not missed
    runLong([&] { rows = detail::RowStore::load(backend_, table, leading); });
    rows->fileWrites = writes_;
    rows->writesAtLoad = *writes_;
    rows->othersAt = version;
    rows->followsOthers = true;
    rows->onStale = staleListener_;
    return rows;
}

std::unique_ptr<RecordSet> ClientFile::records(std::string_view table) {
    Table& held = tables_[upper(table)];
    if (!current(held)) {
        held.rows = load(table);
        held.version = held.rows->othersAt;
    }
    return RecordSet::over(held.rows);
}

std::unique_ptr<RecordSet> ClientFile::firstClients(std::size_t count) {
    auto it = tables_.find(upper(kClientTable));
    if (it != tables_.end() && current(it->second)) return nullptr;
    auto first = detail::RowStore::loadFirst(
        backend_, kClientTable, {kFieldNames.begin(), kFieldNames.end()}, kFieldNames[NO], count);
    return first ? RecordSet::over(std::move(first)) : nullptr;
}

std::unique_ptr<RecordSet> ClientFile::heldRecords(std::string_view table) const {
    auto it = tables_.find(upper(table));
    if (it == tables_.end() || !it->second.rows) return nullptr;
    detail::RowStore& rows = *it->second.rows;
    if (!rows.stale) {  // may be older than the table: said as for another desk's change
        rows.stale = true;
        if (*staleListener_) (*staleListener_)();
    }
    return RecordSet::over(it->second.rows);
}

bool ClientFile::reloadHeld(Table& held) {
    auto fresh = load(held.rows->table);
    if (!held.rows->takeRows(*fresh)) {
        held.rows.reset();  // the columns changed: read anew when next opened
        return false;
    }
    held.rows->writesAtLoad = *writes_;
    held.rows->ownWrites = 0;
    held.rows->othersAt = held.version = fresh->othersAt;
    held.rows->stale = false;
    return true;
}

void ClientFile::reload() {
    for (auto& [name, held] : tables_)
        if (held.rows) reloadHeld(held);
    detail::releaseFreedMemory();
}

void ClientFile::onOthersChanged(std::function<void()> listener) {
    *staleListener_ = std::move(listener);
}

detail::RowStore* ClientFile::clientsAfterBulkWrite() {
    auto it = tables_.find(upper(kClientTable));
    if (it == tables_.end() || !it->second.rows) {
        ++*writes_;
        return nullptr;
    }
    if (current(it->second)) {  // the held rows match the file row for row: they take the result
        it->second.rows->wrote();
        return it->second.rows.get();
    }
    // Older than the file (another desk wrote since): read again, so that every open view shows
    // the result.
    ++*writes_;
    reloadHeld(it->second);
    return nullptr;
}

void ClientFile::renumber(std::string_view start, const bulk::Progress& progress) {
    backend_->renumber(start, progress);
    detail::RowStore* rows = clientsAfterBulkWrite();
    if (!rows) return;
    // The file now holds exactly these codes, in table order: the held rows take them too,
    // packed afresh so that the rows with the old codes do not stay behind.
    std::string code(start);
    std::vector<std::string_view> values(rows->columns.size());
    detail::Arena fresh;
    for (auto& blob : rows->rows) {
        if (!blob) continue;
        const detail::RowView view(blob);
        for (std::size_t c = 0; c < values.size(); ++c) values[c] = view.field(static_cast<int>(c));
        values[NO] = code;
        blob = detail::packInto(fresh, values);
        code = bulk::nextCode(code);
    }
    ++rows->generation;
    rows->replaceArena(std::move(fresh));
    rows->replaced();
    detail::releaseFreedMemory();
}

void ClientFile::clearClients(const bulk::Progress& progress, bool keepInHistory) {
    backend_->clearClients(progress, keepInHistory && backend_->keepsHistory()
                                         ? std::optional<std::string>(historyNow())
                                         : std::nullopt);
    detail::RowStore* rows = clientsAfterBulkWrite();
    if (!rows) return;
    for (auto& blob : rows->rows) blob = nullptr;
    rows->replaceArena(detail::Arena());
    rows->replaced();
    detail::releaseFreedMemory();
}

void ClientFile::appendClients(const std::vector<NewClient>& clients,
                               const bulk::Progress& progress) {
    appendClients(
        [&](const std::function<void(const NewClient&)>& add) {
            for (const auto& client : clients) add(client);
        },
        static_cast<long>(clients.size()), progress);
}

void ClientFile::appendClients(const ClientFeed& clients, long total,
                               const bulk::Progress& progress, const Updates& updates) {
    // Checked as they go in: one that cannot be stored undoes the whole transaction.
    const ClientFeed checked = [&](const std::function<void(const NewClient&)>& add) {
        clients([&](const NewClient& client) {
            for (std::size_t f = 0; f < client.size() && f < kFieldNames.size(); ++f)
                if (client[f] && !text::storable(*client[f]))
                    throw StoreError(ErrorKind::Unstorable, unstorable(kFieldNames[f]));
            add(client);
        });
    };
    std::optional<ClientUpdates> written;
    if (!updates.empty()) {
        // The rows the bookmarks are of, as they were read: never read again here, where a
        // bookmark could come to name another client; a client changed since is a conflict.
        const auto found = tables_.find(upper(kClientTable));
        if (found == tables_.end() || !found->second.rows)
            throw std::logic_error("ClientFile::appendClients: updates of clients not held");
        const auto& held = found->second.rows;
        if (!backend_->keepsHistory())
            throw StoreError(ErrorKind::Io,
                             where() + " 沒有保留紀錄的資料表，更新無法復原，所以沒有匯入。");
        written = ClientUpdates{held->shape(), historyNow(), {}};
        for (const auto& [row, values] : updates) {
            ClientUpdate u{held->rowids[row], {}, values};
            for (auto v : held->values(row)) u.original.emplace_back(v);
            for (const auto& [c, v] : values)
                if (!text::storable(v))
                    throw StoreError(ErrorKind::Unstorable,
                                     unstorable(kFieldNames[static_cast<std::size_t>(c)]));
            written->rows.push_back(std::move(u));
        }
    }
    backend_->appendClients(checked, total, progress, written ? &*written : nullptr);
    ++*writes_;
    // The held rows lack them: every open view reads them.
    auto it = tables_.find(upper(kClientTable));
    if (it != tables_.end() && it->second.rows) reloadHeld(it->second);
}

std::size_t ClientFile::heldBytes() const {
    std::size_t total = 0;
    for (const auto& [name, held] : tables_)
        if (held.rows) total += held.rows->bytes();
    return total;
}

void ClientFile::backup(const std::filesystem::path& target) {
    backend_->backup(target);
}

}  // namespace store

#include "store/rowstore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"

namespace store::detail {

char* Arena::allocate(std::size_t size) {
    if (size > kChunk / 4) {
        // A long remark gets a block of its own rather than wasting the rest of a chunk.
        chunks_.emplace_back(new char[size]);
        return chunks_.back().get();
    }
    if (size > left_) {
        chunks_.emplace_back(new char[kChunk]);
        next_ = chunks_.back().get();
        left_ = kChunk;
    }
    char* out = next_;
    next_ += size;
    left_ -= size;
    return out;
}

std::string_view RowView::field(int column) const {
    const auto* p = reinterpret_cast<const unsigned char*>(blob_);
    for (;;) {
        std::size_t len = 0;
        int shift = 0;
        unsigned char b;
        do {
            b = *p++;
            len |= static_cast<std::size_t>(b & 0x7F) << shift;
            shift += 7;
        } while (b & 0x80);
        if (column-- == 0) return {reinterpret_cast<const char*>(p), len};
        p += len;
    }
}

void Arena::adopt(Arena&& other) {
    for (auto& chunk : other.chunks_) chunks_.push_back(std::move(chunk));
    other.chunks_.clear();
    other.next_ = nullptr;
    other.left_ = 0;
}

namespace {

// Rows read into an arena of their own, so that two threads can read at once.
struct Part {
    Arena arena;
    RowIds rowids;
    std::vector<const char*> rows;
};

const char* packInto(Arena& arena, const std::vector<std::string_view>& values) {
    std::size_t size = 0;
    for (auto v : values) {
        size += v.size() + 1;
        for (std::size_t n = v.size() >> 7; n; n >>= 7) ++size;
    }
    char* blob = arena.allocate(size);
    auto* p = reinterpret_cast<unsigned char*>(blob);
    for (auto v : values) {
        std::size_t n = v.size();
        while (n >= 0x80) {
            *p++ = static_cast<unsigned char>(n | 0x80);
            n >>= 7;
        }
        *p++ = static_cast<unsigned char>(n);
        if (!v.empty()) std::memcpy(p, v.data(), v.size());
        p += v.size();
    }
    return blob;
}

// Steps `s` (row id, then the columns) to its end, packing each row into `part`; `stepped`
// when its first row is already there.
void readRows(Statement& s, std::size_t columns, Part& part, bool stepped = false) {
    std::vector<std::string_view> values(columns);
    for (bool more = stepped || s.step(); more; more = s.step()) {
        for (std::size_t c = 0; c < columns; ++c) values[c] = s.text(static_cast<int>(c) + 1);
        part.rowids.push_back(s.integer(0));
        part.rows.push_back(packInto(part.arena, values));
    }
}

}  // namespace

const char* RowStore::pack(const std::vector<std::string_view>& values) {
    ++generation;
    return packInto(arena, values);
}

void RowStore::replaced() {
    for (RecordSet* s : std::vector<RecordSet*>(sets)) s->rowsReplaced();
}

std::string RowStore::selectList() const {
    std::string list = rowid;
    for (const auto& c : columns) list += ", " + quoteName(c);
    return list;
}

std::shared_ptr<RowStore> RowStore::load(std::shared_ptr<Database> db, std::string_view table,
                                         const std::vector<std::string_view>& leading) {
    auto store = std::make_shared<RowStore>();
    store->db = db;
    {
        Statement s(*db, "SELECT name FROM sqlite_master WHERE type = 'table'");
        while (s.step())
            if (sameName(s.text(0), table)) store->table = std::string(s.text(0));
    }
    if (store->table.empty())
        throw StoreError(ErrorKind::NotClientFile,
                         db->path().string() + " 缺少資料表 " + std::string(table));

    store->rowid = rowidName(*db, store->table);
    if (store->rowid.empty())
        throw StoreError(ErrorKind::NotClientFile,
                         db->path().string() + ": " + noRowidReason(store->table));

    std::vector<std::string> stored;
    {
        Statement s(*db, "PRAGMA table_info(" + quoteName(store->table) + ")");
        while (s.step()) stored.emplace_back(s.text(1));
    }
    // The named columns come first in the given order, whatever order the file keeps them in;
    // the others follow as stored.
    std::vector<bool> used(stored.size(), false);
    for (auto want : leading) {
        for (std::size_t i = 0; i < stored.size(); ++i) {
            if (!used[i] && sameName(stored[i], want)) {
                used[i] = true;
                store->columns.push_back(stored[i]);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (!used[i]) store->columns.push_back(stored[i]);

    store->readAll();
    return store;
}

void RowStore::readAll() {
    const std::string select = "SELECT " + selectList() + " FROM " + quoteName(table);
    int64_t low = 0, high = 0;
    {
        Statement span(*db,
                       "SELECT min(" + rowid + "), max(" + rowid + ") FROM " + quoteName(table));
        if (span.step()) low = span.integer(0), high = span.integer(1);
    }
    // The span of row ids bounds the count: reserved once, the vectors are never copied while
    // they grow (pages never touched cost nothing).
    const auto span = static_cast<std::size_t>(std::max<int64_t>(high - low + 1, 0));
    Part lower, upper;
    lower.rows.reserve(span);
    if (high - low < parallelLoadFrom) {
        Statement s(*db, select + " ORDER BY " + rowid);
        readRows(s, columns.size(), lower);
    } else {
        // A read transaction: while this connection holds the file, no program can commit, so
        // both halves come from the same state of the file.
        const int64_t middle = low + (high - low) / 2;
        upper.rows.reserve(span - span / 2);
        db->exec("BEGIN");
        struct EndRead {
            Database& db;
            ~EndRead() { sqlite3_exec(db.handle(), "COMMIT", nullptr, nullptr, nullptr); }
        } endRead{*db};
        auto readUpper = [&](const Database& from) {
            Statement t(from, select + " WHERE " + rowid + " > ? ORDER BY " + rowid);
            t.bind(1, middle);
            readRows(t, columns.size(), upper);
        };
        bool upperRead = false;
        {
            Statement s(*db, select + " WHERE " + rowid + " <= ? ORDER BY " + rowid);
            s.bind(1, middle);
            const bool first = s.step();  // from here the file is held
            std::thread second([&] {
                try {
                    // A short wait: a program waiting to write blocks a second reader.
                    readUpper(*Database::open(db->path(), OpenOptions{200, true}));
                    upperRead = true;
                } catch (const std::exception&) {
                    upper = Part{};  // read here instead, below
                }
            });
            struct Join {
                std::thread& t;
                ~Join() { t.join(); }
            } join{second};
            if (first) readRows(s, columns.size(), lower, true);
        }
        if (!upperRead) readUpper(*db);
    }
    rowids = std::move(lower.rowids);
    rows = std::move(lower.rows);
    rowids.append(upper.rowids);
    rows.insert(rows.end(), upper.rows.begin(), upper.rows.end());
    arena.adopt(std::move(lower.arena));
    arena.adopt(std::move(upper.arena));
    ++generation;
}

}  // namespace store::detail

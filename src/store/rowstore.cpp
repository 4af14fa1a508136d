#include "store/rowstore.h"

#include <cstring>

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

const char* RowStore::pack(const std::vector<std::string_view>& values) {
    ++generation;
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

    Statement s(*db, "SELECT " + store->selectList() + " FROM " + quoteName(store->table) +
                         " ORDER BY " + store->rowid);
    std::vector<std::string_view> values(store->columns.size());
    while (s.step()) {
        for (std::size_t c = 0; c < values.size(); ++c) values[c] = s.text(static_cast<int>(c) + 1);
        store->rowids.push_back(s.integer(0));
        store->rows.push_back(store->pack(values));
    }
    return store;
}

}  // namespace store::detail

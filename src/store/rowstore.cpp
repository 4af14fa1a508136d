#include "store/rowstore.h"

#include <algorithm>
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

void Arena::adopt(Arena&& other) {
    for (auto& chunk : other.chunks_) chunks_.push_back(std::move(chunk));
    other.chunks_.clear();
    other.next_ = nullptr;
    other.left_ = 0;
}

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

const char* RowStore::pack(const std::vector<std::string_view>& values) {
    ++generation;
    return packInto(arena, values);
}

const char* RowStore::pack(const std::vector<std::string>& values) {
    return pack(std::vector<std::string_view>(values.begin(), values.end()));
}

void RowStore::replaced() {
    for (RecordSet* s : std::vector<RecordSet*>(sets)) s->rowsReplaced();
}

std::string RowStore::selectList() const {
    std::string list = rowid;
    for (const auto& c : stored) list += ", " + quoteName(c);
    return list;
}

std::shared_ptr<RowStore> RowStore::load(std::shared_ptr<Backend> backend, std::string_view table,
                                         const std::vector<std::string_view>& leading) {
    auto store = std::make_shared<RowStore>();
    store->backend = backend;
    store->table = backend->tableName(table);
    if (store->table.empty())
        throw StoreError(ErrorKind::NotClientFile,
                         backend->where() + " 缺少資料表 " + std::string(table));
    store->rowid = backend->rowAddress(store->table);

    const std::vector<std::string> stored = backend->columnsOf(store->table);
    // The named columns come first in the given order and under the given names, whatever order
    // and letter case the table keeps; the others follow as stored.
    std::vector<bool> used(stored.size(), false);
    for (auto want : leading) {
        for (std::size_t i = 0; i < stored.size(); ++i) {
            if (!used[i] && sameName(stored[i], want)) {
                used[i] = true;
                store->columns.emplace_back(want);
                store->stored.push_back(stored[i]);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (!used[i]) store->columns.push_back(stored[i]), store->stored.push_back(stored[i]);

    backend->readAll(*store);
    ++store->generation;
    return store;
}

}  // namespace store::detail

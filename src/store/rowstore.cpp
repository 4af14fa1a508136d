#include "store/rowstore.h"

#include <algorithm>
#include <cstring>
#include <new>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

#include "store/errors.h"
#include "store/fields.h"
#include "store/recordset.h"

namespace store::detail {

void Arena::Free::operator()(char* block) const {
#ifdef __linux__
    munmap(block, size);
#else
    delete[] block;
#endif
}

std::unique_ptr<char[], Arena::Free> Arena::block(std::size_t size) {
#ifdef __linux__
    void* got = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (got == MAP_FAILED) throw std::bad_alloc();
    return {static_cast<char*>(got), Free{size}};
#else
    return {new char[size], Free{size}};
#endif
}

char* Arena::allocate(std::size_t size) {
    if (size > kChunk / 4) {
        // A long remark gets a block of its own rather than wasting the rest of a chunk.
        bytes_ += size;
        chunks_.push_back(block(size));
        return chunks_.back().get();
    }
    if (size > left_) {
        chunks_.push_back(block(kChunk));
        bytes_ += kChunk;
        next_ = chunks_.back().get();
        left_ = kChunk;
    }
    char* out = next_;
    next_ += size;
    left_ -= size;
    return out;
}

namespace {

// The packed text at `p` (its length, 7 bits a byte, then its bytes); `p` moves past it.
std::string_view unpack(const unsigned char*& p) {
    std::size_t len = 0;
    int shift = 0;
    unsigned char b;
    do {
        b = *p++;
        len |= static_cast<std::size_t>(b & 0x7F) << shift;
        shift += 7;
    } while (b & 0x80);
    const std::string_view text(reinterpret_cast<const char*>(p), len);
    p += len;
    return text;
}

}  // namespace

std::string_view RowView::field(int column) const {
    const auto* p = reinterpret_cast<const unsigned char*>(blob_);
    for (; column > 0; --column) unpack(p);
    return unpack(p);
}

void Arena::adopt(Arena&& other) {
    for (auto& chunk : other.chunks_) chunks_.push_back(std::move(chunk));
    other.chunks_.clear();
    other.next_ = nullptr;
    other.left_ = 0;
    bytes_ += other.bytes_;
    other.bytes_ = 0;
}

std::vector<std::string_view> RowView::values(std::size_t count) const {
    std::vector<std::string_view> out;
    out.reserve(count);
    const auto* p = reinterpret_cast<const unsigned char*>(blob_);
    while (out.size() < count) out.push_back(unpack(p));
    return out;
}

void RowView::values(std::span<std::string_view> out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(blob_);
    for (auto& v : out) v = unpack(p);
}

namespace {

// The rows of a load, part by part: each part packs into an arena of its own, so that parts can
// be filled at once on several threads.
class LoadParts final : public RowParts {
  public:
    RowSink& part(std::size_t expected) override {
        parts_.push_back(std::make_unique<Part>());
        parts_.back()->rows.reserve(expected);  // reserved once: never copied while it grows
        return *parts_.back();
    }
    // The rows, in row order, into `store`.
    void into(RowStore& store) {
        for (auto& part : parts_) {
            if (store.rows.empty()) {
                store.rowids = std::move(part->rowids);
                store.rows = std::move(part->rows);
            } else {
                store.rowids.append(part->rowids);
                store.rows.insert(store.rows.end(), part->rows.begin(), part->rows.end());
            }
            store.arena.adopt(std::move(part->arena));
        }
        parts_.clear();
        // A server's table scan gives rows in the order they were written, nearly always row
        // order; otherwise they are put in it.
        bool ordered = true;
        for (std::size_t i = 1; i < store.rows.size() && ordered; ++i)
            ordered = store.rowids[i - 1] < store.rowids[i];
        if (ordered) return;
        std::vector<std::pair<int64_t, const char*>> byId(store.rows.size());
        for (std::size_t i = 0; i < byId.size(); ++i) byId[i] = {store.rowids[i], store.rows[i]};
        std::sort(byId.begin(), byId.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        store.rowids = RowIds();
        for (std::size_t i = 0; i < byId.size(); ++i) {
            store.rowids.push_back(byId[i].first);
            store.rows[i] = byId[i].second;
        }
    }

  private:
    struct Part final : RowSink {
        Arena arena;
        RowIds rowids;
        std::vector<const char*> rows;
        void row(int64_t id, RowValues values) override {
            rowids.push_back(id);
            rows.push_back(packInto(arena, values));
        }
        void restart() override {
            arena = Arena();
            rowids = RowIds();
            rows.clear();
        }
    };
    std::vector<std::unique_ptr<Part>> parts_;
};

}  // namespace

const char* packInto(Arena& arena, RowValues values) {
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

void RowStore::replaceArena(Arena&& fresh) {
    const bool editing =
        std::any_of(sets.begin(), sets.end(), [](const RecordSet* s) { return s->editing(); });
    if (editing)
        retired.push_back(std::move(arena));
    else
        retired.clear();
    arena = std::move(fresh);
}

void releaseFreedMemory() {
#ifdef __GLIBC__
    // The sort entries and row lists of a large change are freed into the allocator's lists,
    // which keep them resident; the system gets them back.
    malloc_trim(0);
#endif
}

std::size_t RowStore::bytes() const {
    std::size_t total = arena.bytes();
    for (const Arena& a : retired) total += a.bytes();
    return total;
}

std::optional<uint32_t> RowStore::find(int64_t id) const {
    // Rows are read in the order of their addresses; a row added since sits after them.
    std::size_t low = 0, high = rowids.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        rowids[mid] < id ? low = mid + 1 : high = mid;
    }
    if (low < rowids.size() && rowids[low] == id) return static_cast<uint32_t>(low);
    for (std::size_t i = rowids.size(); i-- > 0;)
        if (rowids[i] == id) return static_cast<uint32_t>(i);
    return std::nullopt;
}

bool RowStore::takeRows(RowStore& fresh) {
    if (fresh.columns != columns || fresh.stored != stored) return false;
    struct Place {
        RecordSet* set;
        std::optional<int64_t> current, edited;
    };
    std::vector<Place> places;
    for (RecordSet* s : sets) {
        Place p{s, {}, {}};
        if (s->hasCurrent() && !s->adding())
            p.current = rowids[s->order_[std::size_t(s->pos_ - 1)]];
        if (s->edit_ && !s->edit_->adding) p.edited = rowids[s->edit_->row];
        places.push_back(p);
    }
    replaceArena(std::move(fresh.arena));
    rows = std::move(fresh.rows);
    rowids = std::move(fresh.rowids);
    ++generation;
    sortedBy.clear();
    for (const Place& p : places) {
        std::optional<uint32_t> edited;
        if (p.edited) {
            edited = find(*p.edited);
            if (!edited) {  // deleted meanwhile: a gone row, so that the save says so
                rows.push_back(nullptr);
                rowids.push_back(*p.edited);
                edited = static_cast<uint32_t>(rows.size() - 1);
            }
        }
        p.set->rowsReloaded(p.current ? find(*p.current) : std::nullopt, edited);
    }
    return true;
}

namespace {

// The table's columns, without its rows.
std::shared_ptr<RowStore> describe(std::shared_ptr<Backend> backend, std::string_view table,
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
    return store;
}

}  // namespace

std::shared_ptr<RowStore> RowStore::load(std::shared_ptr<Backend> backend, std::string_view table,
                                         const std::vector<std::string_view>& leading) {
    auto store = describe(backend, table, leading);
    LoadParts parts;
    backend->readAll(store->shape(), parts);
    parts.into(*store);
    ++store->generation;
    return store;
}

std::shared_ptr<RowStore> RowStore::loadFirst(std::shared_ptr<Backend> backend,
                                              std::string_view table,
                                              const std::vector<std::string_view>& leading,
                                              std::string_view column, std::size_t count) {
    auto store = describe(backend, table, leading);
    const auto at = std::find_if(store->columns.begin(), store->columns.end(),
                                 [&](const std::string& c) { return sameName(c, column); });
    if (at == store->columns.end()) return nullptr;
    struct Sink final : RowSink {
        RowStore& into;
        explicit Sink(RowStore& store) : into(store) {}
        void row(int64_t id, RowValues values) override {
            into.rowids.push_back(id);
            into.rows.push_back(packInto(into.arena, values));
        }
        void restart() override {}  // one read on one thread
    } sink(*store);
    if (!backend->readFirst(store->shape(), static_cast<int>(at - store->columns.begin()), count,
                            sink))
        return nullptr;
    ++store->generation;
    return store;
}

}  // namespace store::detail

namespace store {

std::vector<int> writtenColumns(const ColumnValues& values) {
    std::vector<int> columns;
    for (const auto& [c, v] : values) columns.push_back(c);
    return columns;
}

std::vector<int> everyColumn(const TableShape& table) {
    std::vector<int> columns(table.columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) columns[c] = static_cast<int>(c);
    return columns;
}

}  // namespace store

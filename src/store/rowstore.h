#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/backend.h"
#include "store/expression.h"

namespace store {
class RecordSet;
}

namespace store::detail {

// Row texts packed one after another in large chunks: per column a length (7 bits a byte) and
// the bytes. A snapshot of a million clients then costs little more than its text.
class Arena {
  public:
    char* allocate(std::size_t size);
    // Takes over the other arena's blocks (its texts stay where they are).
    void adopt(Arena&& other);
    // The bytes its blocks take.
    std::size_t bytes() const { return bytes_; }

  private:
    static constexpr std::size_t kChunk = 1 << 20;
    // Blocks are taken from the system and given back to it when freed, so that rows let go (a
    // renumber's old codes, a reload's old rows) leave the process, not the allocator's lists.
    struct Free {
        std::size_t size;
        void operator()(char* block) const;
    };
    static std::unique_ptr<char[], Free> block(std::size_t size);
    std::vector<std::unique_ptr<char[], Free>> chunks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t bytes_ = 0;
};

class RowView final : public FieldSource {
  public:
    explicit RowView(const char* blob) : blob_(blob) {}
    std::string_view field(int column) const override;
    // The first `count` values, in order.
    std::vector<std::string_view> values(std::size_t count) const;
    void values(std::span<std::string_view> out) const;

  private:
    const char* blob_;
};

// The row ids of a table's rows in their order. Ids are mostly consecutive (SQLite gives each new
// row the next one), so a run from the first is kept as its start and length; only ids after
// the first gap take room.
class RowIds {
  public:
    int64_t operator[](std::size_t i) const {
        return i < run_ ? first_ + static_cast<int64_t>(i) : rest_[i - run_];
    }
    std::size_t size() const { return run_ + rest_.size(); }
    void push_back(int64_t id) {
        if (run_ == 0) first_ = id;
        if (rest_.empty() && id == first_ + static_cast<int64_t>(run_))
            ++run_;
        else
            rest_.push_back(id);
    }
    void pop_back() { rest_.empty() ? void(--run_) : rest_.pop_back(); }
    void append(const RowIds& other) {
        for (std::size_t i = 0; i < other.size(); ++i) push_back(other[i]);
    }

  private:
    int64_t first_ = 0;
    std::size_t run_ = 0;
    std::vector<int64_t> rest_;
};

struct RowStore;

// Gives memory freed after a change of many rows (a renumber, a reload, a clear) back to the
// system.
void releaseFreedMemory();

// Packs a row's values into the arena (see Arena).
const char* packInto(Arena& arena, RowValues values);

// The rows of one table, shared by a record set and its clones. Rows keep their index for life
// (a deleted row leaves an empty slot), so an index is a bookmark.
struct RowStore {
    std::shared_ptr<Backend> backend;
    std::string table;                 // the name as stored
    std::string rowid;                 // the name that addresses its rows (see rowAddress)
    std::vector<std::string> columns;  // the names shown, in record-set order
    std::vector<std::string> stored;   // the same columns' names as stored
    std::vector<const char*> rows;     // nullptr for a deleted row
    RowIds rowids;
    std::vector<RecordSet*> sets;  // the record sets over these rows
    Arena arena;

    // Every row sorted by one field, kept for the next sort by it (a list sorted again after a
    // reload, another window sorting the same way): valid while `generation` is unchanged.
    // Rows deleted since are simply skipped; any new or changed row makes a new generation.
    struct Sorted {
        int column = -1;
        bool descending = false;
        uint64_t generation = 0;
        std::vector<uint32_t> order;
    };
    uint64_t generation = 1;       // changes whenever a row's values are packed
    std::vector<Sorted> sortedBy;  // the most recent first, at most kSortsKept
    static constexpr std::size_t kSortsKept = 2;

    // The `leading` columns come first, shown under those names, the others after them.
    static std::shared_ptr<RowStore> load(std::shared_ptr<Backend> backend, std::string_view table,
                                          const std::vector<std::string_view>& leading);
    // Only the first `count` rows of the table in the order of `column`, as a large table's first
    // screen (see Backend::readFirst); nothing when the backend cannot give them sooner than the
    // whole table. A store of its own, never written through.
    static std::shared_ptr<RowStore> loadFirst(std::shared_ptr<Backend> backend,
                                               std::string_view table,
                                               const std::vector<std::string_view>& leading,
                                               std::string_view column, std::size_t count);

    const char* pack(const std::vector<std::string_view>& values);
    const char* pack(const std::vector<std::string>& values);

    // Writes to the file through any row store of one open client file are counted, so that it
    // can tell whether this store still holds all of them (see ClientFile::records).
    std::shared_ptr<uint64_t> fileWrites;  // shared by the file's stores; none for a lone store
    uint64_t writesAtLoad = 0;             // the count when these rows were read
    uint64_t ownWrites = 0;                // writes made through this store since
    void wrote() {
        ++ownWrites;
        if (fileWrites) ++*fileWrites;
    }
    bool holdsEveryWrite() const { return !fileWrites || *fileWrites - writesAtLoad == ownWrites; }
    // After a change of the rows as a whole: every record set over them starts again.
    void replaced();
    // The rows now live in `fresh`: the earlier texts go at once, unless a pending edit still
    // reads what it began with (then they go at the next change once no edit is pending).
    void replaceArena(Arena&& fresh);
    // The bytes the rows' texts take, the earlier ones still kept included.
    std::size_t bytes() const;
    // Takes the rows of `fresh`, the same table read again, in place of its own: every record set
    // over them keeps its filter and sort and stands on the row it stood on, where that row is
    // still there, and a pending edit keeps what it read. False, nothing changed, when the
    // table's columns changed meanwhile.
    bool takeRows(RowStore& fresh);
    // The place of the row with this address, if held.
    std::optional<uint32_t> find(int64_t id) const;
    std::vector<Arena> retired;  // earlier rows, which a pending edit still reads
    int64_t othersAt = 0;        // the backend's count of others' changes when these were read
    bool stale = false;          // another program changed the table since
    bool followsOthers = false;  // an open file's rows, which watch for others' changes
    std::shared_ptr<std::function<void()>> onStale;  // told when `stale` is found
    RowView row(uint32_t index) const { return RowView(rows[index]); }
    // The table as its backend reads and writes it.
    TableShape shape() const { return {table, stored, rowid}; }
    // A row's values as its backend takes them.
    std::vector<std::string_view> values(uint32_t index) const {
        return RowView(rows[index]).values(stored.size());
    }
};

}  // namespace store::detail

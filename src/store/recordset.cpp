#include "store/recordset.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

#include "store/dates.h"
#include "store/errors.h"
#include "store/fields.h"
#include "store/longwork.h"
#include "store/rowstore.h"
#include "store/text.h"

namespace store {
namespace {

// From this many rows on, a sort uses both of a machine's cores: each half built and sorted on a
// thread of its own, then merged.
constexpr std::size_t kTwoThreadsFrom = 100000;

// Runs work(begin, end) over [0, n), the first half on a second thread for a large n; the first
// exception either half throws reaches the caller.
template <class Work>
void inTwoHalves(std::size_t n, const Work& work) {
    if (n < kTwoThreadsFrom) {
        work(std::size_t{0}, n);
        return;
    }
    std::exception_ptr failed;
    std::thread first([&] {
        try {
            work(std::size_t{0}, n / 2);
        } catch (...) {
            failed = std::current_exception();
        }
    });
    try {
        work(n / 2, n);
    } catch (...) {
        first.join();
        throw;
    }
    first.join();
    if (failed) std::rethrow_exception(failed);
}

// Sorts the entries and gives their rows in that order to `order` (as long as they): each half
// sorted on a thread of its own, then merged straight into `order`, which needs no more room.
template <class Entry, class Less>
void sortIntoOrder(std::vector<Entry>& entries, const Less& less, std::vector<Bookmark>& order) {
    const std::size_t n = entries.size();
    inTwoHalves(n, [&](std::size_t begin, std::size_t end) {
        std::sort(entries.begin() + static_cast<long>(begin),
                  entries.begin() + static_cast<long>(end), less);
    });
    if (n < kTwoThreadsFrom) {
        for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
        return;
    }
    std::size_t a = 0, b = n / 2, out = 0;
    while (a < n / 2 && b < n)
        order[out++] = less(entries[b], entries[a]) ? entries[b++].row : entries[a++].row;
    while (a < n / 2) order[out++] = entries[a++].row;
    while (b < n) order[out++] = entries[b++].row;
}

// A row's sort key: its first eight bytes as a number, the rest (if any) kept apart.
struct SortEntry {
    uint64_t prefix;
    const char* rest;
    uint32_t restLength;
    Bookmark row;
};

// Sorts one column whose texts hold only letters, digits, blanks and - . / : for those the
// collation order is the byte order of the lower-cased text, so no collation keys are needed.
// Each entry carries its first eight lower-cased bytes as a number, so that nearly every
// comparison is one of two numbers held in the entries rather than a walk into the rows, which
// lie all over memory when the file is not stored in this order. False when the column holds
// anything else.
bool sortSimpleColumn(std::vector<Bookmark>& order, const detail::RowStore& rows, SortKey key) {
    struct Entry {
        uint64_t prefix;
        const char* text;
        uint32_t length;
        Bookmark row;
    };
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (Bookmark row : order) {
        std::string_view v = rows.row(row).field(key.column);
        if (!text::isSimpleAscii(v)) return false;
        uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b) {
            unsigned char c = b < v.size() ? static_cast<unsigned char>(v[b]) : 0;
            if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
            prefix = (prefix << 8) | c;
        }
        entries.push_back({prefix, v.data(), static_cast<uint32_t>(v.size()), row});
    }
    // The texts hold no zero byte, so equal prefixes of texts both within eight bytes are
    // equal texts.
    auto compare = [](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
        if (a.length <= 8 && b.length <= 8) return 0;
        return text::compareSimpleAscii({a.text, a.length}, {b.text, b.length});
    };
    auto less = [&](const Entry& a, const Entry& b) {
        int c = compare(a, b);
        return c != 0 ? c < 0 : a.row < b.row;
    };
    auto greater = [&](const Entry& a, const Entry& b) {
        int c = compare(a, b);
        return c != 0 ? c > 0 : a.row < b.row;
    };
    // A list kept in code order is usually stored that way already.
    if (key.descending ? !std::is_sorted(entries.begin(), entries.end(), greater)
                       : !std::is_sorted(entries.begin(), entries.end(), less))
        key.descending ? sortIntoOrder(entries, greater, order)
                       : sortIntoOrder(entries, less, order);
    else
        for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].row;
    return true;
}

void sortUncached(std::vector<Bookmark>& order, const detail::RowStore& rows,
                  const std::vector<SortKey>& keys);

// Sorts `order` by one key through the rows' kept sorted orders: the whole table is sorted once
// per field and direction, and each later sort by it keeps the rows of `order` in that order.
// False when no kept order serves and `order` is too small a part of the table to sort it all.
bool sortByKeptOrder(std::vector<Bookmark>& order, detail::RowStore& rows, SortKey key) {
    auto& kept = rows.sortedBy;
    auto it = std::find_if(kept.begin(), kept.end(), [&](const detail::RowStore::Sorted& s) {
        return s.column == key.column && s.descending == key.descending &&
               s.generation == rows.generation;
    });
    if (it == kept.end()) {
        if (order.size() * 4 < rows.rows.size()) return false;  // a small part sorts faster alone
        detail::RowStore::Sorted sorted{key.column, key.descending, rows.generation, {}};
        for (Bookmark r = 0; r < rows.rows.size(); ++r)
            if (rows.rows[r]) sorted.order.push_back(r);
        sortUncached(sorted.order, rows, {key});
        kept.insert(kept.begin(), std::move(sorted));
        if (kept.size() > detail::RowStore::kSortsKept) kept.pop_back();
        it = kept.begin();
    }
    std::vector<char> member(rows.rows.size(), 0);
    for (Bookmark r : order) member[r] = 1;
    std::vector<Bookmark> sorted;
    sorted.reserve(order.size());
    for (Bookmark r : it->order)
        if (member[r]) sorted.push_back(r);
    if (sorted.size() != order.size()) return false;  // a row the kept order never saw
    order = std::move(sorted);
    return true;
}

// Sorts by binary collation keys: each key is built once per row, and a descending key is the
// bitwise complement of the ascending one. Ties keep table order (the bookmark order).
void sortRows(std::vector<Bookmark>& order, detail::RowStore& rows,
              const std::vector<SortKey>& keys) {
    if (keys.empty()) {
        std::sort(order.begin(), order.end());
        return;
    }
    if (keys.size() == 1 && sortByKeptOrder(order, rows, keys[0])) return;
    sortUncached(order, rows, keys);
}

void sortUncached(std::vector<Bookmark>& order, const detail::RowStore& rows,
                  const std::vector<SortKey>& keys) {
    auto isDate = [&](const SortKey& key) {
        return dates::isDateField(rows.columns[static_cast<std::size_t>(key.column)]);
    };
    // Dates are plain ASCII too, but their order is by day, not by text.
    if (keys.size() == 1 && !isDate(keys[0]) && sortSimpleColumn(order, rows, keys[0])) return;
    // The keys' tails go into chunks that never move: a growing buffer would hold its old and
    // new copies at once, the peak of the whole sort on a large table. One set of chunks for
    // each half, which its own thread fills.
    detail::Arena tails[2];
    std::vector<SortEntry> entries(order.size());
    inTwoHalves(order.size(), [&](std::size_t begin, std::size_t end) {
        detail::Arena& mine = tails[begin == 0 ? 0 : 1];
        std::string key;
        for (std::size_t i = begin; i < end; ++i) {
            key.clear();
            detail::RowView row = rows.row(order[i]);
            for (const SortKey& k : keys) {
                std::size_t from = key.size();
                if (isDate(k))
                    dates::appendSortKey(row.field(k.column), key);
                else
                    text::appendSortKey(row.field(k.column), key);
                if (k.descending)
                    for (std::size_t b = from; b < key.size(); ++b)
                        key[b] = static_cast<char>(~static_cast<unsigned char>(key[b]));
            }
            uint64_t prefix = 0;
            for (std::size_t b = 0; b < 8; ++b)
                prefix = (prefix << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
            const std::size_t restLength = key.size() > 8 ? key.size() - 8 : 0;
            char* rest = restLength ? mine.allocate(restLength) : nullptr;
            if (restLength) std::memcpy(rest, key.data() + 8, restLength);
            entries[i] = {prefix, rest, static_cast<uint32_t>(restLength), order[i]};
        }
    });
    sortIntoOrder(
        entries,
        [](const SortEntry& a, const SortEntry& b) {
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            const uint32_t common = std::min(a.restLength, b.restLength);
            const int c = common ? std::memcmp(a.rest, b.rest, common) : 0;
            if (c != 0) return c < 0;
            if (a.restLength != b.restLength) return a.restLength < b.restLength;
            return a.row < b.row;
        },
        order);
}

}  // namespace

RecordSet::RecordSet(std::shared_ptr<detail::RowStore> rows) : rows_(std::move(rows)) {
    rows_->sets.push_back(this);
    order_.reserve(rows_->rows.size());
    for (Bookmark r = 0; r < rows_->rows.size(); ++r)
        if (rows_->rows[r]) order_.push_back(r);
}

RecordSet::~RecordSet() {
    auto& sets = rows_->sets;
    sets.erase(std::remove(sets.begin(), sets.end(), this), sets.end());
}

std::unique_ptr<RecordSet> RecordSet::open(std::shared_ptr<Database> db, std::string_view table,
                                           const std::vector<std::string_view>& leading) {
    return std::unique_ptr<RecordSet>(
        new RecordSet(detail::RowStore::load(sqliteBackend(std::move(db)), table, leading)));
}

std::unique_ptr<RecordSet> RecordSet::openClients(std::shared_ptr<Database> db) {
    return open(std::move(db), kClientTable, {kFieldNames.begin(), kFieldNames.end()});
}

std::unique_ptr<RecordSet> RecordSet::over(std::shared_ptr<detail::RowStore> rows) {
    return std::unique_ptr<RecordSet>(new RecordSet(std::move(rows)));
}

std::unique_ptr<RecordSet> RecordSet::ofRows(const std::vector<std::string>& columns,
                                             const std::vector<std::vector<std::string>>& rows) {
    auto store = std::make_shared<detail::RowStore>();
    store->columns = store->stored = columns;
    for (const auto& row : rows) {
        std::vector<std::string> values = row;
        values.resize(columns.size());
        store->rowids.push_back(static_cast<int64_t>(store->rows.size()) + 1);
        store->rows.push_back(store->pack(values));
    }
    return over(std::move(store));
}

void RecordSet::rowsReplaced() {
    rebuild(filterExpr_, parseSort(sortText_, rows_->columns));
    pos_ = 1;
    // A pending change stays on its record (an added one stays after the last).
    if (edit_ && edit_->adding) edit_->returnTo = 1;
    if (edit_ && !edit_->adding) {
        auto it = std::find(order_.begin(), order_.end(), edit_->row);
        if (it != order_.end()) pos_ = static_cast<long>(it - order_.begin()) + 1;
    }
    notify(Change::Reset);
}

void RecordSet::rowsReloaded(std::optional<Bookmark> current, std::optional<Bookmark> edited) {
    if (edit_ && !edit_->adding && edited) edit_->row = *edited;
    rebuild(filterExpr_, parseSort(sortText_, rows_->columns));
    pos_ = 1;
    if (const auto row = edit_ && !edit_->adding ? edited : current) {
        auto it = std::find(order_.begin(), order_.end(), *row);
        if (it != order_.end()) pos_ = static_cast<long>(it - order_.begin()) + 1;
    }
    if (edit_ && edit_->adding) edit_->returnTo = pos_;
    notify(Change::Reset);
}

std::unique_ptr<RecordSet> RecordSet::clone() const {
    return std::unique_ptr<RecordSet>(new RecordSet(rows_));
}

std::unique_ptr<RecordSet> RecordSet::cloneView() const {
    auto copy = clone();
    copy->filterExpr_ = Expression::parse(filterText_, rows_->columns);
    copy->filterText_ = filterText_;
    copy->sortText_ = sortText_;
    copy->order_ = order_;
    return copy;
}

int RecordSet::fieldCount() const {
    return static_cast<int>(rows_->columns.size());
}

const std::string& RecordSet::fieldName(int column) const {
    return rows_->columns.at(static_cast<std::size_t>(column));
}

int RecordSet::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < rows_->columns.size(); ++i)
        if (sameName(rows_->columns[i], name)) return static_cast<int>(i);
    return -1;
}

long RecordSet::recordCount() const {
    return rowCount() + (adding() ? 1 : 0);
}

long RecordSet::absolutePosition() const {
    if (adding()) return recordCount();
    if (pos_ < 1) return kBeforeFirst;
    if (pos_ > rowCount()) return kAfterLast;
    return pos_;
}

bool RecordSet::bof() const {
    return !adding() && (pos_ < 1 || rowCount() == 0);
}

bool RecordSet::eof() const {
    return !adding() && (pos_ > rowCount() || rowCount() == 0);
}

void RecordSet::requireNoEdit() const {
    if (edit_)
        throw StoreError(ErrorKind::PendingEdit,
                         "目前的記錄還沒有存檔或取消，不能移動或變更顯示。");
}

void RecordSet::setPosition(long position) {
    pos_ = std::clamp(position, 0L, rowCount() + 1);
    followOthers();
    notify(Change::CurrentMoved);
}

void RecordSet::followOthers() {
    auto& rows = *rows_;
    if (!rows.followsOthers || !hasCurrent()) return;
    try {
        if (!rows.stale) {
            if (rows.backend->othersChanges() == rows.othersAt) return;
            rows.stale = true;
            if (rows.onStale && *rows.onStale) (*rows.onStale)();
        }
        // The rows are older than the table: the record moved to is read again before it shows.
        const Bookmark row = order_[static_cast<std::size_t>(pos_ - 1)];
        std::vector<std::string> now;
        if (!rows.backend->read(rows.shape(), rows.rowids[row], now)) {
            rows.rows[row] = nullptr;
            for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowDeleted(row);
            return;
        }
        const detail::RowView held = rows.row(row);
        for (std::size_t c = 0; c < now.size(); ++c) {
            if (held.field(static_cast<int>(c)) == now[c]) continue;
            rows.rows[row] = rows.pack(now);
            for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(row, false, this);
            return;
        }
    } catch (const StoreError&) {
        // The file or server cannot be read now: the record shows as held.
    }
}

void RecordSet::moveFirst() {
    requireNoEdit();
    setPosition(1);
}

void RecordSet::moveLast() {
    requireNoEdit();
    setPosition(rowCount() > 0 ? rowCount() : 1);
}

void RecordSet::moveNext() {
    requireNoEdit();
    setPosition(pos_ > rowCount() ? pos_ : pos_ + 1);
}

void RecordSet::movePrevious() {
    requireNoEdit();
    setPosition(pos_ < 1 ? pos_ : pos_ - 1);
}

void RecordSet::move(long offset) {
    requireNoEdit();
    setPosition(pos_ + offset);
}

void RecordSet::setAbsolutePosition(long position) {
    requireNoEdit();
    setPosition(position);
}

Bookmark RecordSet::bookmark() const {
    if (!hasCurrent() || adding()) throw StoreError(ErrorKind::NoCurrentRecord, "沒有目前的記錄。");
    return order_[static_cast<std::size_t>(pos_ - 1)];
}

bool RecordSet::setBookmark(Bookmark mark) {
    requireNoEdit();
    auto it = std::find(order_.begin(), order_.end(), mark);
    if (it == order_.end()) return false;
    setPosition(static_cast<long>(it - order_.begin()) + 1);
    return true;
}

bool RecordSet::find(std::string_view criterion) {
    requireNoEdit();
    Expression e = Expression::parse(criterion, rows_->columns);
    for (long i = std::max(pos_, 1L) - 1; i < rowCount(); ++i) {
        if (e.matches(rows_->row(order_[static_cast<std::size_t>(i)]))) {
            setPosition(i + 1);
            return true;
        }
    }
    setPosition(rowCount() + 1);
    return false;
}

void RecordSet::rebuild(const Expression& filter, const std::vector<SortKey>& sort) {
    std::vector<Bookmark> order;
    runLong([&] {
        order.reserve(filter.empty() ? rows_->rows.size() : 0);
        for (Bookmark r = 0; r < rows_->rows.size(); ++r)
            if (rows_->rows[r] && filter.matches(rows_->row(r))) order.push_back(r);
        sortRows(order, *rows_, sort);
    });
    order_ = std::move(order);
}

void RecordSet::setFilter(std::string_view expression) {
    requireNoEdit();
    Expression e = Expression::parse(expression, rows_->columns);
    rebuild(e, parseSort(sortText_, rows_->columns));
    filterExpr_ = std::move(e);
    filterText_ = filterExpr_.empty() ? std::string() : std::string(expression);
    pos_ = 1;
    notify(Change::Reset);
}

void RecordSet::setSort(std::string_view expression) {
    requireNoEdit();
    std::vector<SortKey> keys = parseSort(expression, rows_->columns);
    std::vector<Bookmark> order = order_;
    runLong([&] { sortRows(order, *rows_, keys); });
    order_ = std::move(order);
    sortText_ = keys.empty() ? std::string() : std::string(expression);
    pos_ = 1;
    notify(Change::Reset);
}

std::string_view RecordSet::value(int column) const {
    if (column < 0 || column >= fieldCount()) return {};
    if (edit_) {
        const auto& pending = edit_->values[static_cast<std::size_t>(column)];
        if (pending) return *pending;
        if (edit_->adding) return {};
        return detail::RowView(edit_->original).field(column);
    }
    if (!hasCurrent()) return {};
    return rows_->row(order_[static_cast<std::size_t>(pos_ - 1)]).field(column);
}

std::string_view RecordSet::value(std::string_view name) const {
    return value(fieldIndex(name));
}

std::string_view RecordSet::valueAt(long row, int column) const {
    if (row == rowCount() && adding()) {
        const auto& pending = edit_->values[static_cast<std::size_t>(column)];
        return pending ? std::string_view(*pending) : std::string_view();
    }
    if (row < 0 || row >= rowCount() || column < 0 || column >= fieldCount()) return {};
    return rows_->row(order_[static_cast<std::size_t>(row)]).field(column);
}

void RecordSet::valuesAt(long row, std::span<std::string_view> out) const {
    if (row < 0 || row >= rowCount() || out.size() > static_cast<std::size_t>(fieldCount())) {
        for (std::size_t c = 0; c < out.size(); ++c) out[c] = valueAt(row, static_cast<int>(c));
        return;
    }
    rows_->row(order_[static_cast<std::size_t>(row)]).values(out);
}

bool RecordSet::valuesOf(Bookmark row, std::span<std::string_view> out) const {
    const bool held = row < rows_->rows.size() && rows_->rows[row] &&
                      out.size() <= static_cast<std::size_t>(fieldCount());
    if (!held) {
        for (auto& v : out) v = {};
        return false;
    }
    rows_->row(row).values(out);
    return true;
}

Bookmark RecordSet::bookmarkAt(long row) const {
    return order_.at(static_cast<std::size_t>(row));
}

void RecordSet::setValue(int column, std::string text) {
    if (column < 0 || column >= fieldCount()) throw std::out_of_range("RecordSet::setValue");
    if (!edit_) {
        if (!hasCurrent()) throw StoreError(ErrorKind::NoCurrentRecord, "沒有目前的記錄可以修改。");
        Edit e;
        e.row = order_[static_cast<std::size_t>(pos_ - 1)];
        e.original = rows_->rows[e.row];
        e.returnTo = pos_;
        e.values.resize(static_cast<std::size_t>(fieldCount()));
        edit_ = std::move(e);
    }
    edit_->values[static_cast<std::size_t>(column)] = std::move(text);
    notify(Change::PendingEdited);
}

void RecordSet::addNew() {
    requireNoEdit();
    Edit e;
    e.adding = true;
    e.returnTo = pos_;
    e.values.resize(static_cast<std::size_t>(fieldCount()));
    edit_ = std::move(e);
    notify(Change::CurrentMoved);
}

void RecordSet::cancelUpdate() {
    if (!edit_) return;
    bool wasAdding = edit_->adding;
    long back = edit_->returnTo;
    edit_.reset();
    if (wasAdding)
        setPosition(back);
    else
        notify(Change::PendingEdited);
}

bool RecordSet::refreshCurrent() {
    requireNoEdit();
    if (!hasCurrent()) return true;
    const Bookmark row = order_[static_cast<std::size_t>(pos_ - 1)];
    auto& rows = *rows_;
    if (!inFile(row)) {
        rows.rows[row] = nullptr;
        for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowDeleted(row);
        return false;
    }
    reread(row);
    for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(row, false, this);
    return true;
}

bool RecordSet::inFile(Bookmark row) const {
    std::vector<std::string> values;
    return rows_->backend->read(rows_->shape(), rows_->rowids[row], values);
}

void RecordSet::conflict(Bookmark row, std::string_view doing) const {
    const std::string who = rows_->backend->otherWriters();
    if (!inFile(row))
        throw ConflictError("這筆資料已被" + who + "刪除，" + std::string(doing) + "沒有執行。");
    throw ConflictError("這筆資料在讀取之後已被" + who + "修改，為了不覆蓋別人的變更，" +
                        std::string(doing) + "沒有執行。");
}

std::optional<std::vector<FieldConflict>> RecordSet::rebaseEdit() {
    if (!edit_ || edit_->adding) return std::vector<FieldConflict>{};
    auto& rows = *rows_;
    const Bookmark row = edit_->row;
    std::vector<std::string> now;
    if (!rows.backend->read(rows.shape(), rows.rowids[row], now)) return std::nullopt;
    const detail::RowView read(edit_->original);
    std::vector<FieldConflict> both;
    for (std::size_t c = 0; c < edit_->values.size(); ++c) {
        const auto& typed = edit_->values[c];
        const std::string_view was = read.field(static_cast<int>(c));
        if (typed && *typed != was && now[c] != was && now[c] != *typed)
            both.push_back({static_cast<int>(c), std::string(was), now[c], *typed});
    }
    rows.rows[row] = rows.pack(now);
    edit_->original = rows.rows[row];
    for (RecordSet* s : std::vector<RecordSet*>(rows.sets))
        if (s != this) s->rowSaved(row, false, this);
    notify(Change::PendingEdited);
    return both;
}

std::string RecordSet::otherWriters() const {
    return rows_->backend->otherWriters();
}

void RecordSet::editAsNew() {
    if (!edit_ || edit_->adding) return;
    const detail::RowView read(edit_->original);
    for (std::size_t c = 0; c < edit_->values.size(); ++c)
        if (!edit_->values[c] && !read.field(static_cast<int>(c)).empty())
            edit_->values[c] = std::string(read.field(static_cast<int>(c)));
    const Bookmark gone = edit_->row;
    edit_->adding = true;
    rows_->rows[gone] = nullptr;
    for (RecordSet* s : std::vector<RecordSet*>(rows_->sets)) s->rowDeleted(gone);
    edit_->returnTo = pos_;
    notify(Change::CurrentMoved);
}

void RecordSet::reread(Bookmark row) {
    std::vector<std::string> values;
    if (!rows_->backend->read(rows_->shape(), rows_->rowids[row], values))
        throw StoreError(ErrorKind::Io, "剛寫入的資料讀不回來：" + rows_->backend->where());
    rows_->rows[row] = rows_->pack(values);
}

void RecordSet::update() {
    if (!edit_) return;
    auto& rows = *rows_;
    if (!rows.backend) throw StoreError(ErrorKind::ReadOnly, "這份清單只能讀取。");
    ColumnValues changed;
    for (std::size_t c = 0; c < edit_->values.size(); ++c) {
        const auto& v = edit_->values[c];
        if (v &&
            (edit_->adding || *v != detail::RowView(edit_->original).field(static_cast<int>(c))))
            changed.emplace_back(static_cast<int>(c), *v);
    }
    // The same rule on the file as on a server, which would refuse such a value itself.
    for (const auto& [c, v] : changed)
        if (!text::storable(v)) throw StoreError(ErrorKind::Unstorable, unstorable(fieldName(c)));
    std::vector<std::string> stored;
    if (edit_->adding) {
        const int64_t id = rows.backend->insert(rows.shape(), changed, stored);
        const auto row = static_cast<Bookmark>(rows.rows.size());
        rows.rowids.push_back(id);
        rows.rows.push_back(rows.pack(stored));
        edit_.reset();
        rows.wrote();
        for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(row, true, this);
        return;
    }

    const Bookmark row = edit_->row;
    if (changed.empty()) {
        edit_.reset();
        notify(Change::PendingEdited);
        return;
    }
    const auto original = detail::RowView(edit_->original).values(rows.stored.size());
    if (!rows.backend->update(rows.shape(), rows.rowids[row], changed, original, stored))
        conflict(row, "存檔");
    rows.rows[row] = rows.pack(stored);
    edit_.reset();
    rows.wrote();
    for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(row, false, this);
}

void RecordSet::deleteCurrent() {
    requireNoEdit();
    if (!hasCurrent()) throw StoreError(ErrorKind::NoCurrentRecord, "沒有目前的記錄可以刪除。");
    auto& rows = *rows_;
    if (!rows.backend) throw StoreError(ErrorKind::ReadOnly, "這份清單只能讀取。");
    Bookmark row = order_[static_cast<std::size_t>(pos_ - 1)];
    // Kept in the history table where there is one, to come back.
    const auto values = rows.values(row);
    const bool erased = rows.backend->keepsHistory()
                            ? rows.backend->setAside(rows.shape(), {{rows.rowids[row], values}},
                                                     Gone::Deleted, historyNow(), {}, nullptr) != 0
                            : rows.backend->erase(rows.shape(), rows.rowids[row], values);
    if (!erased) conflict(row, "刪除");
    rows.rows[row] = nullptr;
    rows.wrote();
    for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowDeleted(row);
}

int64_t RecordSet::merge(Bookmark keep, const std::vector<Bookmark>& away,
                         const ColumnValues& values) {
    requireNoEdit();
    auto& rows = *rows_;
    if (!rows.backend) throw StoreError(ErrorKind::ReadOnly, "這份清單只能讀取。");
    if (!rows.backend->keepsHistory())
        throw StoreError(ErrorKind::Io, rows.backend->where() +
                                            " 沒有保留紀錄的資料表，合併無法復原，所以沒有合併。");
    for (const auto& [c, v] : values)
        if (!text::storable(v)) throw StoreError(ErrorKind::Unstorable, unstorable(fieldName(c)));
    std::vector<std::vector<std::string_view>> originals;
    std::vector<std::pair<int64_t, RowValues>> gone;
    originals.reserve(away.size());
    for (Bookmark b : away) {
        if (b == keep || !rows.rows.at(b)) throw std::invalid_argument("RecordSet::merge");
        originals.push_back(rows.values(b));
        gone.emplace_back(rows.rowids[b], originals.back());
    }
    const auto keptValues = rows.values(keep);
    const MergeKeep kept{rows.rowids[keep], keptValues, values};
    const std::string by(detail::RowView(rows.rows[keep]).field(0));
    const int64_t batch =
        rows.backend->setAside(rows.shape(), gone, Gone::MergedAway, historyNow(), by, &kept);
    if (batch == 0) {
        for (Bookmark b : away)
            if (!inFile(b)) conflict(b, "合併");
        conflict(keep, "合併");
    }
    rows.wrote();
    for (Bookmark b : away) {
        rows.rows[b] = nullptr;
        for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowDeleted(b);
    }
    reread(keep);
    for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(keep, false, nullptr);
    return batch;
}

bool RecordSet::restore(int64_t entry, bool wholeBatch) {
    requireNoEdit();
    auto& rows = *rows_;
    if (!rows.backend) return false;
    const auto done = rows.backend->restore(rows.shape(), entry, wholeBatch);
    if (!done) return false;
    rows.wrote();
    for (int64_t id : done->added) {
        std::vector<std::string> values;
        if (!rows.backend->read(rows.shape(), id, values)) continue;
        // Back at its old address, it takes its old place (and bookmark) again.
        auto row = rows.find(id);
        if (row && rows.rows[*row]) row.reset();
        if (!row) {
            row = static_cast<Bookmark>(rows.rows.size());
            rows.rowids.push_back(id);
            rows.rows.push_back(nullptr);
        }
        rows.rows[*row] = rows.pack(values);
        for (RecordSet* s : std::vector<RecordSet*>(rows.sets)) s->rowSaved(*row, true, nullptr);
    }
    for (int64_t id : done->changed)
        if (const auto at = rows.find(id)) {
            reread(*at);
            for (RecordSet* s : std::vector<RecordSet*>(rows.sets))
                s->rowSaved(*at, false, nullptr);
        }
    return true;
}

void RecordSet::rowSaved(Bookmark row, bool inserted, const RecordSet* by) {
    if (!inserted) {
        auto it = std::find(order_.begin(), order_.end(), row);
        if (it != order_.end()) notify(Change::RowUpdated, static_cast<long>(it - order_.begin()));
        return;
    }
    // The set that added the row keeps it and stands on it; the others take it when it passes
    // their filter.
    if (by != this && !filterExpr_.matches(rows_->row(row))) return;
    bool wasAfterLast = pos_ > rowCount();
    order_.push_back(row);
    notify(Change::RowInserted, rowCount() - 1);
    if (by == this)
        setPosition(rowCount());
    else if (wasAfterLast)
        pos_ = rowCount() + 1;
}

void RecordSet::rowDeleted(Bookmark row) {
    auto it = std::find(order_.begin(), order_.end(), row);
    if (it == order_.end()) return;
    long index = static_cast<long>(it - order_.begin());
    order_.erase(it);
    notify(Change::RowRemoved, index);
    if (index < pos_ - 1) {
        --pos_;
    } else if (index == pos_ - 1) {
        notify(Change::CurrentMoved);  // the following record now stands in its place
    }
}

int RecordSet::subscribe(Observer observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void RecordSet::unsubscribe(int id) {
    observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                    [id](const auto& o) { return o.first == id; }),
                     observers_.end());
}

void RecordSet::notify(Change::Kind kind, long row) {
    auto copy = observers_;
    for (const auto& [id, observer] : copy) observer(Change{kind, row});
}

}  // namespace store

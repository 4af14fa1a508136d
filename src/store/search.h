#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <string>
#include <string_view>
#include "store/recordset.h"

#include "store/text.h"

// Finding a client by anything the user remembers of them: part of any field, folded as the
// program compares text, and a phone number however it is written.
namespace store::search {

class Query {
  public:
    explicit Query(std::string_view typed);
    bool empty() const { return text_.empty() && !digits_; }

    // The first field, in field order, of a client's twenty values that matches; -1 when none.
    // A phone-like query matches the phone fields by their digits, and any field by its text.
    int match(std::span<const std::string_view> values) const;

  private:
    text::Contains text_;
    std::optional<std::string> digits_;  // what a phone-like text dials; none for other text
};

// A client that matched, and the field that did.
struct Hit {
    Bookmark row;
    int field;
};

// A search through every client, a slice at a time, so that a window can look at the next
// keystroke between slices and drop a search the user has typed past.
class Scan {
  public:
    // Over `clients` (a record set of the client table: its rows in table order, its filter and
    // sort set aside).
    Scan(const RecordSet& clients, std::string_view typed);
    // Looks at up to `count` more clients, adding those that match to `hits` in table order;
    // false once every client was looked at. A large step runs on two cores.
    bool step(long count, std::vector<Hit>& hits);
    static constexpr long kTwoHalvesFrom = 10000;
    long looked() const { return next_; }
    long total() const { return rows_->recordCount(); }

  private:
    void look(long from, long to, std::vector<Hit>& hits) const;

    std::unique_ptr<RecordSet> rows_;
    Query query_;
    long next_ = 0;
};

// The digits of a stored phone value, whatever else it holds, +886 read as the leading 0.
std::string storedDigits(std::string_view value);
void storedDigits(std::string_view value, std::string& digits);

}  // namespace store::search

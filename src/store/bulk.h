#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What the operations on every client at once share, whatever holds the clients: progress,
// cancelling, the codes renumbering gives. Each operation is one transaction: a failure part-way,
// or the program killed, leaves every record as it was.
namespace store::bulk {

// Told after each record: (records done, records in all).
using Progress = std::function<void(long done, long total)>;

// How many records long work does between two reports to a Progress that is not told each one.
inline constexpr long kProgressStep = 1000;

// Thrown by a Progress when the user stops the work; the work is undone as after any failure.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "已取消"; }
};

// The percentage shown for record i of n: i x Int(100 / n) below 100 records, else
// Int(i x 100 / n).
int percent(long i, long n);

// The code after `code`: the digits it ends with plus one, as wide as they were, the text
// before them kept ("A00001" -> "A00002", "0001" -> "0002", "A99" -> "A100").
std::string nextCode(std::string_view code);

// Why renumbering `count` records from `start` cannot be done (no start, a start that does not
// end in a digit, a code wider than the 6 bytes of NO); nothing when it can.
std::optional<std::string> renumberRefusal(std::string_view start, long count);

}  // namespace store::bulk

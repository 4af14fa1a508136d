#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text order and comparison for client data. Order is Traditional Chinese stroke order; Latin
// letter case and full-/half-width forms are ignored; empty text sorts first. Equality is
// equality after that folding, and order falls back to the folded text where the collator sees
// no difference, so `=`, `<` and `>` never disagree.
namespace store::text {

// Width in Big5 bytes: an ASCII character counts 1, any other character 2.
int big5Width(std::string_view utf8);

// Whether the bytes are well-formed UTF-8.
bool validUtf8(std::string_view bytes);
// Text that the client file and a server both store as it is: valid UTF-8 without NUL (a
// PostgreSQL server refuses either; the file must not take what the server would not).
bool storable(std::string_view text);

// Characters (code points) in a UTF-8 text.
std::size_t length(std::string_view utf8);

// Character position (from 1) of a byte offset.
std::size_t positionOf(std::string_view utf8, std::size_t byteOffset);

// The number a text begins with: blanks (space, tab, line feed, carriage return) anywhere are
// skipped, then an optional sign, digits and one decimal point; anything else ends it. No
// number reads as 0.
double leadingNumber(std::string_view text);

// The text without the blanks at its ends: spaces, tabs, line ends, the ideographic space.
std::string_view trimmed(std::string_view text);

// The text with case and width differences removed (NFKC case folding).
std::string fold(std::string_view utf8);

bool equal(std::string_view a, std::string_view b);

// Negative, zero or positive, as a sorts before, with or after b.
int compare(std::string_view a, std::string_view b);

// Appends the binary sort key of `utf8` (with its terminating zero byte) to `out`; keys compare
// with memcmp in the order of `compare`, short of the folded tie-break.
void appendSortKey(std::string_view utf8, std::string& out);

// Text of ASCII letters, digits, blanks and - . / only (codes, phone numbers, dates), whose
// collation order is the byte order of its lower-cased form.
bool isSimpleAscii(std::string_view text);
// The order of `compare` for two such texts.
int compareSimpleAscii(std::string_view a, std::string_view b);

// A `like` pattern: `*` or `%` stands for any run of characters; the rest matches as `equal`.
class LikePattern {
  public:
    explicit LikePattern(std::string_view pattern);
    bool matches(std::string_view value) const;

  private:
    std::string folded_;
};

// A text to find inside many texts, folded as `equal` folds: "ab" is in "xABy" and "ｘａｂ".
class Contains {
  public:
    explicit Contains(std::string_view part);
    bool in(std::string_view value) const;
    bool empty() const { return folded_.empty(); }

  private:
    std::string folded_;
    bool hasLetters_ = false;  // ASCII letters, which plain text holds in either case
};

// The text of `value` prepared for repeated whole-value comparison against many texts.
class EqualTo {
  public:
    explicit EqualTo(std::string_view value);
    bool matches(std::string_view value) const;

  private:
    std::string folded_;
};

}  // namespace store::text

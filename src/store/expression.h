#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// The values of one row, by column position.
class FieldSource {
  public:
    virtual ~FieldSource() = default;
    virtual std::string_view field(int column) const = 0;
};

// A filter or find expression:
//   expression := term { ("And" | "Or") term }   -- And binds tighter than Or
//   term       := field op 'value' | field like 'value' | "(" expression ")"
//   op         := = | <> | < | > | <= | >=
// Keywords in any case; '' inside quotes is one quote; a field is a column name in any case,
// optionally in [brackets]. Empty or blank text is the empty expression, which every row passes.
class Expression {
  public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Throws ExpressionError with the character position and a reason.
    static Expression parse(std::string_view text, const std::vector<std::string>& columns);

    bool empty() const;
    bool matches(const FieldSource& row) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct SortKey {
    int column;
    bool descending;
};

// "FIELD ASC", "FIELD DESC" or "FIELD" (ascending), several joined by commas; blank text is no
// sort. Throws ExpressionError.
std::vector<SortKey> parseSort(std::string_view text, const std::vector<std::string>& columns);

// The text with every single quote doubled, for a value written between quotes.
std::string quoteValue(std::string_view value);

}  // namespace store

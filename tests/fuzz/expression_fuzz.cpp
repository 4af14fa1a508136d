// libFuzzer target for the texts a user types into conditions and searches: the expression
// parser, the sort parser and the matchers of text order, equality and like. The input is an
// expression, then the values of one row, separated by NUL bytes. Any input may be refused with
// an ExpressionError; nothing may crash, hang or throw anything else, and the sort shortcut for
// plain ASCII must agree with the collator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/errors.h"
#include "store/expression.h"
#include "store/text.h"

namespace {

const std::vector<std::string> kColumns = {"NO", "NAME", "BIRTH", "SEX", "MEMO", "選擇"};

struct Row : store::FieldSource {
    std::vector<std::string_view> values;
    std::string_view field(int column) const override {
        const auto i = static_cast<std::size_t>(column);
        return i < values.size() ? values[i] : std::string_view();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const std::size_t end = input.find('\0', from);
        parts.push_back(input.substr(from, end == std::string_view::npos ? end : end - from));
        if (end == std::string_view::npos) break;
        from = end + 1;
    }
    const std::string_view text = parts[0];
    Row row;
    row.values.assign(parts.begin() + 1, parts.end());

    try {
        store::Expression::parse(text, kColumns).matches(row);
    } catch (const store::ExpressionError&) {
    }
    try {
        store::parseSort(text, kColumns);
    } catch (const store::ExpressionError&) {
    }
    const std::string_view value = row.field(0);
    store::text::LikePattern(text).matches(value);
    store::text::EqualTo(text).matches(value);
    store::text::compare(text, value);
    store::text::equal(text, value);
    std::string key, valueKey;
    store::text::appendSortKey(text, key);
    store::text::appendSortKey(value, valueKey);
    store::text::fold(text);
    // Codes, phone numbers and dates are sorted without collation keys: the shortcut must give
    // exactly the collator's order.
    if (store::text::isSimpleAscii(text) && store::text::isSimpleAscii(value)) {
        const int byKey = key.compare(valueKey),
                  fast = store::text::compareSimpleAscii(text, value);
        if ((byKey < 0) != (fast < 0) || (byKey > 0) != (fast > 0)) __builtin_trap();
    }
    return 0;
}

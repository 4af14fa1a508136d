#include "store/addressee.h"

#include <array>

#include "store/text.h"

namespace store::mailing {
namespace {

// The value of the digit at `at` (ASCII or full width) and its length in bytes; 0 length for none.
std::pair<char, std::size_t> digitAt(std::string_view s, std::size_t at) {
    if (at < s.size() && s[at] >= '0' && s[at] <= '9') return {s[at], 1};
    // U+FF10..U+FF19 are EF BC 90..99.
    if (at + 2 < s.size() && s[at] == '\xEF' && s[at + 1] == '\xBC' &&
        static_cast<unsigned char>(s[at + 2]) >= 0x90 &&
        static_cast<unsigned char>(s[at + 2]) <= 0x99)
        return {static_cast<char>('0' + (static_cast<unsigned char>(s[at + 2]) - 0x90)), 3};
    return {0, 0};
}

// A value typed or imported over several lines, on one: a label wraps it where it fits.
std::string oneLine(std::string_view s) {
    std::string out;
    for (const char c : text::trimmed(s)) {
        const bool breaks = c == '\r' || c == '\n' || c == '\t';
        // The line's end and the next line's start make one blank.
        if (!breaks)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    return out;
}

}  // namespace

Postcode splitPostcode(std::string_view address) {
    const std::string_view s = text::trimmed(address);
    std::string digits;
    std::size_t at = 0;
    bool dashed = false;
    while (true) {
        if (auto [d, n] = digitAt(s, at); n) {
            digits += d;
            at += n;
            continue;
        }
        // One dash right after the third digit: 106-52.
        const std::size_t dash = s.substr(at, 1) == "-" ? 1 : s.substr(at, 3) == "－" ? 3 : 0;
        if (dash && !dashed && digits.size() == 3 && digitAt(s, at + dash).second) {
            dashed = true;
            at += dash;
            continue;
        }
        break;
    }
    const std::string_view rest = text::trimmed(s.substr(at));
    // A number that a house, lane or floor word or a dash follows is part of the address: 350號.
    bool numbered = false;
    for (std::string_view unit : {"號", "樓", "巷", "弄", "段", "鄰", "之", "F", "f", "-", "－"})
        numbered = numbered || s.substr(at).starts_with(unit);
    if ((digits.size() != 3 && digits.size() != 5 && digits.size() != 6) || rest.empty() ||
        numbered)
        return {{}, s};
    return {digits, rest};
}

std::string titleOf(std::string_view sex, Title title) {
    switch (title) {
        case Title::None:
            return {};
        case Title::Jun:
            return "君";
        case Title::BySex:
            break;
    }
    const std::string s = text::fold(text::trimmed(sex));
    if (s == "m" || s == "男" || s == "先生") return "先生";
    if (s == "f" || s == "女" || s == "小姐" || s == "女士") return "小姐";
    return "君";
}

Addressee addressee(std::span<const std::string_view> values, const Choices& choices) {
    const Postcode code = splitPostcode(values[choices.address]);
    Addressee a;
    a.postcode = code.digits;
    a.address = oneLine(code.rest);
    if (choices.company) a.company = oneLine(values[COMPANY]);
    a.name = oneLine(values[NAME]);
    if (!a.name.empty()) a.title = titleOf(values[SEX], choices.title);
    return a;
}

Recipients recipients(const RecordSet& clients, const Choices& choices) {
    Recipients out;
    std::array<std::string_view, kFieldCount> values;
    for (long i = 0; i < clients.recordCount(); ++i) {
        clients.valuesAt(i, values);
        if (text::trimmed(values[choices.address]).empty())
            out.without.emplace_back(values[NO]);
        else
            out.rows.push_back(clients.bookmarkAt(i));
    }
    return out;
}

}  // namespace store::mailing

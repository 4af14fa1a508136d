#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/fields.h"
#include "store/recordset.h"

// Who a label or an envelope goes to, from a client's values: the postal code split off the
// address, the company if wanted, the name with a title.
namespace store::mailing {

enum class Title { BySex, Jun, None };  // 先生/小姐 from SEX, 君, no title

struct Choices {
    Field address = ADDR_1;  // ADDR_1 (住宅地址) or ADDR_2 (公司地址)
    bool company = false;
    Title title = Title::BySex;
};

struct Addressee {
    std::string postcode;  // ASCII digits; empty when the address starts with none
    std::string address;   // the rest of the address, blanks at its ends removed
    std::string company;   // empty unless chosen
    std::string name;
    std::string title;  // 先生, 小姐, 君 or empty
};

// A Taiwanese postal code leading the address: three, five or six digits (half or full width,
// a dash after the third allowed) followed by something that is not a digit.
struct Postcode {
    std::string digits;
    std::string_view rest;
};
Postcode splitPostcode(std::string_view address);

// 先生 for M/男, 小姐 for F/女 (any width or case), 君 when SEX says neither.
std::string titleOf(std::string_view sex, Title title);

Addressee addressee(std::span<const std::string_view> values, const Choices& choices);

// The list's clients that have the chosen address, in the list's order, and the codes of those
// that have none (they get no label or envelope).
struct Recipients {
    std::vector<Bookmark> rows;
    std::vector<std::string> without;
};
Recipients recipients(const RecordSet& clients, const Choices& choices);

}  // namespace store::mailing

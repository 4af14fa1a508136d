#pragma once

#include <QString>
#include <array>
#include <optional>

#include "store/fields.h"

// The browse list's sort codes, pages and counter, free of widgets.
namespace shell {

inline constexpr int kPageSize = 13;

// The eight sort codes, 1 to 8 in this order: the field each sorts and searches by, the SORT
// SET item that chooses it and the caption of the browse list's search box. The last two items'
// names are crossed with their captions, and the last search caption reads "POSITON", as they
// always have; caption and effect agree.
struct SortCode {
    int field;  // store::Field
    const char* menuItem;
    const char* menuCaption;
    const char* searchCaption;
};
inline constexpr std::array<SortCode, 8> kSortCodes = {{
    {store::NO, "menu_VELKNO_SORT", "VELKNO SORT", "NO"},
    {store::NAME, "menu_NAME_SORT", "NAME SORT", "NAME"},
    {store::BIRTH, "menu_BIRTH_SORT", "BIRTH SORT", "BIRTH"},
    {store::TEL_2, "menu_TEL_SORT", "TEL SORT", "TEL_2"},
    {store::ADDR_2, "menu_ADDRESS_SORT", "ADDRESS SORT", "ADDR_2"},
    {store::COMPANY, "menu_COMPANY_SORT", "COMPANY SORT", "COMPANY"},
    {store::VOCATION, "menu_POSITION_SORT", "VOCATION SORT", "VOCATION"},
    {store::POSITION, "menu_VOCATION_SORT", "POSITION", "POSITON"},
}};

// The field name of sort code 1 to 8; empty for any other code.
QString fieldOfSortCode(int code);

// The typed page number, rounded half to even; nothing, with the reason in `refusal`, for text
// that is no number or a page whose first record lies outside what the list can reach.
std::optional<qint16> parsePage(const QString& text, QString* refusal);

// Where the list's current record goes when the list loads, after the first record of its
// order: the frame asks for the last record or a typed page, once each (the first record is
// where every load starts).
struct ListStart {
    bool toLast = false;
    std::optional<long> pageOffset;  // records on from the first; the page then shows from it
};
ListStart listStart(bool lastPage, bool choicePage, qint16 page);

// "Record :  5 / 42"; the position 0 when there is no current record (an empty list, a search
// that found nothing), never the record set's -2 or -3.
QString counterText(long position, long count);

}  // namespace shell

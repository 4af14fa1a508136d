#pragma once

#include <QString>
#include <optional>

// The browse list's sort codes, pages and counter, free of widgets.
namespace shell {

inline constexpr int kPageSize = 13;

// The field of sort code 1 to 8 (NO, NAME, BIRTH, TEL_2, ADDR_2, COMPANY, VOCATION, POSITION);
// empty for any other code.
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

#include "shell/browsestate.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace shell {

QString fieldOfSortCode(int code) {
    if (code < 1 || code > static_cast<int>(kSortCodes.size())) return {};
    const int field = kSortCodes[static_cast<std::size_t>(code - 1)].field;
    return QString::fromLatin1(store::kFieldNames[static_cast<std::size_t>(field)].data());
}

std::optional<qint16> parsePage(const QString& text, QString* refusal) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        if (refusal) *refusal = QStringLiteral("「%1」不是頁數，請輸入一個整數。").arg(text);
        return std::nullopt;
    }
    std::fesetround(FE_TONEAREST);
    const double page = std::nearbyint(value);  // a half goes to the even page
    // The first record of page p is (p - 1) * 13 records on from the first, a 16-bit count.
    if (page < -2519 || page > 2521) {
        if (refusal)
            *refusal = QStringLiteral("頁數 %1 超出範圍，請輸入 -2519 到 2521 之間的整數。")
                           .arg(text.trimmed());
        return std::nullopt;
    }
    return static_cast<qint16>(page);
}

ListStart listStart(bool lastPage, bool choicePage, qint16 page) {
    ListStart start;
    start.toLast = lastPage;
    // The page was checked when it was typed, so the offset fits in 16 bits.
    if (choicePage) start.pageOffset = static_cast<long>(page - 1) * kPageSize;
    return start;
}

QString counterText(long position, long count) {
    // Before the first or past the last record (a search that found nothing) there is no
    // current record: 0, as for an empty table, never the record set's -2 or -3.
    return QStringLiteral("Record :  %1 / %2").arg(count ? std::max(position, 0L) : 0).arg(count);
}

}  // namespace shell

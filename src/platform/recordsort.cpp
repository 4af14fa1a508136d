#include "platform/recordsort.h"

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "store/recordset.h"

namespace platform {

void resortKeepingRecord(store::RecordSet& rs, const QString& field, const char* direction) {
    if (field.isEmpty()) return;
    try {
        const bool keep = rs.hasCurrent();
        const store::Bookmark mark = keep ? rs.bookmark() : 0;
        rs.setSort(toStd(field) + direction);
        if (keep) rs.setBookmark(mark);
    } catch (const std::exception& e) {
        showError(e);
    }
}

}  // namespace platform

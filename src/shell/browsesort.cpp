#include "shell/browsesort.h"

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "store/recordset.h"

namespace shell {

void resortKeepingRecord(store::RecordSet& rs, const QString& field, const char* direction) {
    if (field.isEmpty()) return;
    try {
        const bool keep = rs.hasCurrent();
        const store::Bookmark mark = keep ? rs.bookmark() : 0;
        rs.setSort(platform::toStd(field) + direction);
        if (keep) rs.setBookmark(mark);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

}  // namespace shell

#pragma once

#include <QString>

namespace store {
class RecordSet;
}

namespace platform {

// Sorts on `field` + `direction` (" ASC" or " DESC") and keeps the current record current; with
// no current record the sort leaves the first one current. Errors are shown, not thrown.
void resortKeepingRecord(store::RecordSet& rs, const QString& field, const char* direction);

}  // namespace platform

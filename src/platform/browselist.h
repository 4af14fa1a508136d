#pragma once

#include <QString>

namespace store {
class RecordSet;
}

namespace platform {

// The browse list as the display set and the print chooser work on it, without their knowing
// its window (which the frame owns).
class BrowseListAccess {
  public:
    virtual ~BrowseListAccess() = default;
    // Its records; null when the client file could not be read.
    virtual store::RecordSet* listRecords() = 0;
    // Shows or clears the filter marker of its status bar.
    virtual void markFiltered(bool filtered) = 0;
    // The display set's sort field, which the list keeps across its reloads.
    virtual QString displaySortField() const = 0;
    virtual void setDisplaySortField(const QString& field) = 0;
};

}  // namespace platform

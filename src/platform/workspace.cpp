#include "platform/workspace.h"

#include <stdexcept>

#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "store/clientfile.h"

namespace platform {

Workspace::Workspace(std::shared_ptr<store::ClientFile> file, Dialogs& dialogs,
                     std::function<QDate()> today)
    : file_(std::move(file)), dialogs_(dialogs), today_(std::move(today)) {
    if (!file_) throw std::logic_error("a workspace needs an open client file");
}

Workspace::~Workspace() = default;

bool Workspace::readOnly() const {
    return file_->backend().readOnly();
}

store::RecordSet* Workspace::borrowRecords(DataControl* target,
                                           QPointer<DataControl>& lenderControl) {
    DataControl* lender = lender_ ? lender_() : nullptr;
    store::RecordSet* own = lender ? lender->recordSet() : nullptr;
    if (!own || own->recordCount() == 0) return nullptr;
    target->setRecordSet(own->clone());
    lenderControl = lender;
    return own;
}

bool Workspace::returnChosen(const QPointer<DataControl>& lenderControl, store::RecordSet* lent,
                             const store::RecordSet& chosen) {
    // The window may have been closed meanwhile: its records are then gone.
    if (!lenderControl || lenderControl->recordSet() != lent) {
        dialogs_.message(QStringLiteral("資料輸入視窗已經關閉，無法移到這筆資料。"));
        return false;
    }
    try {
        lent->setBookmark(chosen.bookmark());
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
    return true;
}

BrowseListAccess& Workspace::browseList() const {
    if (!browseList_) throw std::logic_error("no browse list");
    return browseList_();
}

void Workspace::goHome(bool afresh) const {
    if (home_) home_(afresh);
}

}  // namespace platform

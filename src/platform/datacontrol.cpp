#include "platform/datacontrol.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

#include "platform/appsetup.h"
#include "platform/dialogs.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"

namespace platform {
namespace {

std::shared_ptr<store::ClientFile>& openFile() {
    static std::shared_ptr<store::ClientFile> file;
    return file;
}

}  // namespace

void setClientFile(std::shared_ptr<store::ClientFile> file) {
    openFile() = std::move(file);
}

std::function<DataControl*()>& lenderFunction() {
    static std::function<DataControl*()> lender;
    return lender;
}

void setLender(std::function<DataControl*()> lender) {
    lenderFunction() = std::move(lender);
}

store::RecordSet* borrowRecords(DataControl* target, QPointer<DataControl>& lenderControl) {
    DataControl* lender = lenderFunction() ? lenderFunction()() : nullptr;
    store::RecordSet* own = lender ? lender->recordSet() : nullptr;
    if (!own || own->recordCount() == 0) return nullptr;
    target->setRecordSet(own->clone());
    lenderControl = lender;
    return own;
}

bool returnChosen(const QPointer<DataControl>& lenderControl, store::RecordSet* lent,
                  const store::RecordSet& chosen) {
    // The window may have been closed meanwhile: its records are then gone.
    if (!lenderControl || lenderControl->recordSet() != lent) {
        dialogs().message(QStringLiteral("資料輸入視窗已經關閉，無法移到這筆資料。"));
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

store::ClientFile& clientFile() {
    if (!openFile())
        throw store::StoreError(store::ErrorKind::Missing, "沒有開啟的客戶資料（檔案或伺服器）。");
    return *openFile();
}

bool readOnly() {
    return openFile() && openFile()->backend().readOnly();
}

DataControl::DataControl(QWidget* parent) : QWidget(parent), caption_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    auto arrow = [&](const char* name, QStyle::StandardPixmap icon, void (DataControl::*slot)()) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(9, 9));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(11);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    layout->addWidget(arrow("First", QStyle::SP_MediaSkipBackward, &DataControl::moveFirst));
    layout->addWidget(arrow("Previous", QStyle::SP_MediaSeekBackward, &DataControl::movePrevious));
    caption_->setFont(mingFont(9));
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setMinimumWidth(0);
    layout->addWidget(caption_, 1);
    layout->addWidget(arrow("Next", QStyle::SP_MediaSeekForward, &DataControl::moveNext));
    layout->addWidget(arrow("Last", QStyle::SP_MediaSkipForward, &DataControl::moveLast));
    setAutoFillBackground(true);
}

DataControl::~DataControl() {
    if (rs_) rs_->unsubscribe(subscription_);
}

void DataControl::setCaption(const QString& caption) {
    caption_->setText(caption);
}

QString DataControl::caption() const {
    return caption_->text();
}

void DataControl::openTable(std::string_view table) {
    setRecordSet(clientFile().records(table));
}

void DataControl::setRecordSet(std::unique_ptr<store::RecordSet> recordSet) {
    if (rs_) rs_->unsubscribe(subscription_);
    rs_ = std::move(recordSet);
    attach();
    emit recordSetReplaced();
    emit moveComplete();
}

void DataControl::attach() {
    if (!rs_) return;
    subscription_ = rs_->subscribe([this](const store::Change& change) {
        emit changed(change);
        switch (change.kind) {
            case store::Change::CurrentMoved:
            case store::Change::Reset:
            case store::Change::RowInserted:
            case store::Change::RowRemoved:
                emit moveComplete();
                break;
            default:
                break;
        }
    });
}

void DataControl::act(void (store::RecordSet::*move)()) {
    if (!rs_) return;
    try {
        (rs_.get()->*move)();
        if (keepEnds_ && rs_->recordCount() > 0) {
            if (rs_->bof()) rs_->moveFirst();
            if (rs_->eof()) rs_->moveLast();
        }
    } catch (const std::exception& e) {
        showError(e);
    }
}

void DataControl::moveFirst() {
    act(&store::RecordSet::moveFirst);
}
void DataControl::movePrevious() {
    act(&store::RecordSet::movePrevious);
}
void DataControl::moveNext() {
    act(&store::RecordSet::moveNext);
}
void DataControl::moveLast() {
    act(&store::RecordSet::moveLast);
}

}  // namespace platform

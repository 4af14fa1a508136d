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

void DataControl::openTable(store::ClientFile& file, std::string_view table) {
    setRecordSet(file.records(table));
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

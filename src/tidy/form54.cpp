#include "tidy/form54.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
#include "store/dates.h"
#include "store/fields.h"

namespace {

QString reason(const store::HistoryEntry& e) {
    switch (e.gone) {
        case store::Gone::Deleted:
            return QStringLiteral("刪除");
        case store::Gone::MergedAway:
            return QStringLiteral("合併到 %1").arg(platform::toQ(e.by));
        case store::Gone::Cleared:
            return QStringLiteral("清除全部");
        case store::Gone::Updated:
            return QStringLiteral("匯入時更新（這是更新前）");
        default:
            return {};
    }
}

// A date as the user types it: 2026-01-31, 2026/1/31 or the Republic's 115.01.31.
std::optional<QDate> typedDate(const QString& text) {
    for (const char* format : {"yyyy-M-d", "yyyy/M/d"})
        if (const QDate d = QDate::fromString(text.trimmed(), QString::fromLatin1(format));
            d.isValid())
            return d;
    if (const auto day = store::dates::dayNumber(platform::toStd(text.trimmed()))) {
        const QDate d(*day / 10000 + 1911, *day / 100 % 100, *day % 100);
        if (d.isValid()) return d;
    }
    return std::nullopt;
}

}  // namespace

Form54::~Form54() = default;

Form54::Form54() : Summary(new QLabel(this)), HistoryList(new QTableWidget(this)) {
    setObjectName("Form54");
    setWindowTitle(QStringLiteral("刪除與合併的客戶"));
    resize(720, 460);
    Summary->setObjectName("Summary");
    Summary->setWordWrap(true);
    HistoryList->setObjectName("HistoryList");
    HistoryList->setAccessibleName(QStringLiteral("刪除、合併或清除的客戶"));
    HistoryList->setColumnCount(6);
    HistoryList->setHorizontalHeaderLabels({QStringLiteral("時間"), QStringLiteral("原因"),
                                            QStringLiteral("代號"), QStringLiteral("姓名"),
                                            QStringLiteral("電話"), QStringLiteral("住宅地址")});
    HistoryList->horizontalHeader()->setStretchLastSection(true);
    HistoryList->verticalHeader()->hide();
    HistoryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    HistoryList->setSelectionBehavior(QAbstractItemView::SelectRows);
    HistoryList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(HistoryList, 1);
    auto* buttons = new QHBoxLayout;
    const QString captions[4] = {QStringLiteral("復原這位客戶"), QStringLiteral("取消這次合併"),
                                 QStringLiteral("清除舊紀錄⋯"), QStringLiteral("關閉")};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QStringLiteral("Command(%1)").arg(i));
        b->setAccessibleName(captions[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { Command_Click(i); });
        Command[static_cast<std::size_t>(i)] = b;
        if (i == End) buttons->addStretch(1);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(HistoryList, &QTableWidget::currentCellChanged, this, [this] {
        const auto* e = chosen();
        Command[UndoMerge]->setEnabled(e && e->gone == store::Gone::MergedAway);
        Command[Restore]->setEnabled(e != nullptr);
    });
}

void Form54::Form_Load() {
    try {
        clients_ = workspace().file().records(store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    const bool writes = !workspace().readOnly();
    Command[Purge]->setEnabled(writes);
    showHistory();
    if (!writes) Command[Restore]->setEnabled(false), Command[UndoMerge]->setEnabled(false);
}

void Form54::showHistory() {
    entries_.clear();
    long total = 0;
    try {
        // The newest only: a clear kept in the history makes it as long as the client table.
        for (auto& e : workspace().file().history(kListed))
            if (!reason(e).isEmpty()) entries_.push_back(std::move(e));
        total = workspace().file().historyBefore("9999", false);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
    HistoryList->setRowCount(static_cast<int>(entries_.size()));
    for (int r = 0; r < HistoryList->rowCount(); ++r) {
        const auto& e = entries_[static_cast<std::size_t>(r)];
        auto field = [&](int f) {
            return static_cast<std::size_t>(f) < e.values.size()
                       ? platform::toQ(e.values[static_cast<std::size_t>(f)])
                       : QString();
        };
        const QString phone =
            field(store::PHONE).isEmpty() ? field(store::TEL_1) : field(store::PHONE);
        const QString cells[6] = {platform::toQ(e.at), reason(e), field(store::NO),
                                  field(store::NAME),  phone,     field(store::ADDR_1)};
        for (int c = 0; c < 6; ++c) HistoryList->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    HistoryList->resizeColumnsToContents();
    Summary->setText(
        workspace().file().backend().keepsHistory()
            ? QStringLiteral(
                  "刪除、合併或清除的客戶都留在這裡，最新的在最上面：共 %1 位%2。選一位按"
                  "「復原這位客戶」放回客戶資料。")
                  .arg(total)
                  .arg(total > static_cast<long>(entries_.size())
                           ? QStringLiteral("（列出最新的 %1 位）").arg(entries_.size())
                           : QString())
            : QStringLiteral("%1 沒有保留紀錄的資料表（也沒有權限建立），刪除的客戶無法復原。")
                  .arg(platform::toQ(workspace().file().where())));
    if (!entries_.empty()) HistoryList->setCurrentCell(0, 0);
    Command[Restore]->setEnabled(chosen() != nullptr && !workspace().readOnly());
    Command[UndoMerge]->setEnabled(chosen() && chosen()->gone == store::Gone::MergedAway &&
                                   !workspace().readOnly());
}

const store::HistoryEntry* Form54::chosen() const {
    const int row = HistoryList->currentRow();
    return row >= 0 && static_cast<std::size_t>(row) < entries_.size()
               ? &entries_[static_cast<std::size_t>(row)]
               : nullptr;
}

void Form54::restore(bool wholeMerge) {
    const store::HistoryEntry* e = chosen();
    if (!e || !clients_) return;
    try {
        if (!clients_->restore(e->id, wholeMerge)) {
            workspace().dialogs().message(
                QStringLiteral("合併後，留下的客戶 %1 又被修改或刪除過，這次合併無法整個取消。"
                               "可以用「復原這位客戶」把合併掉的客戶一位一位放回來。")
                    .arg(platform::toQ(e->by)));
            return;
        }
    } catch (const std::exception& error) {
        platform::showError(error);
        return;
    }
    showHistory();
}

void Form54::Command_Click(int index) {
    switch (index) {
        case Restore:
            restore(false);
            break;
        case UndoMerge:
            restore(true);
            break;
        case Purge:
            purgeHistory(workspace());
            showHistory();
            break;
        case End:
            platform::forms::unload<Form54>();
            break;
    }
}

void purgeHistory(platform::Workspace& workspace) {
    auto& dialogs = workspace.dialogs();
    const QString typed = dialogs.input(
        QStringLiteral("清除哪一天以前的紀錄？（例如 2026-01-31 或 115.01.31）"),
        QStringLiteral("清除舊紀錄"), workspace.today().addYears(-1).toString(Qt::ISODate));
    if (typed.isEmpty()) return;
    const auto date = typedDate(typed);
    if (!date) {
        dialogs.message(QStringLiteral("「%1」不是日期，沒有清除任何紀錄。").arg(typed));
        return;
    }
    const std::string before = platform::toStd(date->toString(Qt::ISODate));
    try {
        const long count = workspace.file().historyBefore(before, false);
        if (count == 0) {
            dialogs.message(QStringLiteral("%1 以前沒有紀錄。").arg(date->toString(Qt::ISODate)));
            return;
        }
        if (dialogs.message(QStringLiteral("%1 以前刪除、合併或清除的客戶有 %2 位。清除這些紀錄後，"
                                           "他們就不能再復原。確定要清除嗎？")
                                .arg(date->toString(Qt::ISODate))
                                .arg(count),
                            {}, platform::Buttons::OkCancel,
                            platform::Icon::Question) != platform::Answer::Ok)
            return;
        workspace.file().historyBefore(before, true);
        dialogs.message(QStringLiteral("已清除 %1 筆紀錄。").arg(count));
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

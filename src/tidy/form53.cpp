#include "tidy/form53.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/workspace.h"
#include "store/errors.h"
#include "store/fields.h"

namespace {

std::vector<std::vector<std::string_view>> views(const std::vector<std::vector<std::string>>& s) {
    std::vector<std::vector<std::string_view>> out;
    for (const auto& c : s) out.emplace_back(c.begin(), c.end());
    return out;
}

}  // namespace

Form53::~Form53() = default;

Form53::Form53()
    : Explanation(new QLabel(this)),
      Fields(new QTableWidget(this)),
      KeepAllRemarks(new QCheckBox(QStringLiteral("備註全部保留（合併成多行）"), this)),
      MergeButton(new QPushButton(QStringLiteral("合併"), this)),
      CancelButton(new QPushButton(QStringLiteral("取消"), this)) {
    setObjectName("Form53");
    setWindowTitle(QStringLiteral("合併重複的客戶"));
    resize(780, 560);
    Explanation->setObjectName("Explanation");
    Explanation->setWordWrap(true);
    Fields->setObjectName("Fields");
    Fields->setAccessibleName(QStringLiteral("每一欄要留下的資料"));
    Fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Fields->setSelectionMode(QAbstractItemView::SingleSelection);
    KeepAllRemarks->setObjectName("KeepAllRemarks");
    MergeButton->setObjectName("MergeButton");
    CancelButton->setObjectName("CancelButton");
    for (auto* b : {MergeButton, CancelButton}) b->setAccessibleName(b->text());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Explanation);
    layout->addWidget(Fields, 1);
    layout->addWidget(KeepAllRemarks);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MergeButton);
    buttons->addStretch(1);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(Fields, &QTableWidget::cellClicked, this, &Form53::choose);
    connect(KeepAllRemarks, &QCheckBox::toggled, this, [this](bool all) {
        if (choice_.empty()) return;
        choice_[store::MEMO] = all ? store::duplicates::kBoth : static_cast<int>(survivor_);
        showChoice();
    });
    connect(MergeButton, &QPushButton::clicked, this, &Form53::merge);
    connect(CancelButton, &QPushButton::clicked, this, [] { platform::forms::unload<Form53>(); });
}

void Form53::showGroup(std::unique_ptr<store::RecordSet> clients,
                       const store::duplicates::Group& group, Merged merged) {
    clients_ = std::move(clients);
    merged_ = std::move(merged);
    members_ = group.members;
    stored_.clear();
    std::array<std::string_view, store::kFieldCount> held;
    for (store::Bookmark b : members_) {
        clients_->valuesOf(b, held);
        stored_.emplace_back(held.begin(), held.end());
    }
    const auto clientsShown = views(stored_);
    survivor_ = store::duplicates::newest(clientsShown);
    choice_ = store::duplicates::defaultChoice(clientsShown);
    const int n = static_cast<int>(members_.size());
    Fields->clear();
    Fields->setRowCount(store::kFieldCount);
    Fields->setColumnCount(n + 1);
    QStringList headings;
    for (int c = 0; c < n; ++c)
        headings << QStringLiteral("%1%2").arg(
            platform::toQ(stored_[static_cast<std::size_t>(c)][store::NO]),
            static_cast<std::size_t>(c) == survivor_ ? QStringLiteral("（留下）") : QString());
    headings << QStringLiteral("合併後");
    Fields->setHorizontalHeaderLabels(headings);
    QStringList titles;
    for (auto t : store::kFieldTitles) titles << platform::toQ(t);
    Fields->setVerticalHeaderLabels(titles);
    for (int f = 0; f < store::kFieldCount; ++f)
        for (int c = 0; c < n; ++c)
            Fields->setItem(
                f, c,
                new QTableWidgetItem(platform::toQ(
                    stored_[static_cast<std::size_t>(c)][static_cast<std::size_t>(f)])));
    Explanation->setText(
        QStringLiteral(
            "%1：%2。每一欄按一下要留下的資料（綠色），最右邊是合併後的樣子。按「合併」後，"
            "其他 %3 位客戶會合併到 %4，他們整筆留在紀錄裡，可以取消合併。")
            .arg(platform::toQ(store::duplicates::describe(group.rule)), platform::toQ(group.key))
            .arg(n - 1)
            .arg(platform::toQ(stored_[survivor_][store::NO])));
    KeepAllRemarks->blockSignals(true);
    KeepAllRemarks->setChecked(choice_[store::MEMO] == store::duplicates::kBoth);
    KeepAllRemarks->blockSignals(false);
    showChoice();
    Fields->resizeColumnsToContents();
}

void Form53::choose(int field, int column) {
    if (field < 0 || field >= store::kFieldCount || column < 0 ||
        column >= static_cast<int>(members_.size()))
        return;
    choice_[static_cast<std::size_t>(field)] = column;
    if (field == store::MEMO) {
        KeepAllRemarks->blockSignals(true);
        KeepAllRemarks->setChecked(false);
        KeepAllRemarks->blockSignals(false);
    }
    showChoice();
}

std::vector<std::string> Form53::mergedValues() const {
    return store::duplicates::chosenValues(views(stored_), choice_);
}

void Form53::showChoice() {
    const int n = static_cast<int>(members_.size());
    const auto values = mergedValues();
    const QColor chosen(0xC0, 0xF0, 0xC0);
    for (int f = 0; f < store::kFieldCount; ++f) {
        const int pick = choice_[static_cast<std::size_t>(f)];
        for (int c = 0; c < n; ++c)
            if (auto* item = Fields->item(f, c))
                item->setBackground(
                    pick == c || pick == store::duplicates::kBoth ? chosen : QColor(Qt::white));
        Fields->setItem(f, n,
                        new QTableWidgetItem(platform::toQ(values[static_cast<std::size_t>(f)])));
    }
}

void Form53::merge() {
    if (!clients_ || members_.size() < 2) return;
    if (workspace().dialogs().message(
            QStringLiteral("把這 %1 位客戶合併成一位？合併掉的客戶整筆留在紀錄裡，可以用「取消上次"
                           "合併」或 TOOLS → HISTORY 復原。")
                .arg(members_.size()),
            {}, platform::Buttons::OkCancel, platform::Icon::Question) != platform::Answer::Ok)
        return;
    const auto values = mergedValues();
    // Only what changes is written: a value the client that stays holds stays as stored.
    store::ColumnValues changes;
    for (int f = 0; f < store::kFieldCount; ++f)
        if (values[static_cast<std::size_t>(f)] != stored_[survivor_][static_cast<std::size_t>(f)])
            changes.emplace_back(f, values[static_cast<std::size_t>(f)]);
    std::vector<store::Bookmark> away;
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (i != survivor_) away.push_back(members_[i]);
    try {
        const int64_t batch = clients_->merge(members_[survivor_], away, changes);
        if (merged_) merged_(batch);
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    platform::forms::unload<Form53>();
}

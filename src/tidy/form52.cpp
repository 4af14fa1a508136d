#include "tidy/form52.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "tidy/form53.h"

namespace {

constexpr int kShownFields[] = {store::NO,    store::NAME,  store::BIRTH,  store::SELF_NO,
                                store::PHONE, store::TEL_1, store::ADDR_1, store::DATE};

}  // namespace

Form52::~Form52() = default;

Form52::Form52()
    : FindButton(new QPushButton(QStringLiteral("尋找重複"), this)),
      Summary(new QLabel(this)),
      Groups(new QTreeWidget(this)) {
    setObjectName("Form52");
    setWindowTitle(QStringLiteral("重複的客戶"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    auto* rules = new QHBoxLayout;
    for (std::size_t i = 0; i < RuleBox.size(); ++i) {
        auto* box = new QCheckBox(
            platform::toQ(store::duplicates::describe(store::duplicates::kRules[i])), this);
        box->setObjectName(QStringLiteral("RuleBox(%1)").arg(i));
        box->setChecked(true);
        RuleBox[i] = box;
        rules->addWidget(box);
    }
    rules->addStretch(1);
    FindButton->setObjectName("FindButton");
    FindButton->setAccessibleName(FindButton->text());
    rules->addWidget(FindButton);
    layout->addLayout(rules);
    Summary->setObjectName("Summary");
    Summary->setWordWrap(true);
    layout->addWidget(Summary);
    Groups->setObjectName("Groups");
    Groups->setAccessibleName(QStringLiteral("可能是同一個人的客戶"));
    QStringList headings;
    for (int f : kShownFields)
        headings << platform::toQ(store::kFieldTitles[static_cast<std::size_t>(f)]);
    Groups->setHeaderLabels(headings);
    Groups->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(Groups, 1);
    auto* buttons = new QHBoxLayout;
    const QString captions[3] = {QStringLiteral("合併這一組⋯"), QStringLiteral("取消上次合併"),
                                 QStringLiteral("關閉")};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QStringLiteral("Command(%1)").arg(i));
        b->setAccessibleName(captions[i]);
        Command[static_cast<std::size_t>(i)] = b;
        if (i == End) buttons->addStretch(1);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(FindButton, &QPushButton::clicked, this, &Form52::findGroups);
    connect(Command[Merge], &QPushButton::clicked, this, &Form52::mergeChosen);
    connect(Command[Undo], &QPushButton::clicked, this, &Form52::undoLast);
    connect(Command[End], &QPushButton::clicked, this, [] { platform::forms::unload<Form52>(); });
    connect(Groups, &QTreeWidget::itemDoubleClicked, this, &Form52::mergeChosen);
}

void Form52::Form_Load() {
    try {
        clients_ = workspace().file().records(store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    Command[Undo]->setEnabled(false);
    Command[Merge]->setEnabled(false);
    findGroups();
}

void Form52::findGroups() {
    if (!clients_) return;
    std::set<store::duplicates::Rule> rules;
    for (std::size_t i = 0; i < RuleBox.size(); ++i)
        if (RuleBox[i]->isChecked()) rules.insert(store::duplicates::kRules[i]);
    workspace().dialogs().busy(QStringLiteral("尋找重複的客戶⋯"));
    try {
        groups_ = store::duplicates::find(*clients_, rules);
    } catch (const std::exception& e) {
        workspace().dialogs().idle();
        platform::showError(e);
        return;
    }
    workspace().dialogs().idle();
    showGroups();
}

void Form52::showGroups() {
    Groups->clear();
    std::array<std::string_view, store::kFieldCount> values;
    for (const auto& g : groups_) {
        auto* top = new QTreeWidgetItem(Groups);
        top->setText(
            0, QStringLiteral("%1：%2（%3 位）")
                   .arg(platform::toQ(store::duplicates::describe(g.rule)), platform::toQ(g.key))
                   .arg(g.members.size()));
        top->setFirstColumnSpanned(true);
        for (store::Bookmark b : g.members) {
            if (!clients_->valuesOf(b, values)) continue;
            auto* row = new QTreeWidgetItem(top);
            for (int c = 0; c < static_cast<int>(std::size(kShownFields)); ++c)
                row->setText(
                    c,
                    platform::toQ(values[static_cast<std::size_t>(kShownFields[c])]).simplified());
        }
        top->setExpanded(true);
    }
    Summary->setText(
        groups_.empty()
            ? QStringLiteral("沒有找到可能重複的客戶。")
            : QStringLiteral("找到 %1 組可能是同一個人的客戶，最有把握的規則在前面。選一組"
                             "按「合併這一組⋯」，逐欄決定留下哪一筆資料；不會自動合併。")
                  .arg(groups_.size()));
    if (Groups->topLevelItemCount() > 0) Groups->setCurrentItem(Groups->topLevelItem(0));
    Command[Merge]->setEnabled(!groups_.empty() && !workspace().readOnly());
    Groups->resizeColumnToContents(1);
}

void Form52::mergeChosen() {
    QTreeWidgetItem* item = Groups->currentItem();
    if (!item) return;
    if (item->parent()) item = item->parent();
    const int index = Groups->indexOfTopLevelItem(item);
    if (index < 0 || static_cast<std::size_t>(index) >= groups_.size() || workspace().readOnly())
        return;
    const auto group = groups_[static_cast<std::size_t>(index)];
    platform::forms::place<Form53>(600, 600, 9600, 6200);
    platform::forms::get<Form53>().showGroup(
        clients_->clone(), group, [this, group](int64_t batch) {
            merges_.push_back(batch);
            Command[Undo]->setEnabled(true);
            // The group is done; the others stand as they were found.
            for (auto it = groups_.begin(); it != groups_.end(); ++it)
                if (it->members == group.members && it->rule == group.rule) {
                    groups_.erase(it);
                    break;
                }
            showGroups();
            Summary->setText(QStringLiteral("已合併。要取消，按「取消上次合併」。 ") +
                             Summary->text());
        });
}

void Form52::undoLast() {
    if (merges_.empty()) return;
    const int64_t batch = merges_.back();
    int64_t entry = 0;
    try {
        for (const auto& e : workspace().file().history(1, batch)) entry = e.id;
        if (entry == 0 || !clients_->restore(entry, true)) {
            workspace().dialogs().message(QStringLiteral(
                "這次合併已經無法整個取消：合併後留下的客戶又被修改或刪除過，或紀錄已被清除。"
                "合併掉的客戶可以從 TOOLS → HISTORY 一位一位復原。"));
            return;
        }
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    merges_.pop_back();
    Command[Undo]->setEnabled(!merges_.empty());
    findGroups();
}

#include "maintenance/form45.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>
#include <set>

#include "exchange/export.h"
#include "exchange/vcardimport.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
#include "store/duplicates.h"
#include "store/fields.h"
#include "store/text.h"

namespace {

constexpr int kPreviewRows = 20;

// The import's long steps show a bar with a Cancel button; stopping throws, and what was done
// is undone.
store::bulk::Progress cancellableBar(platform::Dialogs& dialogs, const QString& label,
                                     long unit = 1) {
    return [&dialogs, label, unit](long done, long total) {
        if (!dialogs.progress(label, done / unit, total / unit, true))
            throw store::bulk::Cancelled();
    };
}

// The codes the client table holds.
std::vector<std::string> storedCodes(store::ClientFile& file) {
    std::vector<std::string> codes;
    const auto rs = file.records(store::kClientTable);
    for (long i = 0; i < rs->recordCount(); ++i) codes.emplace_back(rs->valueAt(i, store::NO));
    return codes;
}

// Cards from a phone have no code: they get the next free codes of the form the table uses,
// so that each can be found as every other client is. How many were given.
long giveCodes(std::vector<exchange::ClientValues>& clients, std::vector<std::string> codes) {
    std::size_t missing = 0;
    for (const auto& c : clients) {
        if (c[store::NO] && !c[store::NO]->empty())
            codes.push_back(*c[store::NO]);
        else
            ++missing;
    }
    const auto free = exchange::freeCodes(codes, missing);
    std::size_t next = 0;
    for (auto& c : clients)
        if (!c[store::NO] || c[store::NO]->empty()) c[store::NO] = free[next++];
    return static_cast<long>(missing);
}

// The rules an imported client is compared with the held clients by.
constexpr store::duplicates::Rule kImportRules[] = {store::duplicates::Rule::SameCode,
                                                    store::duplicates::Rule::SameIdentity,
                                                    store::duplicates::Rule::SameNameAndBirthday};

QString knownReason(const KnownClient& k) {
    return platform::toQ(store::duplicates::describe(static_cast<store::duplicates::Rule>(k.rule)));
}

}  // namespace

// The clients the table holds, by the keys an import is compared on, so that a file imported
// twice does not double them unseen: each key's hash beside the held row, sorted; a match is
// confirmed by its key itself.
class KnownClients {
  public:
    explicit KnownClients(store::ClientFile& file) : rows_(file.records(store::kClientTable)) {
        std::array<std::string_view, store::kFieldCount> values;
        std::vector<std::string> keys;
        for (long i = 0; i < rows_->recordCount(); ++i) {
            rows_->valuesAt(i, values);
            for (auto rule : kImportRules) {
                store::duplicates::keysOf(rule, values, keys);
                for (const auto& k : keys)
                    index_.emplace_back(hash(rule, k), static_cast<uint32_t>(i));
            }
        }
        std::sort(index_.begin(), index_.end());
    }
    // The first held client this one matches, surest rule first.
    KnownClient operator()(const exchange::ClientValues& client) const {
        const auto values = viewOf(client);
        std::vector<std::string> keys;
        for (auto rule : kImportRules) {
            store::duplicates::keysOf(rule, values.view, keys);
            for (const auto& k : keys) {
                const uint64_t h = hash(rule, k);
                for (auto it =
                         std::lower_bound(index_.begin(), index_.end(), std::make_pair(h, 0u));
                     it != index_.end() && it->first == h; ++it)
                    if (holds(it->second, rule, k))
                        return {rows_->bookmarkAt(it->second), static_cast<int8_t>(rule)};
            }
        }
        return {};
    }
    // The held client still is the one matched (the rows were not read again since).
    bool stillMatches(const KnownClient& known, const exchange::ClientValues& client) const {
        const auto values = viewOf(client);
        std::vector<std::string> keys;
        const auto rule = static_cast<store::duplicates::Rule>(known.rule);
        store::duplicates::keysOf(rule, values.view, keys);
        std::array<std::string_view, store::kFieldCount> held;
        if (!rows_->valuesOf(known.row, held)) return false;
        std::vector<std::string> heldKeys;
        store::duplicates::keysOf(rule, held, heldKeys);
        return !keys.empty() && !heldKeys.empty() && keys[0] == heldKeys[0];
    }

  private:
    struct View {
        std::array<std::string_view, store::kFieldCount> view;
    };
    static View viewOf(const exchange::ClientValues& client) {
        View v;
        for (std::size_t f = 0; f < v.view.size() && f < client.size(); ++f)
            if (client[f]) v.view[f] = *client[f];
        return v;
    }
    static uint64_t hash(store::duplicates::Rule rule, const std::string& key) {
        return std::hash<std::string>{}(key)*31 + static_cast<uint64_t>(rule);
    }
    bool holds(uint32_t place, store::duplicates::Rule rule, const std::string& key) const {
        std::array<std::string_view, store::kFieldCount> values;
        rows_->valuesAt(place, values);
        std::vector<std::string> keys;
        store::duplicates::keysOf(rule, values, keys);
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }

    std::unique_ptr<store::RecordSet> rows_;
    std::vector<std::pair<uint64_t, uint32_t>> index_;
};

Form45::Form45()
    : Label1(new QLabel(this)),
      Preview(new QTableWidget(this)),
      Refusals(new QListWidget(this)),
      KnownChoice(new QComboBox(this)) {
    setObjectName("Form45");
    setWindowTitle(QStringLiteral("檔案匯入"));
    resize(760, 520);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Preview->setObjectName("Preview");
    Preview->setAccessibleName(QStringLiteral("存入後的樣子（前 20 筆）"));
    Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Preview->setColumnCount(store::kFieldCount);
    QStringList headings;
    for (auto name : store::kFieldNames) headings << platform::toQ(name);
    Preview->setHorizontalHeaderLabels(headings);
    Refusals->setObjectName("Refusals");
    Refusals->setAccessibleName(QStringLiteral("不能匯入的資料與原因"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Preview, 3);
    layout->addWidget(Refusals, 1);
    auto* buttons = new QHBoxLayout;
    const char* captions[3] = {"IMPORT", "REPORT", "END"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), this);
        b->setAccessibleName(platform::spokenName(b->text()));
        b->setObjectName(QStringLiteral("COMMAND1(%1)").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { COMMAND1_Click(i); });
        COMMAND1[static_cast<std::size_t>(i)] = b;
        buttons->addWidget(b);
    }
    KnownChoice->setObjectName("KnownChoice");
    KnownChoice->setAccessibleName(QStringLiteral("已經有的客戶"));
    KnownChoice->addItems({QStringLiteral("已經有的客戶：略過，不匯入"),
                           QStringLiteral("已經有的客戶：照樣匯入成新的客戶"),
                           QStringLiteral("已經有的客戶：用檔案裡有資料的欄位更新（代號不變）")});
    buttons->insertWidget(0, KnownChoice);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

Form45::~Form45() = default;

void Form45::showChecked(const QString& file, exchange::CheckedImport checked,
                         std::vector<KnownClient> known, std::shared_ptr<KnownClients> clients,
                         Again again) {
    checked_ = std::move(checked);
    known_ = std::move(known);
    clients_ = std::move(clients);
    again_ = again ? std::move(again) : [this](const exchange::EachClient& each) {
        for (std::size_t i = 0; i < checked_.clients.size(); ++i)
            each(static_cast<long>(i), checked_.clients[i]);
    };
    knownCount_ = std::count_if(known_.begin(), known_.end(), [](auto k) { return k.known(); });
    const long coded =
        checked_.cards ? giveCodes(checked_.clients, storedCodes(workspace().file())) : 0;
    QString text = QStringLiteral("%1\n可匯入 %2 筆，不能匯入 %3 %4。")
                       .arg(file)
                       .arg(checked_.passed)
                       .arg(checked_.refused.size())
                       .arg(checked_.cards ? QStringLiteral("張") : QStringLiteral("筆"));
    if (knownCount_)
        text += QStringLiteral(
                    "其中 %1 筆可能已經在客戶資料裡（代號、身份證字號或姓名和生日相同，"
                    "黃色的列），下方選擇怎麼處理。")
                    .arg(knownCount_);
    KnownChoice->setVisible(knownCount_ > 0);
    KnownChoice->setCurrentIndex(Skip);
    if (coded) text += QStringLiteral("沒有代號的 %1 筆依序編給新代號。").arg(coded);
    if (!checked_.ignoredColumns.empty()) {
        QStringList ignored;
        for (const auto& c : checked_.ignoredColumns) ignored << platform::toQ(c);
        text += (checked_.cards ? QStringLiteral("\n沒有對應欄位，不會匯入的項目：%1")
                                : QStringLiteral("\n不是客戶欄位，不會匯入的欄：%1"))
                    .arg(ignored.join(QStringLiteral("、")));
    }
    Label1->setText(text);
    const int shown = std::min<int>(kPreviewRows, static_cast<int>(checked_.clients.size()));
    Preview->setRowCount(shown);
    for (int r = 0; r < shown; ++r)
        for (int f = 0; f < store::kFieldCount; ++f) {
            const auto& v =
                checked_.clients[static_cast<std::size_t>(r)][static_cast<std::size_t>(f)];
            auto* item = new QTableWidgetItem(v ? platform::toQ(*v) : QString());
            if (const auto& k = known_[static_cast<std::size_t>(r)]; k.known()) {
                item->setBackground(QColor(0xFF, 0xF4, 0xC2));
                item->setToolTip(QStringLiteral("已經有：") + knownReason(k));
            }
            Preview->setItem(r, f, item);
        }
    Refusals->clear();
    for (const auto& r : checked_.refused)
        Refusals->addItem(platform::toQ(exchange::refusalLine(checked_, r)));
    COMMAND1[Import]->setEnabled(checked_.passed > 0);
    COMMAND1[Report]->setEnabled(!checked_.refused.empty());
}

void Form45::COMMAND1_Click(int index) {
    if (index == End) {
        platform::forms::unload<Form45>();
        return;
    }
    if (index == Report) {
        const QString path = workspace().dialogs().saveFileName(QStringLiteral("儲存匯入問題報告"),
                                                                QStringLiteral("匯入問題.txt"),
                                                                QStringLiteral("文字檔 (*.txt)"));
        if (path.isEmpty()) return;
        try {
            const std::string report = exchange::refusalReport(checked_);
            exchange::writeFile(platform::toStd(path), [&](std::ostream& out) { out << report; });
        } catch (const std::exception& e) {
            platform::showError(e);
        }
        return;
    }
    const auto choice = knownCount_ ? Known(KnownChoice->currentIndex()) : ImportAnyway;
    // The known clients skipped or written over are not added; a held client matched twice is
    // updated by the first and the others skipped.
    std::vector<uint8_t> added(known_.size(), 1);
    store::ClientFile::Updates updates;
    std::set<uint32_t> updated;
    long skipped = 0;
    if (choice != ImportAnyway)
        for (std::size_t i = 0; i < known_.size(); ++i)
            if (known_[i].known()) {
                added[i] = 0;
                if (choice == Update && updated.insert(known_[i].row).second)
                    updates.push_back({known_[i].row, {}});
                else
                    ++skipped;
            }
    const long imported = checked_.passed - knownCount_ * (choice != ImportAnyway);
    if (imported == 0 && updates.empty()) {
        workspace().dialogs().message(QStringLiteral("沒有要匯入的客戶資料。"));
        return;
    }
    try {
        // The update's values come from the file read again: each known client's non-empty
        // fields but its code, in the order of the clients matched.
        std::map<uint32_t, std::size_t> updateOf;
        for (std::size_t u = 0; u < updates.size(); ++u) updateOf[updates[u].first] = u;
        std::vector<uint8_t> valuesTaken(updates.size(), 0);
        const exchange::ImportError changed("檔案在檢查之後被改過了，請重新匯入。");
        const exchange::ImportError reread("客戶資料在檢查之後重新讀取過，請重新匯入。");
        auto each = [&](const std::function<void(const store::NewClient&)>& add) {
            // A file changed since it was checked is not what the user saw: nothing of it.
            long given = 0;
            again_([&](long i, const exchange::ClientValues& client) {
                if (i >= checked_.passed) throw changed;
                ++given;
                const auto& k = known_[static_cast<std::size_t>(i)];
                if (added[static_cast<std::size_t>(i)]) {
                    add(client);
                } else if (choice == Update) {
                    const auto u = updateOf.find(k.row);
                    if (u == updateOf.end() || valuesTaken[u->second]) return;
                    if (!clients_->stillMatches(k, client)) throw reread;
                    valuesTaken[u->second] = 1;
                    for (int f = 0; f < store::kFieldCount; ++f) {
                        const auto& v = client[static_cast<std::size_t>(f)];
                        if (f != store::NO && v && !v->empty())
                            updates[u->second].second.emplace_back(f, *v);
                    }
                }
            });
            if (given != checked_.passed) throw changed;
        };
        if (!updates.empty()) {
            // The values are gathered first: the backend writes them after the new clients.
            each([](const store::NewClient&) {});
        }
        workspace().file().appendClients(
            each, imported, cancellableBar(workspace().dialogs(), QStringLiteral("匯入客戶資料⋯")),
            updates);
    } catch (const store::bulk::Cancelled&) {
        workspace().dialogs().message(QStringLiteral("匯入已取消，客戶資料沒有改變。"));
        return;
    } catch (const std::exception& e) {
        platform::showError(e);  // one transaction: nothing was stored
        return;
    }
    QString done = QStringLiteral("已匯入 %1 筆客戶資料。").arg(imported);
    if (!updates.empty())
        done += QStringLiteral("更新了已有的 %1 位客戶（更新前的資料留在紀錄裡）。")
                    .arg(updates.size());
    if (skipped) done += QStringLiteral("略過已有的 %1 筆。").arg(skipped);
    workspace().dialogs().message(done);
    platform::forms::unload<Form45>();
    workspace().goHome(true);  // the list read again, with the new clients
}

namespace {

// Reads the chosen file with `read` and shows what it holds in the import window.
void showImport(platform::Dialogs& dialogs, const QString& path,
                const std::function<void(Form45&)>& read) {
    try {
        read(platform::forms::get<Form45>());
        platform::forms::place<Form45>(600, 900, 11000, 7600);
    } catch (const store::bulk::Cancelled&) {
        return;
    } catch (const exchange::ImportError& e) {
        dialogs.message(path + QStringLiteral(" 無法匯入：") + platform::toQ(e.what()), {},
                        platform::Buttons::Ok, platform::Icon::Exclamation);
    }
}

}  // namespace

void importClients(platform::Workspace& workspace) {
    platform::Dialogs& dialogs = workspace.dialogs();
    const QString path = dialogs.openFileName(QStringLiteral("匯入客戶資料"),
                                              QStringLiteral("CSV 或 vCard (*.csv *.vcf)"));
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs.message(QStringLiteral("無法讀取 %1：%2").arg(path, file.errorString()));
        return;
    }
    std::shared_ptr<KnownClients> held;
    try {
        held = std::make_shared<KnownClients>(workspace.file());
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    const KnownClients& isKnown = *held;
    if (path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive)) {
        const QByteArray data = file.readAll();
        const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
        showImport(dialogs, path, [&](Form45& window) {
            auto checked = exchange::readClientsVcard(
                bytes, cancellableBar(dialogs, QStringLiteral("讀取名片檔（行）⋯")));
            std::vector<KnownClient> known;
            for (const auto& client : checked.clients) known.push_back(isKnown(client));
            // Cards are few and kept: given again from the window's own.
            window.showChecked(path, std::move(checked), std::move(known), held, {});
        });
        return;
    }
    const long total = static_cast<long>(file.size());
    exchange::Detected detected{exchange::Encoding::Utf8, true};
    try {
        detected =
            exchange::detectEncoding([&] { return exchange::filePieces(platform::toStd(path)); });
    } catch (const exchange::ImportError& e) {
        dialogs.message(path + QStringLiteral(" 無法匯入：") + platform::toQ(e.what()));
        return;
    }
    if (!detected.certain) {
        const auto answer = dialogs.message(
            QStringLiteral(
                "無法確定 %1 的文字編碼。\n按「是」以 UTF-8 讀取，按「否」以 Big5 讀取。")
                .arg(path),
            {}, platform::Buttons::YesNoCancel, platform::Icon::Question);
        if (answer == platform::Answer::Cancel) return;
        detected.encoding =
            answer == platform::Answer::Yes ? exchange::Encoding::Utf8 : exchange::Encoding::Big5;
    }
    showImport(dialogs, path, [&](Form45& window) {
        const auto bar = cancellableBar(dialogs, QStringLiteral("讀取 CSV 檔（KB）⋯"), 1024);
        std::vector<KnownClient> known;
        auto checked = exchange::readClientsCsv(
            exchange::filePieces(platform::toStd(path)), total, detected.encoding, bar,
            kPreviewRows,
            [&](long, const exchange::ClientValues& client) { known.push_back(isKnown(client)); });
        // The clients are read again to be stored, not held meanwhile.
        const exchange::Encoding encoding = detected.encoding;
        window.showChecked(path, std::move(checked), std::move(known), held,
                           [path, total, encoding](const exchange::EachClient& each) {
                               exchange::readClientsCsv(exchange::filePieces(platform::toStd(path)),
                                                        total, encoding, {}, 0, each);
                           });
    });
}

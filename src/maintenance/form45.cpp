#include "maintenance/form45.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <unordered_set>

#include "exchange/export.h"
#include "exchange/vcardimport.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
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

// Whether a client's code is one the client table holds already (compared as the program
// compares text), so that a file imported twice does not double them unseen.
class KnownCodes {
  public:
    explicit KnownCodes(const std::vector<std::string>& codes) {
        for (const auto& code : codes)
            if (!code.empty()) stored_.insert(store::text::fold(code));
    }
    bool operator()(const exchange::ClientValues& client) const {
        const auto& code = client[store::NO];
        return code && !code->empty() && stored_.count(store::text::fold(*code));
    }

  private:
    std::unordered_set<std::string> stored_;
};

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

}  // namespace

Form45::Form45()
    : Label1(new QLabel(this)), Preview(new QTableWidget(this)), Refusals(new QListWidget(this)) {
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
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void Form45::showChecked(const QString& file, exchange::CheckedImport checked,
                         std::vector<bool> known, Again again) {
    checked_ = std::move(checked);
    known_ = std::move(known);
    again_ = again ? std::move(again) : [this](const exchange::EachClient& each) {
        for (std::size_t i = 0; i < checked_.clients.size(); ++i)
            each(static_cast<long>(i), checked_.clients[i]);
    };
    knownCount_ = std::count(known_.begin(), known_.end(), true);
    const long coded =
        checked_.cards ? giveCodes(checked_.clients, storedCodes(workspace().file())) : 0;
    QString text = QStringLiteral("%1\n可匯入 %2 筆，不能匯入 %3 %4。")
                       .arg(file)
                       .arg(checked_.passed)
                       .arg(checked_.refused.size())
                       .arg(checked_.cards ? QStringLiteral("張") : QStringLiteral("筆"));
    if (knownCount_) text += QStringLiteral("其中 %1 筆的代號已經在客戶資料裡。").arg(knownCount_);
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
            Preview->setItem(r, f, new QTableWidgetItem(v ? platform::toQ(*v) : QString()));
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
    bool skipKnown = false;
    if (knownCount_) {
        const auto answer = workspace().dialogs().message(
            QStringLiteral("有 %1 筆的代號已經在客戶資料裡（也許這個檔案匯入過）。\n"
                           "按「是」略過這 %1 筆，只匯入其他 %2 筆；按「否」全部匯入；"
                           "按「取消」不匯入。")
                .arg(knownCount_)
                .arg(checked_.passed - knownCount_),
            {}, platform::Buttons::YesNoCancel, platform::Icon::Question);
        if (answer == platform::Answer::Cancel) return;
        skipKnown = answer == platform::Answer::Yes;
    }
    const long skipped = skipKnown ? knownCount_ : 0;
    const long imported = checked_.passed - skipped;
    if (imported == 0) {
        workspace().dialogs().message(QStringLiteral("沒有要匯入的客戶資料。"));
        return;
    }
    try {
        workspace().file().appendClients(
            [&](const std::function<void(const store::NewClient&)>& add) {
                // A file changed since it was checked is not what the user saw: nothing of it.
                const exchange::ImportError changed("檔案在檢查之後被改過了，請重新匯入。");
                long given = 0;
                again_([&](long i, const exchange::ClientValues& client) {
                    if (i >= checked_.passed) throw changed;
                    ++given;
                    if (!(skipKnown && known_[static_cast<std::size_t>(i)])) add(client);
                });
                if (given != checked_.passed) throw changed;
            },
            imported, cancellableBar(workspace().dialogs(), QStringLiteral("匯入客戶資料⋯")));
    } catch (const store::bulk::Cancelled&) {
        workspace().dialogs().message(QStringLiteral("匯入已取消，客戶資料沒有改變。"));
        return;
    } catch (const std::exception& e) {
        platform::showError(e);  // one transaction: nothing was stored
        return;
    }
    QString done = QStringLiteral("已匯入 %1 筆客戶資料。").arg(imported);
    if (skipped) done += QStringLiteral("略過代號已有的 %1 筆。").arg(skipped);
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
    const KnownCodes isKnown(storedCodes(workspace.file()));
    if (path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive)) {
        const QByteArray data = file.readAll();
        const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
        showImport(dialogs, path, [&](Form45& window) {
            auto checked = exchange::readClientsVcard(
                bytes, cancellableBar(dialogs, QStringLiteral("讀取名片檔（行）⋯")));
            std::vector<bool> known;
            for (const auto& client : checked.clients) known.push_back(isKnown(client));
            // Cards are few and kept: given again from the window's own.
            window.showChecked(path, std::move(checked), std::move(known), {});
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
        std::vector<bool> known;
        auto checked = exchange::readClientsCsv(
            exchange::filePieces(platform::toStd(path)), total, detected.encoding, bar,
            kPreviewRows,
            [&](long, const exchange::ClientValues& client) { known.push_back(isKnown(client)); });
        // The clients are read again to be stored, not held meanwhile.
        const exchange::Encoding encoding = detected.encoding;
        window.showChecked(path, std::move(checked), std::move(known),
                           [path, total, encoding](const exchange::EachClient& each) {
                               exchange::readClientsCsv(exchange::filePieces(platform::toStd(path)),
                                                        total, encoding, {}, 0, each);
                           });
    });
}

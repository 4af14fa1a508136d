#include "maintenance/form45.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "exchange/export.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/widgets.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/longwork.h"

using platform::dialogs;

namespace {
constexpr int kPreviewRows = 20;
}

Form45::Form45()
    : Label1(new QLabel(this)), Preview(new QTableWidget(this)), Refusals(new QListWidget(this)) {
    setObjectName("Form45");
    setWindowTitle(QStringLiteral("檔案匯入"));
    resize(760, 520);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Preview->setObjectName("Preview");
    Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Preview->setColumnCount(store::kFieldCount);
    QStringList headings;
    for (auto name : store::kFieldNames) headings << platform::toQ(name);
    Preview->setHorizontalHeaderLabels(headings);
    Refusals->setObjectName("Refusals");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Preview, 3);
    layout->addWidget(Refusals, 1);
    auto* buttons = new QHBoxLayout;
    const char* captions[3] = {"IMPORT", "REPORT", "END"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), this);
        b->setObjectName(QStringLiteral("COMMAND1(%1)").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { COMMAND1_Click(i); });
        COMMAND1[static_cast<std::size_t>(i)] = b;
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void Form45::showChecked(const QString& file, exchange::CheckedImport checked) {
    checked_ = std::move(checked);
    QString text = QStringLiteral("%1\n可匯入 %2 筆，不能匯入 %3 筆。")
                       .arg(file)
                       .arg(checked_.clients.size())
                       .arg(checked_.refused.size());
    if (!checked_.ignoredColumns.empty()) {
        QStringList ignored;
        for (const auto& c : checked_.ignoredColumns) ignored << platform::toQ(c);
        text += QStringLiteral("\n不是客戶欄位，不會匯入的欄：%1")
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
        Refusals->addItem(QStringLiteral("第 %1 行：%2").arg(r.line).arg(platform::toQ(r.reason)));
    COMMAND1[Import]->setEnabled(!checked_.clients.empty());
    COMMAND1[Report]->setEnabled(!checked_.refused.empty());
}

void Form45::COMMAND1_Click(int index) {
    if (index == End) {
        platform::forms::unload<Form45>();
        return;
    }
    if (index == Report) {
        const QString path = dialogs().saveFileName(QStringLiteral("儲存匯入問題報告"),
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
    try {
        // A large file takes seconds: the windows keep painting meanwhile.
        store::runLong([this] { platform::clientFile().appendClients(checked_.clients); });
    } catch (const std::exception& e) {
        platform::showError(e);  // one transaction: nothing was stored
        return;
    }
    dialogs().message(QStringLiteral("已匯入 %1 筆客戶資料。").arg(checked_.clients.size()));
    platform::forms::unload<Form45>();
    platform::forms::goHome(true);  // the list read again, with the new clients
}

void importClientsFromCsv() {
    const QString path =
        dialogs().openFileName(QStringLiteral("匯入客戶資料"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs().message(QStringLiteral("無法讀取 %1：%2").arg(path, file.errorString()));
        return;
    }
    const std::string bytes = file.readAll().toStdString();
    exchange::Detected detected = exchange::detectEncoding(bytes);
    if (!detected.certain) {
        const auto answer = dialogs().message(
            QStringLiteral(
                "無法確定 %1 的文字編碼。\n按「是」以 UTF-8 讀取，按「否」以 Big5 讀取。")
                .arg(path),
            {}, platform::Buttons::YesNoCancel, platform::Icon::Question);
        if (answer == platform::Answer::Cancel) return;
        detected.encoding =
            answer == platform::Answer::Yes ? exchange::Encoding::Utf8 : exchange::Encoding::Big5;
    }
    try {
        exchange::CheckedImport checked;
        store::runLong([&] { checked = exchange::readClientsCsv(bytes, detected.encoding); });
        platform::forms::get<Form45>().showChecked(path, std::move(checked));
        platform::forms::place<Form45>(600, 900, 11000, 7600);
    } catch (const exchange::ImportError& e) {
        dialogs().message(path + QStringLiteral(" 無法匯入：") + platform::toQ(e.what()), {},
                          platform::Buttons::Ok, platform::Icon::Exclamation);
    }
}

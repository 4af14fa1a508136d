#include "tidy/form51.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "platform/dialogs.h"
#include "platform/qtext.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "store/clientfile.h"
#include "store/fields.h"

Form51::~Form51() = default;

Form51::Form51()
    : SearchText(new QLineEdit(this)),
      SearchCount(new QLabel(this)),
      SearchResults(new QTableWidget(this)),
      ShowClient(new QPushButton(QStringLiteral("顯示這位客戶"), this)),
      CloseButton(new QPushButton(QStringLiteral("關閉"), this)) {
    setObjectName("Form51");
    setWindowTitle(QStringLiteral("尋找客戶"));
    resize(640, 460);
    SearchText->setObjectName("SearchText");
    SearchText->setAccessibleName(QStringLiteral("要找的字或電話號碼"));
    SearchText->setPlaceholderText(QStringLiteral("姓名、公司、地址、電話⋯任何欄位的一部分"));
    SearchCount->setObjectName("SearchCount");
    SearchResults->setObjectName("SearchResults");
    SearchResults->setAccessibleName(QStringLiteral("找到的客戶"));
    SearchResults->setColumnCount(4);
    SearchResults->setHorizontalHeaderLabels({QStringLiteral("代號"), QStringLiteral("姓名"),
                                              QStringLiteral("符合的欄位"),
                                              QStringLiteral("內容")});
    SearchResults->horizontalHeader()->setStretchLastSection(true);
    SearchResults->verticalHeader()->hide();
    SearchResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SearchResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    SearchResults->setSelectionMode(QAbstractItemView::SingleSelection);
    ShowClient->setObjectName("ShowClient");
    CloseButton->setObjectName("CloseButton");
    for (auto* b : {ShowClient, CloseButton}) b->setAccessibleName(b->text());

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("尋找："), this);
    label->setBuddy(SearchText);
    top->addWidget(label);
    top->addWidget(SearchText, 1);
    layout->addLayout(top);
    layout->addWidget(SearchCount);
    layout->addWidget(SearchResults, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ShowClient);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);

    connect(SearchText, &QLineEdit::textChanged, this, &Form51::search);
    connect(SearchResults, &QTableWidget::cellDoubleClicked, this, &Form51::showChosen);
    connect(ShowClient, &QPushButton::clicked, this, &Form51::showChosen);
    connect(CloseButton, &QPushButton::clicked, this, [] { platform::forms::unload<Form51>(); });
    SearchText->installEventFilter(this);
    SearchResults->installEventFilter(this);
}

void Form51::Form_Load() {
    try {
        clients_ = workspace().file().records(store::kClientTable);
    } catch (const std::exception& e) {
        platform::showError(e);
        return;
    }
    // The clients read again (F5, another desk's change): the matches found are looked for anew.
    clients_->subscribe([this](const store::Change& c) {
        if (c.kind == store::Change::Reset) QTimer::singleShot(0, this, &Form51::search);
    });
    SearchText->setFocus();
    search();
}

void Form51::search() {
    ++generation_;
    hits_.clear();
    listed_ = 0;
    SearchResults->setRowCount(0);
    scan_.reset();
    if (!clients_) return;
    scan_ = std::make_unique<store::search::Scan>(*clients_, platform::toStd(SearchText->text()));
    slice();
}

void Form51::slice() {
    if (!scan_) return;
    QElapsedTimer clock;
    clock.start();
    bool more = true;
    do {
        more = scan_->step(rowsPerStep, hits_);
    } while (more && clock.elapsed() < sliceMs);
    for (; listed_ < hits_.size() && listed_ < static_cast<std::size_t>(kListed); ++listed_) {
        const auto& hit = hits_[listed_];
        std::array<std::string_view, store::kFieldCount> values;
        clients_->valuesOf(hit.row, values);
        const int at = static_cast<int>(listed_);
        SearchResults->insertRow(at);
        const QString cells[4] = {
            platform::toQ(values[store::NO]), platform::toQ(values[store::NAME]),
            platform::toQ(store::kFieldTitles[static_cast<std::size_t>(hit.field)]),
            platform::toQ(values[static_cast<std::size_t>(hit.field)])};
        for (int c = 0; c < 4; ++c)
            SearchResults->setItem(at, c, new QTableWidgetItem(cells[c].simplified()));
    }
    if (SearchResults->currentRow() < 0 && SearchResults->rowCount() > 0)
        SearchResults->setCurrentCell(0, 0);
    showCount();
    if (more) {
        // Typed keys come first; the search goes on after them unless they started another.
        QTimer::singleShot(0, this, [this, g = generation_] {
            if (g == generation_) slice();
        });
    }
}

void Form51::showCount() {
    const std::size_t n = hits_.size();
    QString text;
    if (!scan_ || SearchText->text().trimmed().isEmpty())
        text = QStringLiteral("請輸入要找的字");
    else if (!finished())
        text = QStringLiteral("尋找中⋯ 已找到 %1 位").arg(n);
    else if (n == 0)
        text = QStringLiteral("沒有找到");
    else
        text = QStringLiteral("找到 %1 位客戶").arg(n);
    if (n > static_cast<std::size_t>(kListed))
        text += QStringLiteral("（只列出前 %1 位，請多打幾個字）").arg(kListed);
    SearchCount->setText(text);
}

void Form51::showChosen() {
    const int row = SearchResults->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= hits_.size()) {
        workspace().dialogs().beep();
        return;
    }
    const QString refusal =
        workspace().showClient(*clients_, hits_[static_cast<std::size_t>(row)].row);
    if (!refusal.isEmpty()) workspace().dialogs().message(refusal);
}

bool Form51::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        showChosen();
        return true;
    }
    // Down from the box goes into the matches, as in other programs' search boxes.
    if (watched == SearchText && key == Qt::Key_Down && SearchResults->rowCount() > 0) {
        SearchResults->setFocus();
        return true;
    }
    return false;
}

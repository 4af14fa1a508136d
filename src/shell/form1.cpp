#include "shell/form1.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "platform/appsetup.h"
#include "platform/boxes.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/keys.h"
#include "platform/qtext.h"
#include "platform/recordgrid.h"
#include "platform/recordsort.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "shell/browsestate.h"
#include "shell/mdiform1.h"
#include "shell/startup.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "store/expression.h"
#include "store/fields.h"

using platform::px;
using platform::rectTwips;

namespace {

// Where each sort code's label and search box stand, and what the box takes (by sort code less
// one; the captions and fields are the sort codes'). The NO and BIRTH boxes are wide enough for a
// whole code and for a date with a three-digit year, which BIRTH takes in its nine bytes as the
// editor does.
struct SearchBox {
    int labelLeft, labelWidth;
    int boxLeft, boxWidth;
    int bytes;
    platform::ImeMode ime;
};

constexpr platform::ImeMode kOff = platform::ImeMode::Off;
constexpr platform::ImeMode kOn = platform::ImeMode::On;

constexpr SearchBox kSearch[shell::kSortCodes.size()] = {
    {240, 855, 1080, 1335, 6, kOff},  {240, 855, 1080, 1095, 8, kOn},
    {240, 855, 1080, 1335, 9, kOff},  {240, 855, 1080, 1815, 10, kOff},
    {120, 1095, 1200, 4455, 40, kOn}, {120, 1335, 1440, 3615, 26, kOn},
    {120, 1215, 1320, 1575, 10, kOn}, {120, 1095, 1200, 1815, 10, kOn},
};

// Rows read for the first screen: more than the grid shows at once.
constexpr std::size_t kFirstScreen = 200;
// The whole table is read once the first screen has been painted; a list never painted (its
// window covered or not shown) reads it after this long.
constexpr int kPaintWaitMs = 500;

}  // namespace

Form1::Form1()
    : DataGridMENU(new platform::RecordGrid(this)),
      AdodcMENU(new platform::DataControl(this)),
      StatusBar1(new platform::StatusBar(this)) {
    setObjectName("Form1");
    setWindowTitle(QString());
    platform::setBackground(this, QColor(0xC0, 0xC0, 0xC0));

    for (int i = 0; i < 8; ++i) {
        const SearchBox& s = kSearch[i];
        const shell::SortCode& code = shell::kSortCodes[static_cast<std::size_t>(i)];
        auto* label = new QLabel(QString::fromLatin1(code.searchCaption), this);
        label->setObjectName(QStringLiteral("LabMENU(%1)").arg(i));
        label->setGeometry(rectTwips(s.labelLeft, 120, s.labelWidth, 375));
        LabMENU[static_cast<std::size_t>(i)] = label;

        auto* box = new platform::TextBox(this);
        box->setObjectName(QStringLiteral("TexMENU(%1)").arg(i));
        box->setGeometry(rectTwips(s.boxLeft, 120, s.boxWidth, 375));
        box->setByteLimit(s.bytes);
        box->setImeMode(s.ime);
        box->setAccessibleName(
            QStringLiteral("依%1找客戶")
                .arg(platform::toQ(store::kFields[static_cast<std::size_t>(code.field)].title)));
        connect(box, &platform::TextBox::keyDown, this,
                [this, i](int key) { TexMENU_KeyDown(i, key); });
        connect(box, &platform::TextBox::lostFocus, this, [this, i] { TexMENU_LostFocus(i); });
        TexMENU[static_cast<std::size_t>(i)] = box;
    }

    DataGridMENU->setObjectName("DataGridMENU");
    DataGridMENU->setGeometry(rectTwips(0, 600, 9255, 4455));

    const char* captions[2] = {"HOIST", "LOWER"};
    const int lefts[2] = {5760, 6840}, widths[2] = {975, 1095};
    for (int i = 0; i < 2; ++i) {
        auto* b = platform::makeButton(this, QStringLiteral("ComMENU(%1)").arg(i),
                                       QString::fromLatin1(captions[i]),
                                       rectTwips(lefts[i], 120, widths[i], 375));
        connect(b, &QPushButton::clicked, this, [this, i] { ComMENU_Click(i); });
        ComMENU[static_cast<std::size_t>(i)] = b;
    }

    AdodcMENU->setObjectName("AdodcMENU");
    AdodcMENU->setCaption(QStringLiteral("Adodc1"));
    AdodcMENU->setGeometry(rectTwips(8040, 120, 1215, 375));

    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(rectTwips(0, 5100, 9360, 375));
    StatusBar1->setFocusPolicy(Qt::NoFocus);

    // Tab order: the search boxes, the grid, HOIST, LOWER.
    QWidget* previous = TexMENU[0];
    for (int i = 1; i < 8; ++i) {
        setTabOrder(previous, TexMENU[static_cast<std::size_t>(i)]);
        previous = TexMENU[static_cast<std::size_t>(i)];
    }
    setTabOrder(previous, DataGridMENU);
    setTabOrder(DataGridMENU, ComMENU[0]);
    setTabOrder(ComMENU[0], ComMENU[1]);

    connect(AdodcMENU, &platform::DataControl::moveComplete, this, &Form1::recordCounter);
    DataGridMENU->setDataControl(AdodcMENU);
    DataGridMENU->setColumns(platform::fieldColumns(&store::FieldInfo::Grids::browse,
                                                    {QStringLiteral("選擇"), 555, {}}));
    resize(px(9360), px(5475));
}

void Form1::placeHome() {
    platform::forms::place<Form1>(0, 500, 9400, 5600);
}

void Form1::Form_Load() {
    for (int i = 0; i < 8; ++i) {
        LabMENU[static_cast<std::size_t>(i)]->hide();
        TexMENU[static_cast<std::size_t>(i)]->hide();
    }
    const int code = platform::forms::get<MDIForm1>().FIELDVAR;
    DATAGRID_FIELD = shell::fieldOfSortCode(code);
    if (!DATAGRID_FIELD.isEmpty()) {
        LabMENU[static_cast<std::size_t>(code - 1)]->show();
        TexMENU[static_cast<std::size_t>(code - 1)]->show();
    }
    if (showFirstScreen()) return;
    if (openWhole() && AdodcMENU->recordSet()->recordCount() != 0) sortAndPositionAtLoad();
}

bool Form1::showFirstScreen() {
    const MDIForm1& frame = platform::forms::get<MDIForm1>();
    if (DATAGRID_FIELD != QLatin1String(store::kFieldNames[store::NO].data()) || frame.LASTPAGE ||
        frame.CHOICEPAGE)
        return false;
    std::unique_ptr<store::RecordSet> first;
    try {
        first = workspace().file().firstClients(kFirstScreen);
    } catch (const std::exception&) {
        return false;  // the whole table's read says what is wrong
    }
    if (!first) return false;
    first->setSort("NO ASC");  // the program's order among them, which the index may not quite be
    AdodcMENU->setRecordSet(std::move(first));
    loading_ = true;
    recordCounter();
    DataGridMENU->viewport()->installEventFilter(this);
    QTimer::singleShot(kPaintWaitMs, this, &Form1::loadWhole);
    return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (loading_ && event->type() == QEvent::Paint && watched == DataGridMENU->viewport())
        QTimer::singleShot(0, this, &Form1::loadWhole);  // once this paint is on the screen
    return platform::Form::eventFilter(watched, event);
}

void Form1::loadWhole() {
    if (!loading_ || reading_ || unloading()) return;
    reading_ = true;
    DataGridMENU->viewport()->removeEventFilter(this);
    // Long work: the busy cursor and repaints meanwhile, user input after it.
    const bool opened = openWhole();
    loading_ = false;
    if (unloading()) return;  // the program was closed meanwhile
    if (!opened) {
        // A part of the list would read as the whole file: none rather than that.
        AdodcMENU->setRecordSet(nullptr);
        return;
    }
    if (AdodcMENU->recordSet()->recordCount() != 0) sortAndPositionAtLoad();
    recordCounter();
}

bool Form1::openWhole() {
    try {
        AdodcMENU->openTable(workspace().file(), store::kClientTable);
    } catch (const store::StoreError& e) {
        // A list shown empty over a damaged table would invite adding clients into it.
        if (e.kind() == store::ErrorKind::Corrupt || e.kind() == store::ErrorKind::NotClientFile) {
            shell::endForDamagedFile(e);
            return false;
        }
        platform::showError(e);
        // The file or server cannot be read now (a server stopped): the last list stays on
        // screen, an empty one would read as an empty client file.
        auto held = workspace().file().heldRecords(store::kClientTable);
        if (!held) return false;
        AdodcMENU->setRecordSet(std::move(held));
    } catch (const std::exception& e) {
        shell::endForDamagedFile(e);  // out of memory, say: no list rather than part of one
        return false;
    }
    return true;
}

void Form1::sortAndPositionAtLoad() {
    MDIForm1& frame = platform::forms::get<MDIForm1>();
    store::RecordSet* rs = AdodcMENU->recordSet();
    if (!DATAGRID_FIELD.isEmpty()) rs->setSort((DATAGRID_FIELD + " ASC").toStdString());
    rs->moveFirst();
    const shell::ListStart start =
        shell::listStart(frame.LASTPAGE, frame.CHOICEPAGE, frame.CHOICEPAGE1);
    frame.FIRSTPAGE = frame.LASTPAGE = frame.CHOICEPAGE = false;
    frame.CHOICEPAGE1 = 0;
    if (start.toLast) rs->moveLast();
    if (start.pageOffset) {
        rs->move(*start.pageOffset);
        DataGridMENU->putCurrentAtTop();  // the page shows from its first record
    }
}

store::RecordSet* Form1::listRecords() {
    return AdodcMENU->recordSet();
}

void Form1::markFiltered(bool filtered) {
    StatusBar1->setPanelText(platform::StatusBar::Marker,
                             filtered ? QStringLiteral("  過濾 ") : QString());
}

void Form1::recordCounter() {
    if (loading_) {  // the count of a first screen is not the file's
        StatusBar1->setPanelText(platform::StatusBar::Counter, QStringLiteral("讀取全部客戶⋯"));
        return;
    }
    store::RecordSet* rs = AdodcMENU->recordSet();
    const long count = rs ? rs->recordCount() : 0;
    const QString text = shell::counterText(count ? rs->absolutePosition() : 0, count);
    StatusBar1->setPanelText(platform::StatusBar::Counter, text);
    StatusBar1->panel(platform::StatusBar::Counter)->setToolTip(text);
}

void Form1::TexMENU_KeyDown(int, int keyCode) {
    if (keyCode == platform::kKeyEnter) workspace().dialogs().sendTab();
}

void Form1::TexMENU_LostFocus(int index) {
    store::RecordSet* rs = AdodcMENU->recordSet();
    if (unloading() || !rs || rs->recordCount() == 0) return;
    // A click on a row takes the focus before it lands: the row clicked is the one wanted, and a
    // search or a move to the first record now would scroll another row under the pointer.
    QWidget* to = QApplication::focusWidget();
    if (TexMENU[static_cast<std::size_t>(index)]->leftBy() == Qt::MouseFocusReason && to &&
        (to == DataGridMENU || DataGridMENU->isAncestorOf(to)))
        return;
    const QString field = shell::fieldOfSortCode(index + 1);
    const QString text = TexMENU[static_cast<std::size_t>(index)]->text();
    try {
        rs->moveFirst();
        if (text.isEmpty()) return;
        // The quote is doubled so that the text is found exactly as typed.
        rs->find(field.toStdString() + "='" + store::quoteValue(text.toStdString()) + "'");
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

void Form1::ComMENU_Click(int index) {
    store::RecordSet* rs = AdodcMENU->recordSet();
    if (!rs || rs->recordCount() == 0) return;
    if (index == Hoist) platform::resortKeepingRecord(*rs, DATAGRID_FIELD, " ASC");
    if (index == Lower) platform::resortKeepingRecord(*rs, DATAGRID_FIELD, " DESC");
}

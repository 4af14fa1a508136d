#include "shell/mdiform1.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <numeric>

#include "editor/form11.h"
#include "mailings/form61.h"
#include "mailings/form62.h"
#include "mailings/form63.h"
#include "maintenance/form42.h"
#include "maintenance/form43.h"
#include "maintenance/form44.h"
#include "maintenance/form45.h"
#include "platform/datacontrol.h"
#include "platform/dialogs.h"
#include "platform/help.h"
#include "platform/qtext.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "platform/workspace.h"
#include "query/form17.h"
#include "reports/exports.h"
#include "reports/form28.h"
#include "shell/browsestate.h"
#include "shell/form1.h"
#include "shell/form12.h"
#include "store/clientfile.h"
#include "store/errors.h"
#include "tidy/form51.h"
#include "tidy/form52.h"
#include "tidy/form54.h"
#include "tidy/form55.h"

MDIForm1::MDIForm1(std::shared_ptr<platform::Workspace> workspace)
    : menuBar_(new QMenuBar(this)), area_(new QMdiArea(this)) {
    setObjectName("MDIForm1");
    // Every window opened from the frame works on the frame's workspace.
    setWorkspace(workspace);
    platform::forms::setWorkspace(workspace);
    // Which clients these are comes first, where a narrow title bar still shows it: the client
    // file or the server.
    const QString title =
        QStringLiteral("VELKARD DATA MANAGEMENT SYSTEM   Version 1.0  For  Windows 95") +
        QString(37, QLatin1Char(' ')) + QStringLiteral("ORBEL Creator");
    setWindowTitle(platform::toQ(workspace->file().where()) + QStringLiteral(" — ") + title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(buildNotice());
    layout->addWidget(area_);
    menuBar_->setObjectName("menuBar");
    area_->setObjectName("MDIClient");
    area_->setBackground(palette().brush(QPalette::Dark));
    buildMenu();
    platform::forms::setMdiArea(area_);
    // F5 anywhere reads the clients again, each window staying on its client.
    auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
    reload->setContext(Qt::ApplicationShortcut);
    connect(reload, &QShortcut::activated, this, &MDIForm1::reloadClients);
    // F10 opens the first menu, as on the other desktops' programs; Alt and the underlined
    // letters open the others.
    auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menus, &QShortcut::activated, this,
            [this] { menuBar_->setActiveAction(menuBar_->actions().value(0)); });
    // F1 anywhere opens the guide at the chapter of the window the user is in.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::ApplicationShortcut);
    connect(help, &QShortcut::activated, this, &platform::help::showForActiveWindow);
    workspace->file().onOthersChanged([frame = QPointer<MDIForm1>(this)] {
        if (frame) frame->notice_->show();
    });
    // The condition query and the quick lookup borrow the record editor's records.
    workspace->setLender([] { return platform::forms::get<Form11>().AdodcVELKARD; });
    // The display set and the print chooser work on the browse list.
    workspace->setBrowseList(
        []() -> platform::BrowseListAccess& { return platform::forms::get<Form1>(); });
    workspace->setClientShower([this](const store::RecordSet& rows, store::Bookmark row) {
        return showClient(rows, row);
    });
    workspace->setHome([this](bool afresh) {
        behindPicture([afresh] {
            if (afresh) platform::forms::unload<Form1>();
            Form1::placeHome();
        });
    });
    // Client area 9480 x 6510 twips below the menu, at left 60, top 330.
    resize(platform::px(9480), platform::px(6510) + menuBar_->sizeHint().height());
    move(platform::px(60), platform::px(330));
}

QWidget* MDIForm1::buildNotice() {
    notice_ = new QFrame(this);
    notice_->setObjectName("ReloadNotice");
    notice_->setFrameStyle(QFrame::StyledPanel);
    platform::setBackground(notice_, QColor(0xFF, 0xF4, 0xC2));
    auto* row = new QHBoxLayout(notice_);
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(new QLabel(QStringLiteral("資料已被其他使用者更新，按 F5 重新整理"), notice_));
    row->addStretch(1);
    auto* reload = new QPushButton(QStringLiteral("重新整理"), notice_);
    reload->setObjectName("Reload");
    connect(reload, &QPushButton::clicked, this, &MDIForm1::reloadClients);
    row->addWidget(reload);
    notice_->hide();
    return notice_;
}

void MDIForm1::behindPicture(const std::function<void()>& change) {
    if (!isVisible()) {
        change();
        return;
    }
    // Held weakly: the change may end the program, frame and picture with it.
    struct Removed {
        QPointer<QLabel> picture;
        ~Removed() { delete picture.data(); }
    } removed{new QLabel(this)};
    removed.picture->setObjectName("ClientAreaPicture");
    removed.picture->setPixmap(area_->grab());
    removed.picture->setGeometry(area_->geometry());
    removed.picture->show();
    change();
}

QString MDIForm1::showClient(const store::RecordSet& rows, store::Bookmark row) {
    namespace forms = platform::forms;
    store::RecordSet* shown = nullptr;
    QWidget* window = nullptr;
    if (forms::loaded<Form11>()) {
        shown = forms::get<Form11>().records();
        window = &forms::get<Form11>();
        if (shown && shown->editing())
            return QStringLiteral("資料輸入視窗裡的客戶還沒存檔，請先存檔或取消，再選一次。");
    } else if (forms::loaded<Form12>()) {
        shown = forms::get<Form12>().Adodc1->recordSet();
        window = &forms::get<Form12>();
    } else {
        Form1::placeHome();
        Form1& list = forms::get<Form1>();
        if (list.loadingWhole()) return QStringLiteral("清單還在讀取全部客戶，請稍候再選一次。");
        shown = list.listRecords();
        window = &list;
    }
    // A bookmark names a row of the rows it came from only: a list still on its first screen,
    // or read again since, holds other rows.
    if (!shown || !shown->sameRows(rows))
        return QStringLiteral("客戶資料剛重新讀取過，請再找一次。");
    if (!shown->setBookmark(row))
        return QStringLiteral("這位客戶不在目前顯示的客戶裡（顯示設定只顯示一部分客戶）。");
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        area_->setActiveSubWindow(sub);
    return {};
}

void MDIForm1::reloadClients() {
    try {
        workspace().file().reload();
        notice_->hide();
    } catch (const std::exception& e) {
        platform::showError(e);  // the windows keep what they showed
    }
}

namespace {

// The caption with the first letter not yet taken among its neighbours marked as its Alt key:
// the text reads as it always has, with that letter underlined.
QString withMnemonic(const char* caption, QString& taken) {
    QString text = QString::fromLatin1(caption);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i].toUpper();
        if (!c.isLetter() || taken.contains(c)) continue;
        taken += c;
        return text.insert(i, QLatin1Char('&'));
    }
    return text;
}

}  // namespace

void MDIForm1::buildMenu() {
    QString barKeys;
    QMap<QMenu*, QString> itemKeys;
    auto menu = [&](const char* name, const char* caption) {
        QMenu* m = menuBar_->addMenu(withMnemonic(caption, barKeys));
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        items_.insert(name, m->menuAction());
        return m;
    };
    // An item with what choosing it does; without one it is shown and enabled and does nothing.
    auto item = [&](QMenu* m, const char* name, const char* caption,
                    void (MDIForm1::*action)() = nullptr) {
        QAction* a = m->addAction(withMnemonic(caption, itemKeys[m]));
        a->setObjectName(name);
        items_.insert(name, a);
        if (action) connect(a, &QAction::triggered, this, action);
        return a;
    };
    auto separator = [&](QMenu* m, const char* name) {
        QAction* a = m->addSeparator();
        a->setObjectName(name);
        items_.insert(name, a);
    };

    QMenu* data = menu("menu_DATA_PORCESS", "DATA PROCESS");
    item(data, "menu_ADD_PROCESS", "ADD PROCES", &MDIForm1::menu_ADD_PROCESS_Click);
    item(data, "menu_MOD_PROCESS", "MOD PROCESS", &MDIForm1::menu_MOD_PROCESS_Click);
    item(data, "menu_PARTI_DATA", "PARTI DATA", &MDIForm1::menu_PARTI_DATA_Click);
    separator(data, "menu_11");
    item(data, "mnu_CHOICE_PAGE", "CHOICE PAGE", &MDIForm1::mnu_CHOICE_PAGE_Click);
    item(data, "menu_FILE_FIRST_PAGE", "FILE FIRST PAGE", &MDIForm1::menu_FILE_FIRST_PAGE_Click);
    item(data, "menu_FILE_LAST_PAGE", "FILE LAST PAGE", &MDIForm1::menu_FILE_LAST_PAGE_Click);
    separator(data, "menu_12");
    item(data, "menu_DISP_SET", "DISPLAY SET", &MDIForm1::menu_DISP_SET_Click);
    item(data, "menu_CLEAR_CHOICE", "CLEAR CHOICE");

    QMenu* print = menu("menu_PRINT_OPER", "PRINTER OPERATION");
    item(print, "menu_PERSON_DATA", "PERSON DATA");
    item(print, "menu_SYNTHE_DATA", "SYNTHE DATA", &MDIForm1::menu_SYNTHE_DATA_Click);
    item(print, "menu_BIRTHDAY_LIST", "BIRTHDAY LIST", &MDIForm1::menu_BIRTHDAY_LIST_Click);
    item(print, "menu_ADDRESS_LABELS", "ADDRESS LABELS", &MDIForm1::menu_ADDRESS_LABELS_Click);
    item(print, "menu_ENVELOPES", "ENVELOPES", &MDIForm1::menu_ENVELOPES_Click);

    QMenu* sort = menu("menu_SORT_SET", "SORT SET");
    for (int code = 1; code <= static_cast<int>(shell::kSortCodes.size()); ++code) {
        const shell::SortCode& c = shell::kSortCodes[static_cast<std::size_t>(code - 1)];
        connect(item(sort, c.menuItem, c.menuCaption), &QAction::triggered, this,
                [this, code] { menu_SORT_Click(code); });
    }

    QMenu* protect = menu("menu_SYSTEM_PROTECT", "SYSTEM PROTECT");
    item(protect, "menu_INDEX_REBUID", "INDEX REBUID");
    item(protect, "menu_VELKNO_REBUID", "VELKNO REBUID", &MDIForm1::menu_VELKNO_REBUID_Click);
    separator(protect, "menu_41");
    item(protect, "menu_FILE_BACKUP", "FILE BACKUP", &MDIForm1::menu_FILE_BACKUP_Click);
    item(protect, "menu_FILE_CLEAR", "FILE CLEAR", &MDIForm1::menu_FILE_CLEAR_Click);
    separator(protect, "menu_42");
    // Clients in and out belong with the file's other commands, not after ending the program.
    item(protect, "menu_FILE_IMPORT", "FILE IMPORT", &MDIForm1::menu_FILE_IMPORT_Click);
    item(protect, "menu_FILE_EXPORT", "FILE EXPORT", &MDIForm1::menu_FILE_EXPORT_Click);
    separator(protect, "menu_43");
    item(protect, "menu_END_SYSTEM", "END SYSTEM", &MDIForm1::menu_END_SYSTEM_Click);

    QMenu* tools = menu("menu_TOOLS", "TOOLS");
    QAction* find =
        item(tools, "menu_FIND_CLIENT", "FIND CLIENT", &MDIForm1::menu_FIND_CLIENT_Click);
    // Ctrl+F from any of the program's windows, as in every other program.
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::ApplicationShortcut);
    separator(tools, "menu_51");
    item(tools, "menu_DUPLICATES", "DUPLICATES", &MDIForm1::menu_DUPLICATES_Click);
    item(tools, "menu_DATA_CHECK", "DATA CHECK", &MDIForm1::menu_DATA_CHECK_Click);
    item(tools, "menu_HISTORY", "HISTORY", &MDIForm1::menu_HISTORY_Click);
    item(tools, "menu_HISTORY_PURGE", "HISTORY PURGE", &MDIForm1::menu_HISTORY_PURGE_Click);
}

void MDIForm1::menu_DUPLICATES_Click() {
    platform::forms::place<Form52>(1000, 900, 8000, 5600);
}

void MDIForm1::menu_DATA_CHECK_Click() {
    // Checked afresh each time: the report is of the clients as they are now.
    platform::forms::unload<Form55>();
    platform::forms::place<Form55>(300, 300, 12500, 9000);
}

void MDIForm1::menu_HISTORY_Click() {
    platform::forms::place<Form54>(1200, 900, 7600, 5200);
}

void MDIForm1::menu_HISTORY_PURGE_Click() {
    purgeHistory(workspace());
    if (platform::forms::loaded<Form54>()) platform::forms::get<Form54>().showHistory();
}

void MDIForm1::menu_FIND_CLIENT_Click() {
    platform::forms::place<Form51>(1500, 900, 7000, 5200);
    platform::forms::get<Form51>().SearchText->setFocus();
}

void MDIForm1::Form_Load() {
    FIELDVAR = 1;
    FIRSTPAGE = LASTPAGE = CHOICEPAGE = false;
    Form1& list = platform::forms::get<Form1>();
    if (list.unloading()) return;  // the file was found damaged and the program ends
    if (workspace().readOnly()) {
        // Said once, and the commands that write are off, rather than a failure at each write.
        for (const char* name :
             {"menu_VELKNO_REBUID", "menu_FILE_CLEAR", "menu_FILE_IMPORT", "menu_HISTORY_PURGE"})
            item(name)->setEnabled(false);
        workspace().dialogs().message(
            QStringLiteral("這台電腦的使用者只能讀取客戶資料（%1 的權限）。新增、修改、刪除、"
                           "重新編排代號、清除和匯入都不能使用。")
                .arg(platform::toQ(workspace().file().where())),
            {}, platform::Buttons::Ok, platform::Icon::Information);
    }
    store::RecordSet* rs = list.AdodcMENU->recordSet();
    if (!rs || rs->recordCount() == 0) {
        workspace().dialogs().beep();
        workspace().dialogs().beep();
        workspace().dialogs().message(QStringLiteral("檔案沒有記錄 ! "), platform::appTitle());
    }
    Form1::placeHome();
}

void MDIForm1::menu_ADD_PROCESS_Click() {
    platform::forms::unload<Form1>();
    platform::forms::place<Form11>(50, 500, 9300, 5600);
}

void MDIForm1::menu_DISP_SET_Click() {
    platform::forms::place<Form17>(1500, 1200, 6500, 3800);
}

void MDIForm1::menu_MOD_PROCESS_Click() {
    platform::forms::unload<Form1>();
    platform::forms::place<Form12>(50, 500, 9300, 5600);
}

void MDIForm1::menu_FILE_IMPORT_Click() {
    importClients(workspace());
}

void MDIForm1::menu_FILE_EXPORT_Click() {
    // The whole client table in table order, whatever the browse list shows.
    try {
        const auto clients = workspace().file().records(store::kClientTable);
        std::vector<int> columns(static_cast<std::size_t>(clients->fieldCount()));
        std::iota(columns.begin(), columns.end(), 0);
        reports::exportRecords(workspace().dialogs(), *clients, columns,
                               reports::ExportFormat::ByName);
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

void MDIForm1::menu_SYNTHE_DATA_Click() {
    platform::forms::place<Form28>(1500, 1200, 6500, 5000);
}

void MDIForm1::menu_BIRTHDAY_LIST_Click() {
    platform::forms::place<Form61>(300, 300, 12500, 9900);
}

void MDIForm1::menu_ADDRESS_LABELS_Click() {
    platform::forms::place<Form62>(300, 300, 12500, 10500);
}

void MDIForm1::menu_ENVELOPES_Click() {
    platform::forms::place<Form63>(300, 300, 12500, 10500);
}

void MDIForm1::menu_VELKNO_REBUID_Click() {
    platform::forms::place<Form42>(1600, 1200, 6200, 4000);
}

void MDIForm1::menu_FILE_BACKUP_Click() {
    platform::forms::place<Form43>(1600, 1200, 6200, 4000);
}

void MDIForm1::menu_FILE_CLEAR_Click() {
    platform::forms::place<Form44>(1600, 1200, 6200, 4000);
}

void MDIForm1::menu_PARTI_DATA_Click() {
    Form1::placeHome();
}

void MDIForm1::mnu_CHOICE_PAGE_Click() {
    const QString answer =
        workspace().dialogs().input(QStringLiteral("請輸入頁數 : "), platform::appTitle());
    if (answer.isEmpty()) return;
    QString refusal;
    std::optional<qint16> page = shell::parsePage(answer, &refusal);
    if (!page) {
        workspace().dialogs().beep();
        workspace().dialogs().message(refusal, platform::appTitle(), platform::Buttons::Ok,
                                      platform::Icon::Exclamation);
        return;
    }
    CHOICEPAGE1 = *page;
    behindPicture([this] {
        platform::forms::unload<Form1>();
        CHOICEPAGE = true;
        Form1::placeHome();
    });
}

void MDIForm1::menu_FILE_FIRST_PAGE_Click() {
    behindPicture([this] {
        platform::forms::unload<Form1>();
        FIRSTPAGE = true;
        Form1::placeHome();
    });
}

void MDIForm1::menu_FILE_LAST_PAGE_Click() {
    behindPicture([this] {
        platform::forms::unload<Form1>();
        LASTPAGE = true;
        Form1::placeHome();
    });
}

void MDIForm1::menu_SORT_Click(int code) {
    behindPicture([this, code] {
        platform::forms::unload<Form1>();
        FIELDVAR = static_cast<qint16>(code);
        Form1::placeHome();
    });
}

void MDIForm1::menu_END_SYSTEM_Click() {
    platform::forms::endProgram(true);
}

void MDIForm1::closeEvent(QCloseEvent* event) {
    if (unloading()) {
        event->accept();
        return;
    }
    // Every window closes with its own unload handling, the frame last.
    if (!platform::forms::closeAll()) {
        event->ignore();
        return;
    }
    event->accept();
}

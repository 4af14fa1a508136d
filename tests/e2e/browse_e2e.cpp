// The program as a user meets it, in a real X server (Xvfb) under a window manager (openbox):
// the desktop's own dialogs, menus opened with the mouse, typing at the focus and Enter.
// Screenshots go to $VELKARD_SCREENSHOTS (default:
// ./screenshots) for a person to look at.
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <fstream>
#include <functional>
#include "windowtest.h"

#include <QProcess>
#include "editor/form11.h"
#include "editor/form112.h"
#include "generator.h"
#include "mailings/form61.h"
#include "mailings/form62.h"
#include "mailings/form63.h"
#include "maintenance/form45.h"
#include "places.h"
#include "platform/appsetup.h"
#include "platform/clock.h"
#include "platform/help.h"
#include "platform/longwork.h"
#include "platform/reportpreview.h"
#include "platform/twips.h"
#include "query/form17.h"
#include "reports/datareport28.h"
#include "reports/form28.h"
#include "shell/startup.h"
#include "store/clientfile.h"
#include "store/longwork.h"
#include "store/postgres/postgres.h"
#include "tempdir.h"
#include "tidy/form51.h"
#include "tidy/form52.h"
#include "tidy/form53.h"
#include "tidy/form54.h"
#include "tidy/form55.h"

using testsupport::click;
using testsupport::pickEntry;
using testsupport::pressKey;
using testsupport::retype;
using testsupport::typeKeys;

namespace {

namespace fs = std::filesystem;

QString shotDir() {
    QString dir = qEnvironmentVariable("VELKARD_SCREENSHOTS", "screenshots");
    QDir().mkpath(dir);
    return dir;
}

// The screen as the user sees it, where the program's windows are (frames, dialogs and menus).
void screenshot(const QString& name) {
    QTest::qWait(150);
    QRect shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) shown |= w->frameGeometry();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    QVERIFY(screen.copy(shown).save(shotDir() + "/" + name + ".png"));
}

// Opens a menu of the bar with the mouse and clicks one of its items.
void clickMenu(const char* menuName, const char* itemName) {
    MDIForm1& frame = get<MDIForm1>();
    QMenuBar* bar = frame.menuBar();
    QAction* top = frame.item(menuName);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
    QMenu* menu = top->menu();
    QTRY_VERIFY(menu->isVisible());
    QAction* item = frame.item(itemName);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

// Answers the next modal dialog of kind D once it is up (a progress bar in between is not it).
template <class D>
void whenDialogOpens(std::function<void(D*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* modal = qobject_cast<D*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}

// SYSTEM PROTECT → `itemName`, then the path typed into the desktop's file dialog's name box and
// Enter, as a person does; when the dialog's completion list has opened, the first Enter takes
// the completion and a second one the dialog. The completion list may also take keys while it
// opens (in slow builds): then, as a person would, select what the box holds and type again.
void clickMenuAndChooseFile(const char* itemName, const fs::path& path) {
    const QString typed = QString::fromStdString(path.string());
    QString kept;  // what the name box held if the dialog never took it
    whenDialogOpens<QFileDialog>([&](QFileDialog* chooser) {
        auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
        for (int typing = 0; name && typing < 3 && chooser->isVisible(); ++typing) {
            name->setFocus();
            name->selectAll();
            QTest::keyClicks(name, typed);
            for (int i = 0; i < 10 && chooser->isVisible(); ++i) {
                QWidget* focus = QApplication::focusWidget();
                QTest::keyClick(focus ? focus : name, Qt::Key_Return);
                QTest::qWait(100);
            }
        }
        if (chooser->isVisible()) {  // fails below instead of hanging
            kept = name ? name->text() : QStringLiteral("(no name box)");
            chooser->reject();
        }
    });
    clickMenu("menu_SYSTEM_PROTECT", itemName);
    QVERIFY2(kept.isEmpty(), qPrintable("the file dialog did not take " + kept));
}

QString counter() {
    return get<Form1>().StatusBar1->panelText(1);
}

// What the program's main does, then waits for the frame to be on screen.
MDIForm1& startProgram(const shell::ClientPlace& place = {store::clientfile::defaultPath(), {}}) {
    [&] { QVERIFY(shell::startProgram(place)); }();
    MDIForm1& frame = get<MDIForm1>();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(&frame)); }();
    // A large file's list shows its first screen at once and reads the rest behind it.
    [] { QTRY_VERIFY(!get<Form1>().loadingWhole()); }();
    testsupport::activate(&frame);
    return frame;
}

// A free-standing window opened by a command: on screen and active.
template <class F>
F& opened() {
    [] { QTRY_VERIFY(platform::forms::loaded<F>()); }();
    F& window = get<F>();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(&window)); }();
    testsupport::activate(&window);
    return window;
}

QString current(int field) {
    return testsupport::value(*get<Form1>().AdodcMENU->recordSet(), field);
}

// What xprop says of a window, or of the root window without one.
QString xprop(const QStringList& arguments) {
    QProcess p;
    p.start("xprop", arguments);
    p.waitForFinished(10000);
    return QString::fromLatin1(p.readAllStandardOutput());
}

// The desktop's stacking order of the program's windows, bottom first (_NET_CLIENT_LIST_STACKING).
QList<WId> stacking() {
    QList<WId> order;
    const QString list = xprop({"-root", "_NET_CLIENT_LIST_STACKING"});
    for (const QString& id : list.mid(list.indexOf('#') + 1).split(',', Qt::SkipEmptyParts))
        order << id.trimmed().toULongLong(nullptr, 16);
    return order;
}

// The window stays above the frame: the desktop was told it belongs to the frame, and after a
// click on the frame's menu bar it is still stacked above it.
void staysAboveTheFrame(QWidget* window) {
    MDIForm1& frame = get<MDIForm1>();
    const QString transient = xprop({"-id", QString::number(window->winId()), "WM_TRANSIENT_FOR"});
    QVERIFY2(transient.contains(QStringLiteral("0x%1").arg(frame.winId(), 0, 16)),
             qPrintable(transient));
    QMenuBar* bar = frame.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(frame.item("menu_SORT_SET")).center());
    QTRY_VERIFY(frame.item("menu_SORT_SET")->menu()->isVisible());
    QTest::keyClick(frame.item("menu_SORT_SET")->menu(), Qt::Key_Escape);
    QTRY_VERIFY(stacking().indexOf(window->winId()) > stacking().indexOf(frame.winId()));
}

}  // namespace

class BrowseE2E : public QObject {
    Q_OBJECT
    testsupport::TempDir home_;

  private slots:
    // A scenario that failed half-way leaves no window for the next one.
    void cleanup() { platform::forms::destroyAll(); }

    void initTestCase() {
        setenv("HOME", home_.path().c_str(), 1);
        std::filesystem::create_directories(home_.path() / "VELKARD");
        sample::writeClientFile(home_.path() / "VELKARD" / "velkard.db", 100000);
    }

    // One working session on a hundred thousand clients: sort, search, page, add a client, select
    // and print.
    void aSessionWithAHundredThousandClients() {
        platform::setToday(QDate(2026, 12, 6));
        // The list's first screen is on the screen while the whole table is read behind it.
        QString whileReading;
        store::setLongWorkRunner([&](const store::LongWork& work) {
            if (whileReading.isEmpty() && platform::forms::loaded<Form1>() &&
                get<Form1>().loadingWhole()) {
                whileReading = counter();
                screenshot("00-first-screen");
            }
            work();
        });
        startProgram();
        platform::keepPaintingDuringLongWork();
        QCOMPARE(whileReading, QStringLiteral("讀取全部客戶⋯"));
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 100000"));
        screenshot("01-start");

        clickMenu("menu_SORT_SET", "menu_NAME_SORT");
        QTRY_COMPARE(get<Form1>().DATAGRID_FIELD, QStringLiteral("NAME"));
        screenshot("02-sorted-by-name");

        // Search: the name of the 500th client in name order, typed and confirmed with Enter.
        const QString wanted = QString::fromStdString(
            std::string(get<Form1>().AdodcMENU->recordSet()->valueAt(499, store::NAME)));
        platform::TextBox* box = get<Form1>().TexMENU[1];
        click(box);
        QTRY_VERIFY(box->hasFocus());
        typeKeys(wanted);
        pressKey(Qt::Key_Return);
        QTRY_VERIFY(get<Form1>().DataGridMENU->hasFocus());
        QCOMPARE(current(store::NAME), wanted);
        screenshot("03-search");

        // CHOICE PAGE through the desktop's own input box.
        whenDialogOpens<QInputDialog>([](QInputDialog* input) {
            input->setTextValue("3");
            screenshot("04-choice-page-dialog");
            input->accept();
        });
        clickMenu("menu_DATA_PORCESS", "mnu_CHOICE_PAGE");
        QTRY_COMPARE(counter(), QStringLiteral("Record :  27 / 100000"));
        QTRY_COMPARE(get<Form1>().DataGridMENU->rowAt(0), 26);  // the page from its top
        screenshot("05-page-3");

        // A new client typed into the editor, field after field.
        clickMenu("menu_DATA_PORCESS", "menu_ADD_PROCESS");
        QTRY_VERIFY(platform::forms::loaded<Form11>());
        Form11& editor = get<Form11>();

        click(editor.COMMAND1[0]);  // ADD
        // Each field as typed, then Enter on to the next; the lists take typed text too.
        const QStringList typed =
            QStringLiteral(
                "Z99999|丁一|880403|M|O|A123456789|Y|0223456789|0912345678||"
                "台北市大安區仁愛路四段1號|明遠資訊|0227654321|台北市信義區松仁路100號|"
                "經理|資訊業|0227654322|12345675||第一次來訪")
                .split('|');
        for (int field = 0; field < store::kFieldCount; ++field) {
            QWidget* box = editor.fieldBox(field);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(focus == box || box->isAncestorOf(focus), qPrintable(box->objectName()));
            typeKeys(typed[field]);
            if (field != store::MEMO) pressKey(Qt::Key_Return);
        }
        screenshot("07-editor-edit");
        click(editor.COMMAND1[2]);  // SAVE
        QCOMPARE(editor.TexVELKARD[store::DATE]->text(), QStringLiteral("115.12.06"));
        click(editor.COMMAND1[7]);  // END
        QTRY_VERIFY(platform::forms::loaded<Form1>());

        // 丁 has two strokes and 一 one: the new client heads the list in name order.
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 100001"));
        QCOMPARE(current(store::COMPANY), QStringLiteral("明遠資訊"));
        screenshot("09-list-with-new-client");

        // A display set over the list, then its report.
        clickMenu("menu_DATA_PORCESS", "menu_DISP_SET");
        Form17& set = opened<Form17>();
        // Placed by its outer frame, title bar included, as the twips mean: its client area is
        // the place less the window manager's frame (as thick as the main window's; Qt learns a
        // new window's own frame only some time after it is shown).
        const QMargins frame = get<MDIForm1>().windowHandle()->frameMargins();
        QVERIFY(frame.top() > 0);  // a title bar: the window manager is there
        QTRY_COMPARE(set.geometry(),
                     platform::rectTwips(1500, 1200, 6500, 3800).marginsRemoved(frame));
        // SEX = M, And blood type begins with A.
        pickEntry(set.fieldBox[0], store::SEX);
        pickEntry(set.operatorBox[0], 0);
        retype(set.Text1[0], "M");
        pickEntry(set.Combo6[0], 0);
        pickEntry(set.fieldBox[1], store::BLOOD);
        pickEntry(set.operatorBox[1], 6);
        retype(set.Text1[1], "A");
        pickEntry(set.Combo7, store::NAME);
        screenshot("10-display-set");
        click(set.COMMAND1[0]);
        QTRY_VERIFY(!platform::forms::loaded<Form17>());
        store::RecordSet& list = *get<Form1>().AdodcMENU->recordSet();
        QCOMPARE(list.filter(), std::string("SEX = 'M' And BLOOD like 'A*'"));
        QCOMPARE(list.sort(), std::string("NAME ASC"));
        screenshot("11-browse-list-filtered");

        // The report of the filtered list.
        clickMenu("menu_PRINT_OPER", "menu_SYNTHE_DATA");
        QTRY_VERIFY(platform::forms::loaded<Form28>());
        Form28& chooser = opened<Form28>();
        screenshot("12-print-chooser");
        click(chooser.COMMAND1[0]);  // PRINTER
        QTRY_VERIFY(platform::forms::loaded<DataReport28>());
        DataReport28& report = get<DataReport28>();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        report.resize(900, 700);
        report.move(40, 40);
        screenshot("13-report-preview");
        const QString pdf = shotDir() + "/report.pdf";
        report.preview->document()->writePdf(pdf);
        QProcess toPng;
        toPng.start("pdftoppm",
                    {"-png", "-r", "80", "-f", "1", "-l", "1", pdf, shotDir() + "/14-report-page"});
        QVERIFY(toPng.waitForFinished(60000));
        QCOMPARE(toPng.exitCode(), 0);
        platform::forms::unload<DataReport28>();
        platform::forms::unload<Form28>();

        platform::forms::destroyAll();
    }

    // Right after the start, with the search box in use: the wheel over the list, then a click
    // on a row chooses the client under the pointer. The editor opens on a client without a
    // birthday and lets the user tab through the empty date. The windows that work on the list
    // or the editor stay above the frame after a click on its menu bar.
    void clicksAfterScrollingEmptyDatesAndWindowsAboveTheFrame() {
        testsupport::execSql(store::clientfile::defaultPath(),
                             "UPDATE VELKARD SET BIRTH = NULL WHERE rowid = 1");
        startProgram();
        Form1& list = get<Form1>();
        click(list.TexMENU[0]);
        QTRY_VERIFY(list.TexMENU[0]->hasFocus());
        typeKeys("A00005");  // a search typed, not yet confirmed
        platform::RecordGrid* grid = list.DataGridMENU;
        testsupport::wheel(grid->viewport(), -8);
        QTRY_VERIFY(grid->rowAt(0) > 10);
        const QPoint middle = grid->viewport()->rect().center();
        const QString under = grid->model()->index(grid->rowAt(middle.y()), 0).data().toString();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, middle);
        QTRY_COMPARE(current(store::NO), under);
        QVERIFY(grid->rowAt(0) > 10);  // and the list stayed where it was scrolled
        screenshot("15-clicked-after-scrolling");

        clickMenu("menu_DATA_PORCESS", "menu_DISP_SET");
        staysAboveTheFrame(&opened<Form17>());
        screenshot("16-display-set-above-the-frame");
        platform::forms::unload<Form17>();

        clickMenu("menu_DATA_PORCESS", "menu_ADD_PROCESS");
        Form11& editor = opened<Form11>();
        QCOMPARE(editor.TexVELKARD[store::BIRTH]->text(), QString());
        click(editor.TexVELKARD[store::BIRTH]);
        for (int i = 0; i < 3; ++i) pressKey(Qt::Key_Tab);
        QTest::qWait(200);
        QVERIFY(!QApplication::activeModalWidget());  // no date message
        QCOMPARE(QApplication::focusWidget(), editor.fieldBox(store::SELF_NO));
        screenshot("17-editor-past-an-empty-birthday");
        // F1 from the editor's box: the guide at the editor's chapter, in a window of its own.
        pressKey(Qt::Key_F1);
        QTRY_VERIFY(QApplication::activeWindow() &&
                    QApplication::activeWindow()->windowTitle().endsWith("新增與修改客戶"));
        QApplication::activeWindow()->move(60, 40);
        screenshot("19-guide-from-the-editor");
        pressKey(Qt::Key_Escape);   // leaves the guide
        click(editor.COMMAND1[5]);  // QUICK
        staysAboveTheFrame(&opened<Form112>());
        screenshot("18-quick-lookup-above-the-frame");
        platform::forms::destroyAll();
    }

    // An office's first start: no client file, the old program's file beside it. The offer, the
    // summary, the converted list; then clients in from a CSV file and a phone's vCard file, and
    // all out to a workbook, through the desktop's dialogs.
    void theOldFileConvertedAtTheFirstStartThenACsvImported() {
        const fs::path old = fs::path(VELKARD_FIXTURES) / "legacy" / "clients-jet3-big5.mdb";
        testsupport::TempDir office;
        fs::create_directories(office.path() / "VELKARD");
        fs::copy_file(old, office.path() / "VELKARD" / "VELKARD.MDB");
        const fs::path file = office.path() / "VELKARD" / "velkard.db";
        whenDialogOpens<QMessageBox>([](QMessageBox* offer) {
            QVERIFY(offer->text().contains("VELKARD.MDB"));
            screenshot("30-convert-offer");
            whenDialogOpens<QMessageBox>([](QMessageBox* summary) {
                QVERIFY(summary->text().contains(QStringLiteral("VELKARD：14 筆")));
                screenshot("31-convert-summary");
                summary->button(QMessageBox::Ok)->click();
            });
            offer->button(QMessageBox::Yes)->click();
        });
        startProgram({file, {}});
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 14"));
        screenshot("32-converted-list");

        std::ofstream(office.path() / "new.csv", std::ios::binary)
            << "代號,姓名,生日,公司名稱\r\nN0001,丁一,880403,明遠資訊\r\nN0002,王二,88.13.01,\r\n";
        clickMenuAndChooseFile("menu_FILE_IMPORT", office.path() / "new.csv");
        Form45& import = opened<Form45>();
        QCOMPARE(import.Refusals->count(), 1);
        screenshot("33-csv-import");
        whenDialogOpens<QMessageBox>(
            [](QMessageBox* done) { done->button(QMessageBox::Ok)->click(); });
        click(import.COMMAND1[Form45::Import]);
        QTRY_COMPARE(counter(), QStringLiteral("Record :  1 / 15"));

        // Cards from a phone: the next code of the old file's form given, a second mobile number
        // kept in the remark.
        std::ofstream(office.path() / "phone.vcf", std::ios::binary)
            << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:林小華\r\nTEL;TYPE=CELL:0912345678\r\n"
               "TEL;TYPE=CELL:0922000111\r\nBDAY:1980-02-29\r\nPHOTO;ENCODING=b:AAAA\r\n"
               "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:歐陽小明五\r\nEND:VCARD\r\n";
        clickMenuAndChooseFile("menu_FILE_IMPORT", office.path() / "phone.vcf");
        Form45& cards = opened<Form45>();
        QCOMPARE(cards.Preview->item(0, store::NO)->text(), QStringLiteral("A00013"));
        QCOMPARE(cards.Refusals->item(0)->text(), QStringLiteral("第 2 張：NAME 超過 8 個位元組"));
        screenshot("34-vcard-import");
        whenDialogOpens<QMessageBox>(
            [](QMessageBox* done) { done->button(QMessageBox::Ok)->click(); });
        click(cards.COMMAND1[Form45::Import]);
        QTRY_COMPARE(counter(), QStringLiteral("Record :  1 / 16"));
        // And out again as a workbook, through the same dialog.
        clickMenuAndChooseFile("menu_FILE_EXPORT", office.path() / "clients.xlsx");
        QTRY_VERIFY(fs::exists(office.path() / "clients.xlsx"));
        platform::forms::destroyAll();
    }

    // An office day's small jobs: a caller found by the number on a note, a mistyped identity
    // number hinted at as it is saved.
    void everydayJobsFindTidyAndUndo() {
        testsupport::TempDir office;
        const fs::path file = office.path() / "velkard.db";
        std::vector<std::vector<std::string>> clients;
        const char* const streets[] = {"106台北市大安區復興南路一段",
                                       "40701臺中市西屯區台灣大道三段", "80241高雄市苓雅區四維三路",
                                       "300新竹市東區光復路二段"};
        for (int i = 0; i < 40; ++i)
            clients.push_back({"A" + std::to_string(10001 + i), "客戶" + std::to_string(i),
                               "70.05.20", i % 3 ? "M" : "F", "", "", "", "", "", "",
                               streets[i % 4] + std::to_string(10 + i * 7) + "號"});
        clients[12] = {"A10013",
                       "林美玲",
                       "69.06.25",
                       "F",
                       "A",
                       "A123456789",
                       "Y",
                       "02-23456789",
                       "0912345678",
                       "",
                       "台中市西屯區文化路100號",
                       "ＡＢＣ貿易"};
        // The same person typed again years later.
        clients[30] = {"A10031",
                       "林美玲",
                       "690625",
                       "F",
                       "",
                       "",
                       "",
                       "",
                       "0912-345-678",
                       "",
                       "台中市西屯區文化路100號",
                       "",
                       "",
                       "",
                       "",
                       "",
                       "",
                       "",
                       "105.03.01",
                       "新地址"};
        testsupport::writeClients(file, clients);
        startProgram({file, {}});

        pressKey(Qt::Key_F, Qt::ControlModifier);
        Form51& finder = opened<Form51>();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(finder.SearchText));
        typeKeys("0912-345-678");
        QTRY_COMPARE(finder.SearchCount->text(), QStringLiteral("找到 2 位客戶"));
        screenshot("50-find-client");
        pressKey(Qt::Key_Return);
        QTRY_COMPARE(current(store::NAME), QStringLiteral("林美玲"));
        click(finder.CloseButton);
        QTRY_VERIFY(!platform::forms::loaded<Form51>());

        clickMenu("menu_DATA_PORCESS", "menu_ADD_PROCESS");
        QTRY_VERIFY(platform::forms::loaded<Form11>());
        Form11& editor = get<Form11>();
        retype(editor.fieldBox(store::SELF_NO), "A123456788", true);
        click(editor.COMMAND1[2]);  // SAVE
        QTRY_VERIFY(editor.CheckStatus->text().contains(QStringLiteral("檢查碼不對")));
        screenshot("51-editor-check-hint");

        // DELETE keeps the client; the history lists it and puts it back.
        whenDialogOpens<QMessageBox>(
            [](QMessageBox* ask) { ask->button(QMessageBox::Ok)->click(); });
        click(editor.COMMAND1[1]);  // DELETE
        QTRY_COMPARE(editor.records()->recordCount(), 39);
        clickMenu("menu_TOOLS", "menu_HISTORY");
        Form54& history = opened<Form54>();
        QCOMPARE(history.HistoryList->rowCount(), 1);
        screenshot("52-history");
        click(history.Command[Form54::Restore]);
        QTRY_COMPARE(editor.records()->recordCount(), 40);
        click(history.Command[Form54::End]);

        // The twin found, merged field by field, and the merge undone.
        clickMenu("menu_TOOLS", "menu_DUPLICATES");
        Form52& dupes = opened<Form52>();
        QCOMPARE(dupes.Groups->topLevelItemCount(), 1);
        screenshot("53-duplicates");
        click(dupes.Command[Form52::Merge]);
        Form53& merge = opened<Form53>();
        screenshot("54-merge");
        whenDialogOpens<QMessageBox>(
            [](QMessageBox* ask) { ask->button(QMessageBox::Ok)->click(); });
        click(merge.MergeButton);
        QTRY_COMPARE(editor.records()->recordCount(), 39);
        click(dupes.Command[Form52::Undo]);
        QTRY_COMPARE(editor.records()->recordCount(), 40);
        click(dupes.Command[Form52::End]);

        // A file of clients the office has already: marked, and skipped at the user's choice.
        std::ofstream(office.path() / "again.csv", std::ios::binary)
            << "代號,姓名,生日,住宅電話\r\nA10013,林美玲,69.06.25,0223456789\r\nN0001,丁一,880403,"
               "\r\n";
        clickMenuAndChooseFile("menu_FILE_IMPORT", office.path() / "again.csv");
        Form45& import = opened<Form45>();
        QVERIFY2(import.Label1->text().contains(QStringLiteral("其中 1 筆可能已經在客戶資料裡")),
                 qPrintable(import.Label1->text()));
        screenshot("57-import-known");
        whenDialogOpens<QMessageBox>(
            [](QMessageBox* done) { done->button(QMessageBox::Ok)->click(); });
        click(import.COMMAND1[Form45::Import]);
        QTRY_VERIFY(!platform::forms::loaded<Form45>());
        QTRY_COMPARE(counter(), QStringLiteral("Record :  1 / 41"));

        // A birthday list for May: the clients born on 20 May, the age each turns.
        clickMenu("menu_PRINT_OPER", "menu_BIRTHDAY_LIST");
        Form61& birthdays = opened<Form61>();
        retype(birthdays.MonthBox, QStringLiteral("5"));
        click(birthdays.ShowList);
        QTRY_VERIFY(birthdays.preview->document()->recordCount() > 30);
        screenshot("60-birthday-list");
        platform::forms::unload<Form61>();

        // Address labels on a half-used 3 × 8 sheet, from its fourth label; the sheet as a PDF
        // reader draws it.
        // Its first page as a PDF reader draws it, for a person to look at.
        auto pdfPage = [&](platform::report::Printable* printable, const char* file,
                           const QString& shot) {
            const QString pdf = QString::fromStdString((office.path() / file).string());
            printable->writePdf(pdf);
            QCOMPARE(QProcess::execute("pdftoppm", {"-png", "-r", "60", "-singlefile", "-f", "1",
                                                    pdf, shotDir() + "/" + shot}),
                     0);
        };
        clickMenu("menu_PRINT_OPER", "menu_ADDRESS_LABELS");
        Form62& labels = opened<Form62>();
        pickEntry(labels.SheetBox, 2);
        retype(labels.StartBox, QStringLiteral("4"), true);
        QTRY_VERIFY2(labels.Notice->text().contains(QStringLiteral("張標籤，共 2 頁")),
                     qPrintable(labels.Notice->text()));
        screenshot("61-address-labels");
        pdfPage(labels.preview->printable(), "labels.pdf", "62-label-sheet-pdf");
        platform::forms::unload<Form62>();

        // Envelopes: the sender typed once, a 中式 envelope of the first client.
        clickMenu("menu_PRINT_OPER", "menu_ENVELOPES");
        Form63& envelopes = opened<Form63>();
        retype(envelopes.SenderName, QStringLiteral("大同貿易有限公司"));
        retype(envelopes.SenderPostcode, QStringLiteral("40701"));
        retype(envelopes.SenderAddress, QStringLiteral("臺中市西屯區台灣大道三段99號"), true);
        QTRY_VERIFY(envelopes.preview->printable() &&
                    envelopes.preview->printable()->pageCount() > 30);
        screenshot("63-envelopes");
        pdfPage(envelopes.preview->printable(), "envelopes.pdf", "64-envelope-pdf");
        platform::forms::unload<Form63>();

        // The data check: the identity number saved above among its findings.
        clickMenu("menu_TOOLS", "menu_DATA_CHECK");
        Form55& check = opened<Form55>();
        QVERIFY(check.preview->document() && check.preview->document()->recordCount() >= 1);
        screenshot("55-data-check");
        pdfPage(check.preview->printable(), "check.pdf", "56-data-check-pdf");
        platform::forms::destroyAll();
    }

    // Two desks on one server database, each a program window under the window manager. The
    // other desk saved the same client meanwhile: its change of another field simply shows, and
    // where both changed the name the two versions stand side by side; the one kept is stored.
    void twoDesksOnOneServer() {
        if (testsupport::pgCluster().empty()) QSKIP("no PostgreSQL server programs");
        testsupport::TempDir office, otherHome;
        sample::writeClientFile(office.file("velkard.db"), 1000);
        const std::string server = testsupport::newPgDatabase();
        store::postgres::importFile(server, office.file("velkard.db"));
        QProcess otherDesk;  // the second desk: the program itself, with a home of its own
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(otherHome.path().string()));
        otherDesk.setProcessEnvironment(env);
        otherDesk.start(VELKARD_PROGRAM, {"--server", QString::fromStdString(server)});
        QVERIFY(otherDesk.waitForStarted());
        startProgram({{}, server});
        QCOMPARE(counter(), QStringLiteral("Record :  1 / 1000"));
        clickMenu("menu_DATA_PORCESS", "menu_ADD_PROCESS");
        Form11& editor = opened<Form11>();
        get<MDIForm1>().move(380, 0);  // beside the other desk's window
        // What the other desk saves (its record set, as its editor would save it).
        auto theirs = std::make_shared<store::ClientFile>(store::postgres::connect(server))
                          ->records(store::kClientTable);
        theirs->setValue(store::NAME, "別台改的");
        theirs->setValue(store::VOCATION, "別台職稱");
        theirs->update();
        click(editor.TexVELKARD[store::NAME]);
        QTRY_VERIFY(editor.TexVELKARD[store::NAME]->hasFocus());
        pressKey(Qt::Key_A, Qt::ControlModifier);
        typeKeys(QStringLiteral("這台改的"));
        QString shown;
        whenDialogOpens<QDialog>([&](QDialog* choice) {
            QTRY_VERIFY(choice->isVisible());
            auto* table = choice->findChild<QTableWidget*>("Versions");
            shown = table ? table->item(0, 2)->text() + table->item(0, 3)->text() : QString();
            screenshot("40-two-desks-choose-versions");
            click(choice->findChild<QPushButton*>("Save"));  // keep what was typed here
        });
        click(editor.COMMAND1[2]);  // SAVE
        QTRY_COMPARE(shown, QStringLiteral("別台改的這台改的"));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(testsupport::value(*editor.records(), store::VOCATION),
                 QStringLiteral("別台職稱"));
        screenshot("41-two-desks-both-changes-kept");
        click(editor.COMMAND1[7]);  // END
        QTRY_VERIFY(platform::forms::loaded<Form1>());
        QCOMPARE(current(store::NAME), QStringLiteral("這台改的"));
        otherDesk.terminate();
        otherDesk.waitForFinished(5000);
        platform::forms::destroyAll();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    platform::help::setFolder(QStringLiteral(VELKARD_GUIDE));
    BrowseE2E test;
    return QTest::qExec(&test, argc, argv);
}

#include "browse_e2e.moc"

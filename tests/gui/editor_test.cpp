#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolButton>

#include "editor/form11.h"
#include "guifixture.h"
#include "platform/boxes.h"
#include "platform/clock.h"
#include "platform/datacontrol.h"
#include "platform/forms.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "userinput.h"

using platform::forms::get;
using testsupport::pressKey;
using testsupport::typeKeys;

namespace {

std::vector<std::vector<std::string>> someClients() {
    std::vector<std::vector<std::string>> clients = {{"A00001", "王小明", "88.04.03", "M"},
                                                     {"A00002", "李大同", "70.05.20", "F"},
                                                     {"A00003", "陳美玲", "69.06.25", "F"}};
    for (auto& c : clients) {
        c.resize(store::kFieldCount);
        c[store::DATE] = "101.02.03";
    }
    return clients;
}

Form11& editor() {
    return get<Form11>();
}
store::RecordSet& records() {
    return *editor().records();
}
QString value(int field) {
    return testsupport::value(records(), field);
}
QString buttons() {
    QString s;
    for (auto* b : editor().COMMAND1) s += b->isEnabled() ? '1' : '0';
    return s + (editor().AdodcVELKARD->isEnabled() ? "+" : "-");
}
const QString kBrowse = "11001111+";
const QString kEdit = "00110000-";

// What the file holds now, read afresh.
std::vector<std::string> stored(int field) {
    auto rs = store::RecordSet::openClients(store::clientfile::open(platform::clientFile().path()));
    std::vector<std::string> out;
    for (long i = 0; i < rs->recordCount(); ++i) out.emplace_back(rs->valueAt(i, field));
    return out;
}

// Starts the program and opens the editor the way the menu does, with the window active.
void openEditor(testsupport::GuiFixture& f) {
    platform::setToday(QDate(2026, 12, 6));
    QVERIFY(f.start());
    get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
    testsupport::activate(&get<MDIForm1>());
    f.dialogs().clear();
}

void click(int button) {
    testsupport::click(editor().COMMAND1[static_cast<std::size_t>(button)]);
}

// Clicks into a field's box, as a person puts the cursor there.
void clickField(int field) {
    testsupport::click(editor().fieldBox(field));
}

// Clicks into a field's box and types its new text over the old.
void retypeField(int field, const QString& text) {
    testsupport::retype(editor().fieldBox(field), text);
}

// The navigator's arrow (First, Previous, Next, Last).
void arrow(const char* name) {
    testsupport::click(editor().AdodcVELKARD->findChild<QToolButton*>(name));
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::setToday(std::nullopt); }

    void addProcessReplacesTheListAndEndBringsItBack() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        QVERIFY(!platform::forms::loaded<Form1>());
        QCOMPARE(editor().windowTitle(), QStringLiteral("資料輸入"));
        QVERIFY(qobject_cast<QMdiSubWindow*>(editor().parentWidget()));  // a child of the frame
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(value(store::NO), QStringLiteral("A00001"));
        click(7);
        QVERIFY(!platform::forms::loaded<Form11>());
        QVERIFY(platform::forms::loaded<Form1>());
        QVERIFY(get<Form1>().isVisible());
    }

    void buttonsFollowTheStateTable() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        struct Step {
            const char* what;
            std::function<void()> act;
            QString state;
        } steps[] = {
            {"arrow key in a box",
             [] {
                 clickField(store::NAME);
                 pressKey(Qt::Key_Right);
             },
             kEdit},
            {"SAVE", [] { click(2); }, kBrowse},
            {"ADD", [] { click(0); }, kEdit},
            {"CANCEL", [] { click(3); }, kBrowse},
            {"pick from SEX", [] { testsupport::pickEntry(editor().Combox1[0], 1); }, kEdit},
            {"CANCEL again", [] { click(3); }, kBrowse},
            {"click on a lookup box", [] { testsupport::click(editor().DataCombo1[0]); }, kEdit},
            {"CANCEL after the click", [] { click(3); }, kBrowse},
            {"Tab through every box of a stored record only moves",
             [] {
                 clickField(store::NO);
                 for (int field = store::NO; field < store::MEMO; ++field) pressKey(Qt::Key_Tab);
             },
             kBrowse},
            {"the wheel over a list box without the focus",
             [] {
                 clickField(store::NO);
                 testsupport::wheel(editor().Combox1[1], -1);
             },
             kBrowse},
            {"PRINTER", [] { click(6); }, kBrowse},
        };
        for (auto& s : steps) {
            s.act();
            QVERIFY2(buttons() == s.state, s.what);
        }
        QCOMPARE(value(store::SEX), QStringLiteral("M"));  // the pick was cancelled
        QCOMPARE(value(store::BLOOD), QString());          // the wheel changed nothing
        QVERIFY(!records().editing());
    }

    // The arrow keys pick from the entry the box shows, not from where an earlier record left
    // the list: a stored BLOOD of "O" goes up to "B", and "A" down to "B".
    void arrowKeysInAListBoxStepFromTheShownEntry() {
        testsupport::GuiFixture f;
        auto clients = someClients();
        clients[0][store::BLOOD] = "O";
        clients[1][store::BLOOD] = "A";
        f.writeClients(clients);
        openEditor(f);
        QVERIFY(testsupport::tabTo(editor().Combox1[1]));  // BLOOD of the first record
        pressKey(Qt::Key_Up);
        QCOMPARE(value(store::BLOOD), QStringLiteral("B"));
        click(3);
        arrow("Next");
        QVERIFY(testsupport::tabTo(editor().Combox1[1]));
        pressKey(Qt::Key_Down);
        QCOMPARE(value(store::BLOOD), QStringLiteral("B"));
        QCOMPARE(buttons(), kEdit);
    }

    void emptyTableKeepsTheDesignedStateWithoutHints() {
        testsupport::GuiFixture f;
        f.writeClients({});
        openEditor(f);
        QCOMPARE(buttons(), QStringLiteral("11111111+"));
        QVERIFY(editor().LabVELKARD[store::TEL_1]->toolTip().isEmpty());
        QVERIFY(editor().COMMAND1[0]->toolTip().isEmpty());
        click(2);
        click(1);
        QCOMPARE(f.dialogs().beeps(), 4);
        QCOMPARE(f.dialogs().messages().size(), std::size_t(2));
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("File no record ! "));
        QCOMPARE(f.dialogs().messages()[0].title, QStringLiteral("VELKARD"));

        // ADD then SAVE writes the first row: the added record already counts.
        click(0);
        QCOMPARE(QApplication::focusWidget(), editor().fieldBox(store::NO));
        typeKeys("N00001");
        click(2);
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor().COMMAND1[0]));
        QCOMPARE(stored(store::NO), std::vector<std::string>{"N00001"});
        QCOMPARE(stored(store::DATE), std::vector<std::string>{"115.12.06"});
    }

    void hintsAreInstalledWhenTheTableHoldsRecords() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        // Every label and box of the twenty fields, the eight buttons and the navigator.
        int withHints = 0;
        for (QWidget* w : editor().findChildren<QWidget*>()) withHints += !w->toolTip().isEmpty();
        QCOMPARE(withHints, 49);
        QCOMPARE(editor().COMMAND1[7]->toolTip(),
                 QStringLiteral(" 說明:按此鍵,即可馬上脫離此視窗 "));
    }

    void addSaveOnAFilledTableWritesTheRowWithTodaysStamp() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        click(0);
        QCOMPARE(records().recordCount(), 4L);
        QCOMPARE(editor().TexVELKARD[store::DATE]->text(), QStringLiteral("115.12.06"));
        typeKeys("A00004");
        clickField(store::NAME);
        typeKeys("歐陽小明");
        clickField(store::DATE);
        clickField(store::MEMO);  // leaving DATE keeps the three-digit stamp
        QVERIFY(f.dialogs().messages().empty());
        click(2);
        QCOMPARE(stored(store::NAME),
                 (std::vector<std::string>{"王小明", "李大同", "陳美玲", "歐陽小明"}));
        QCOMPARE(stored(store::DATE).back(), std::string("115.12.06"));
        QCOMPARE(value(store::NO), QStringLiteral("A00004"));
    }

    void cancelDropsAnAddedRecordOrRestoresAChangedOne() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        arrow("Last");
        click(0);
        typeKeys("X1");
        click(3);
        QCOMPARE(records().recordCount(), 3L);
        QCOMPARE(value(store::NO), QStringLiteral("A00001"));  // back on the first record

        arrow("Next");
        clickField(store::NAME);
        typeKeys("改");
        QCOMPARE(buttons(), kEdit);
        click(3);
        QCOMPARE(editor().TexVELKARD[store::NAME]->text(), QStringLiteral("李大同"));
        QCOMPARE(value(store::NO), QStringLiteral("A00002"));
        QCOMPARE(stored(store::NAME)[1], std::string("李大同"));
    }

    void deleteAsksAndTheLastDeletionLeavesNothing() {
        testsupport::GuiFixture f;
        f.writeClients({{"A1", "王"}, {"A2", "李"}});
        openEditor(f);
        f.dialogs().answers = {platform::Answer::Cancel};
        click(1);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("Do you delete record?"));
        QCOMPARE(f.dialogs().messages()[0].title, QStringLiteral("Delete"));
        QCOMPARE(f.dialogs().messages()[0].buttons, platform::Buttons::OkCancel);
        QCOMPARE(records().recordCount(), 2L);
        QCOMPARE(buttons(), kBrowse);
        click(1);                                          // OK
        QCOMPARE(value(store::NO), QStringLiteral("A2"));  // the next record
        click(1);
        QVERIFY(records().eof());
        QCOMPARE(editor().TexVELKARD[store::NO]->text(), QString());
        QVERIFY(stored(store::NO).empty());
        f.dialogs().clear();
        click(1);
        QCOMPARE(f.dialogs().beeps(), 2);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("File no record ! "));
    }

    void dateCheckAcceptsRewritesOrRefuses_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");  // empty: refused
        QTest::newRow("undotted") << "880403"
                                  << "88.04.03";
        QTest::newRow("month 13") << "881303"
                                  << "";
        QTest::newRow("a digit after the date") << "88.04.031"
                                                << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void dateCheckAcceptsRewritesOrRefuses() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        auto* birth = editor().TexVELKARD[store::BIRTH];
        retypeField(store::BIRTH, typed);
        pressKey(Qt::Key_Return);  // on to SEX
        if (kept.isEmpty()) {
            QCOMPARE(f.dialogs().messages().size(), std::size_t(1));
            QCOMPARE(f.dialogs().messages()[0].text,
                     QStringLiteral("輸入日期型態不正確,請重新輸入"));
            QCOMPARE(f.dialogs().messages()[0].buttons, platform::Buttons::Ok);
            QCOMPARE(stored(store::BIRTH)[0], std::string("88.04.03"));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(birth));
            QCOMPARE(birth->text(), typed);
        } else {
            QVERIFY(f.dialogs().messages().empty());
            QCOMPARE(QApplication::focusWidget(), editor().fieldBox(store::SEX));
            QCOMPARE(birth->text(), kept);
            QCOMPARE(value(store::BIRTH), kept);
        }
    }

    void enterWalksTheFieldsInOrderAndMemoTakesANewLine() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        clickField(store::NO);
        for (int field = 0; field < store::MEMO; ++field) {
            QWidget* box = editor().fieldBox(field);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(focus == box || box->isAncestorOf(focus), qPrintable(box->objectName()));
            pressKey(Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("TexVELKARD(19)"));
        typeKeys("a");
        pressKey(Qt::Key_Return);
        typeKeys("b");
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("TexVELKARD(19)"));
        QCOMPARE(value(store::MEMO), QStringLiteral("a\nb"));
        QVERIFY(f.dialogs().messages().empty());
    }

    void boxesLimitBytesAndListsTakeAnyText() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        testsupport::execSql(f.clientFile(),
                             "INSERT INTO COMBOX_COMPANY VALUES ('宏碁電腦'), ('工程師')");
        openEditor(f);
        auto* name = editor().TexVELKARD[store::NAME];
        retypeField(store::NAME, "歐陽小明五");
        QCOMPARE(name->text(), QStringLiteral("歐陽小明"));
        // A pasted text longer than the box takes what fits, cut between characters.
        QApplication::clipboard()->setText(QStringLiteral("司馬相如先生"));
        pressKey(Qt::Key_A, Qt::ControlModifier);
        pressKey(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("司馬相如"));
        QCOMPARE(editor().DataCombo1[0]->count(), 2);
        QCOMPARE(editor().DataCombo1[2]->itemText(1), QStringLiteral("工程師"));
        QCOMPARE(editor().Combox1[1]->count(), 4);

        retypeField(store::SEX, "男");
        retypeField(store::COMPANY, "新公司");
        click(2);
        QCOMPARE(stored(store::SEX)[0], std::string("男"));
        QCOMPARE(stored(store::COMPANY)[0], std::string("新公司"));
        QCOMPARE(stored(store::NAME)[0], std::string("司馬相如"));
        auto lookup =
            store::RecordSet::open(store::clientfile::open(f.clientFile()), "COMBOX_COMPANY");
        QCOMPARE(lookup->recordCount(), 2L);  // nothing typed goes into the list
    }

    void cancelIsNeverTrappedByADateButOtherButtonsAre() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        auto* birth = editor().TexVELKARD[store::BIRTH];
        retypeField(store::BIRTH, "abc");
        click(2);  // SAVE
        QCOMPARE(f.dialogs().messages().size(), std::size_t(1));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(birth));
        QCOMPARE(stored(store::BIRTH)[0], std::string("88.04.03"));  // SAVE did not act
        QCOMPARE(buttons(), kEdit);

        f.dialogs().clear();
        click(3);  // CANCEL
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(birth->text(), QStringLiteral("88.04.03"));
    }

    void closingWithAPendingRecordAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("name");
        QTest::newRow("Yes saves") << int(platform::Answer::Yes) << true << "王大明";
        QTest::newRow("No discards") << int(platform::Answer::No) << true << "王小明";
        QTest::newRow("Cancel stays") << int(platform::Answer::Cancel) << false << "王小明";
    }
    void closingWithAPendingRecordAsksFirst() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QString, name);
        for (int way = 0; way < 3; ++way) {  // close box, END SYSTEM, the frame's close box
            testsupport::GuiFixture f;
            f.writeClients(someClients());
            openEditor(f);
            retypeField(store::NAME, "王大明");
            f.dialogs().answers = {static_cast<platform::Answer>(answer)};
            if (way == 0) editor().close();
            if (way == 1) get<MDIForm1>().item("menu_END_SYSTEM")->trigger();
            if (way == 2) get<MDIForm1>().close();
            QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("資料尚未儲存，是否儲存？"));
            QCOMPARE(f.dialogs().messages()[0].buttons, platform::Buttons::YesNoCancel);
            QCOMPARE(platform::forms::loaded<Form11>(), !closed);
            QCOMPARE(QString::fromStdString(stored(store::NAME)[0]), name);
        }
    }

    // Yes to the closing question saves only what SAVE would: a date still in its box is
    // checked first (it was once stored as typed).
    void closingWithARefusedDateInItsBoxKeepsTheEditor() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        retypeField(store::DATE, "12345");
        f.dialogs().answers = {platform::Answer::Yes};
        get<MDIForm1>().item("menu_END_SYSTEM")->trigger();
        auto messages = f.dialogs().messages();
        QCOMPARE(messages.size(), std::size_t(2));
        QCOMPARE(messages[1].text, QStringLiteral("輸入日期型態不正確,請重新輸入"));
        QVERIFY(platform::forms::loaded<Form11>());
        QCOMPARE(QApplication::focusWidget(), editor().fieldBox(store::DATE));
        QCOMPARE(stored(store::DATE)[0], std::string("101.02.03"));
        QCOMPARE(buttons(), kEdit);
    }

    void aRefusedWriteIsReportedAndTheEditStays() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        testsupport::execSql(f.clientFile(),
                             "UPDATE VELKARD SET NAME = '別人改的' WHERE NO = 'A00001'");
        retypeField(store::NAME, "我改的");
        click(2);
        QCOMPARE(f.dialogs().messages().size(), std::size_t(1));
        QVERIFY(f.dialogs().messages()[0].text.contains("修改"));
        QCOMPARE(buttons(), kEdit);
        QCOMPARE(value(store::NAME), QStringLiteral("我改的"));
        QCOMPARE(stored(store::NAME)[0], std::string("別人改的"));
        // CANCEL reads the record again, so the next change can be saved.
        click(3);
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(editor().TexVELKARD[store::NAME]->text(), QStringLiteral("別人改的"));
        retypeField(store::NAME, "我再改的");
        click(2);
        QCOMPARE(stored(store::NAME)[0], std::string("我再改的"));

        testsupport::execSql(f.clientFile(), "DELETE FROM VELKARD WHERE NO = 'A00001'");
        f.dialogs().clear();
        click(1);  // OK to the question, then the refusal
        QCOMPARE(f.dialogs().messages().size(), std::size_t(2));
        QVERIFY(f.dialogs().messages()[1].text.contains("刪除"));
        QCOMPARE(records().recordCount(), 3L);
        // A record deleted elsewhere: CANCEL after the refused save says so and shows the next.
        retypeField(store::NAME, "改不到");
        click(2);
        f.dialogs().clear();
        click(3);
        QCOMPARE(f.dialogs().messages().size(), std::size_t(1));
        QVERIFY(f.dialogs().messages()[0].text.contains("已被刪除"));
        QCOMPARE(records().recordCount(), 2L);
        QCOMPARE(value(store::NO), QStringLiteral("A00002"));
    }

    void dateBoxesShowAWholeThreeDigitDate() {
        testsupport::GuiFixture f;
        f.writeClients(someClients());
        openEditor(f);
        for (int field : {int(store::BIRTH), int(store::DATE)}) {
            auto* box = editor().TexVELKARD[static_cast<std::size_t>(field)];
            QStyleOptionFrame option;
            option.initFrom(box);
            const QRect text =
                box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
            QVERIFY2(text.width() >= box->fontMetrics().horizontalAdvance("115.12.06"),
                     qPrintable(box->objectName()));
        }
    }
};

VELKARD_GUI_TEST(EditorTest)
#include "editor_test.moc"

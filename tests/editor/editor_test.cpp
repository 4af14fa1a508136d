#include "windowtest.h"

#include "editor/form11.h"
#include "platform/clock.h"
#include "store/clientfile.h"

using testsupport::pressKey;
using testsupport::typeKeys;
using Button = editor::EditorState::Button;

namespace {

std::vector<std::vector<std::string>> someClients() {
    std::vector<std::vector<std::string>> clients = {{"A00001", "王小明", "88.04.03", "M", "O"},
                                                     {"A00002", "李大同", "70.05.20", "F", "A"},
                                                     {"A00003", "陳美玲", "69.06.25", "F"}};
    for (auto& c : clients) {
        c.resize(store::kFieldCount);
        c[store::DATE] = "101.02.03";
    }
    return clients;
}

Form11& theEditor() {
    return get<Form11>();
}
QString value(int field) {
    return testsupport::value(*theEditor().records(), field);
}
QString buttons() {
    QString s;
    for (auto* b : theEditor().COMMAND1) s += b->isEnabled() ? '1' : '0';
    return s + (theEditor().AdodcVELKARD->isEnabled() ? "+" : "-");
}
const QString kBrowse = "11001111+";
const QString kEdit = "00110000-";

// What the file or server holds now, read afresh.
std::vector<std::string> stored(const testsupport::GuiFixture& f, int field) {
    auto rs = f.openAgain()->records(store::kClientTable);
    std::vector<std::string> out;
    for (long i = 0; i < rs->recordCount(); ++i) out.emplace_back(rs->valueAt(i, field));
    return out;
}

// Starts the program and opens the editor the way the menu does, with the window active.
void openEditor(testsupport::GuiFixture& f, const std::vector<std::vector<std::string>>& clients) {
    platform::setToday(QDate(2026, 12, 6));
    QVERIFY(f.start(clients));
    get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
    testsupport::activate(&get<MDIForm1>());
    f.dialogs().clear();
}

void click(Button button) {
    testsupport::click(theEditor().COMMAND1[static_cast<std::size_t>(button)]);
}
void clickField(int field) {
    testsupport::click(theEditor().fieldBox(field));
}
void retypeField(int field, const QString& text) {
    testsupport::retype(theEditor().fieldBox(field), text);
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::setToday(std::nullopt); }

    // What each kind of input does to the state, through the boxes as a person uses them.
    void buttonsFollowTheInput() {
        testsupport::GuiFixture f;
        openEditor(f, someClients());
        QCOMPARE(buttons(), kBrowse);
        const struct {
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
            {"SAVE", [] { click(Button::Save); }, kBrowse},
            {"pick from SEX", [] { testsupport::pickEntry(theEditor().Combox1[0], 1); }, kEdit},
            {"CANCEL", [] { click(Button::Cancel); }, kBrowse},
            {"click on a lookup box", [] { testsupport::click(theEditor().DataCombo1[0]); }, kEdit},
            {"CANCEL after the click", [] { click(Button::Cancel); }, kBrowse},
            {"Tab through every box of a stored record only moves",
             [] {
                 clickField(store::NO);
                 for (int field = store::NO; field < store::MEMO; ++field) pressKey(Qt::Key_Tab);
             },
             kBrowse},
            {"the wheel over a list box without the focus",
             [] {
                 clickField(store::NO);
                 testsupport::wheel(theEditor().Combox1[1], -1);
             },
             kBrowse}};
        for (const auto& s : steps) {
            s.act();
            QVERIFY2(buttons() == s.state, s.what);
        }
        QCOMPARE(value(store::SEX), QStringLiteral("M"));    // the pick was cancelled
        QCOMPARE(value(store::BLOOD), QStringLiteral("O"));  // the wheel changed nothing
    }

    void addSaveCancelAndDeleteReachTheFile() {
        testsupport::GuiFixture f;
        openEditor(f, {});
        click(Button::Save);
        QCOMPARE(f.dialogs().beeps(), 2);
        QCOMPARE(f.dialogs().messages()[0].text, QStringLiteral("File no record ! "));
        // ADD then SAVE writes the first row, stamped with today's date.
        click(Button::Add);
        QCOMPARE(QApplication::focusWidget(), theEditor().fieldBox(store::NO));
        typeKeys("N00001");
        clickField(store::DATE);
        clickField(store::MEMO);  // leaving DATE keeps the three-digit stamp
        click(Button::Save);
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(stored(f, store::DATE), std::vector<std::string>{"115.12.06"});

        click(Button::Add);
        typeKeys("X1");
        click(Button::Cancel);  // drops the new record
        QCOMPARE(stored(f, store::NO), std::vector<std::string>{"N00001"});
        QCOMPARE(value(store::NO), QStringLiteral("N00001"));

        f.dialogs().answers = {platform::Answer::Ok};
        click(Button::Delete);  // the last one: the boxes empty
        QVERIFY(stored(f, store::NO).empty());
        QCOMPARE(theEditor().TexVELKARD[store::NO]->text(), QString());
    }

    // Leaving a date box checks its date (the checks are the dates' own): a date is rewritten
    // in place, a refused one is said and keeps the focus and holds up every button but CANCEL.
    void leavingADateBoxChecksIt() {
        testsupport::GuiFixture f;
        openEditor(f, someClients());
        auto* birth = theEditor().TexVELKARD[store::BIRTH];
        retypeField(store::BIRTH, "700520");
        pressKey(Qt::Key_Return);  // on to SEX
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(QApplication::focusWidget(), theEditor().fieldBox(store::SEX));
        QCOMPARE(value(store::BIRTH), QStringLiteral("70.05.20"));

        retypeField(store::BIRTH, "1966/5/20");  // the form the hint shows
        pressKey(Qt::Key_Return);
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(value(store::BIRTH), QStringLiteral("55.05.20"));

        retypeField(store::BIRTH, "881303");
        pressKey(Qt::Key_Return);
        QCOMPARE(f.dialogs().messages().back().text,
                 QStringLiteral("輸入日期型態不正確,請重新輸入"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(birth));
        click(Button::Save);  // held up by the date: nothing is written
        QCOMPARE(stored(f, store::BIRTH)[0], std::string("88.04.03"));
        f.dialogs().clear();
        click(Button::Cancel);  // never held up
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(birth->text(), QStringLiteral("88.04.03"));
    }

    // A mistyped identity number or phone is saved as typed; its box carries a mark and the
    // save says what to look at again. A stored impossible date is marked when shown.
    void mistypedNumbersAreHintedNeverRefused() {
        testsupport::GuiFixture f;
        auto clients = someClients();
        clients[1][store::BIRTH] = "88.02.31";
        openEditor(f, clients);
        auto marked = [](int field) {
            return theEditor().CheckMark[static_cast<std::size_t>(field)]->isVisible();
        };
        QVERIFY(!marked(store::SELF_NO) && !marked(store::BIRTH));
        retypeField(store::SELF_NO, "A123456788");
        pressKey(Qt::Key_Return);
        QVERIFY(marked(store::SELF_NO));
        retypeField(store::PHONE, "0912345678");
        pressKey(Qt::Key_Return);
        QVERIFY(!marked(store::PHONE));
        click(Button::Save);
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(stored(f, store::SELF_NO)[0], std::string("A123456788"));
        QCOMPARE(theEditor().CheckStatus->text(),
                 QStringLiteral("已存檔，請再看一次 ─ 身份證字號：身份證字號的檢查碼不對"));

        theEditor().AdodcVELKARD->moveNext();  // 88.02.31 as stored
        QVERIFY(marked(store::BIRTH) && !marked(store::SELF_NO));
        QVERIFY(theEditor().CheckStatus->text().isEmpty());
        QCOMPARE(theEditor().CheckMark[store::BIRTH]->toolTip(), QStringLiteral("沒有這一天"));
    }

    // An empty date box, or a date stored in another form and left alone, is no date to check:
    // the user tabs through, moves on, saves another field, and NULL stays NULL.
    void emptyOrStoredDatesDoNotHoldTheEditor() {
        testsupport::GuiFixture f;
        auto clients = someClients();
        clients[0][store::BIRTH] = "";
        clients[0][store::DATE] = "64/06/01";   // as an old file may hold it
        clients.push_back({"A00004", "林四"});  // BIRTH and DATE NULL
        openEditor(f, clients);
        for (const char* record : {"A00001", "A00004"}) {
            QCOMPARE(value(store::NO), QString::fromLatin1(record));
            clickField(store::BIRTH);
            for (int i = 0; i < 17; ++i) pressKey(Qt::Key_Tab);  // through DATE, on to MEMO
            QCOMPARE(QApplication::focusWidget(), theEditor().fieldBox(store::MEMO));
            QVERIFY(f.dialogs().messages().empty());
            testsupport::click(theEditor().AdodcVELKARD->findChild<QToolButton*>("Last"));
        }
        retypeField(store::VOCATION, "店員");
        clickField(store::BIRTH);
        click(Button::Save);
        QVERIFY(f.dialogs().messages().empty());
        QCOMPARE(f.query("SELECT COALESCE(BIRTH, 'null') || COALESCE(DATE, 'null') || VOCATION "
                         "FROM VELKARD WHERE NO = 'A00004'"),
                 std::vector<std::string>{"nullnull店員"});
        QCOMPARE(stored(f, store::DATE)[0], std::string("64/06/01"));
    }

    // Closing the editor or the whole program with a pending record asks first.
    void closingWithAPendingRecordAsksFirst() {
        using platform::Answer;
        const struct {
            Answer answer;
            bool closed;
            const char* stored;
        } cases[] = {{Answer::Yes, true, "王大明"},
                     {Answer::No, true, "王小明"},
                     {Answer::Cancel, false, "王小明"}};
        for (const auto& c : cases)
            for (bool wholeProgram : {false, true}) {
                testsupport::GuiFixture f;
                openEditor(f, someClients());
                retypeField(store::NAME, "王大明");
                f.dialogs().answers = {c.answer};
                wholeProgram ? void(get<MDIForm1>().close()) : void(theEditor().close());
                QCOMPARE(f.dialogs().messages()[0].text,
                         QStringLiteral("資料尚未儲存，是否儲存？"));
                QCOMPARE(platform::forms::loaded<Form11>(), !c.closed);
                QCOMPARE(stored(f, store::NAME)[0], std::string(c.stored));
            }
    }

    // Another desk saved the same client meanwhile: the window shows the fields both changed
    // side by side, by name, and stores the choice (the other outcomes are the editor flow's).
    void anotherDesksChangesAreKeptOrChosenFieldByField() {
        testsupport::GuiFixture f;
        openEditor(f, someClients());
        auto other = f.openAgain()->records(store::kClientTable);
        other->setValue(store::NAME, "別台改名");
        other->setValue(store::VOCATION, "別台職稱");
        other->update();
        retypeField(store::NAME, "這台改名");
        retypeField(store::PHONE, "0912");
        f.dialogs().choices = {std::vector<bool>{false}};  // NAME: take what the other desk stored
        click(Button::Save);
        QCOMPARE(f.dialogs().versionsShown.size(), std::size_t(1));
        const auto& name = f.dialogs().versionsShown[0].at(0);
        QCOMPARE(name.field + name.read + name.stored + name.typed,
                 QStringLiteral("NAME王小明別台改名這台改名"));
        QCOMPARE(buttons(), kBrowse);
        QCOMPARE(f.query("SELECT NAME || PHONE || VOCATION FROM VELKARD WHERE NO = 'A00001'"),
                 std::vector<std::string>{"別台改名0912別台職稱"});
    }
};

VELKARD_GUI_TEST(EditorTest)
#include "editor_test.moc"

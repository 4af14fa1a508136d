#include <QLineEdit>
#include <QTableWidget>

#include "editor/form11.h"
#include "tidy/form51.h"
#include "windowtest.h"

using testsupport::pressKey;
using testsupport::typeKeys;

namespace {

std::vector<std::vector<std::string>> callers() {
    std::vector<std::vector<std::string>> clients;
    for (int i = 0; i < 30; ++i) {
        std::vector<std::string> c(store::kFieldCount);
        c[store::NO] = "A" + std::to_string(10000 + i);
        c[store::NAME] = "客戶" + std::to_string(i);
        c[store::PHONE] = "09" + std::to_string(10000000 + i * 7);
        clients.push_back(c);
    }
    clients[17][store::NAME] = "林美玲";
    clients[17][store::PHONE] = "0912345678";
    clients[17][store::COMPANY] = "ＡＢＣ貿易";
    return clients;
}

Form51& finder() {
    return get<Form51>();
}

// Ctrl+F where the user is, then what they type, waiting for the search to end.
void find(const QString& typed) {
    pressKey(Qt::Key_F, Qt::ControlModifier);
    // The window comes up and takes the keyboard, as a person waits for it to.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(finder().SearchText));
    finder().SearchText->selectAll();
    typeKeys(typed);
    QTRY_VERIFY(finder().finished());
}

QString cell(int row, int column) {
    auto* item = finder().SearchResults->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

class FindTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() {
        platform::forms::destroyAll();
        Form51::sliceMs = 15;
        Form51::rowsPerStep = 20000;
    }

    // A keystroke while a search runs drops it: what is listed is the new text's matches only.
    void aKeystrokeDropsTheSearchUnderWay() {
        Form51::sliceMs = 0;  // one client a slice: the search is under way between keys
        Form51::rowsPerStep = 1;
        testsupport::GuiFixture f;
        QVERIFY(f.start(callers()));
        testsupport::activate(&get<MDIForm1>());
        pressKey(Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(finder().SearchText));
        typeKeys("客戶1");
        QVERIFY(!finder().finished());
        QVERIFY(finder().SearchCount->text().startsWith(QStringLiteral("尋找中")));
        typeKeys("2");
        QTRY_VERIFY(finder().finished());
        QCOMPARE(finder().SearchResults->rowCount(), 1);
        QCOMPARE(cell(0, 1), QStringLiteral("客戶12"));
        QCOMPARE(finder().SearchCount->text(), QStringLiteral("找到 1 位客戶"));
    }

    // A caller's number as written on a note finds the client; Enter makes them current in the
    // browse list.
    void aPhoneAsWrittenFindsTheClientInTheList() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(callers()));
        testsupport::activate(&get<MDIForm1>());
        find("0912-345-678");
        QCOMPARE(finder().SearchResults->rowCount(), 1);
        QCOMPARE(cell(0, 0), QStringLiteral("A10017"));
        QCOMPARE(cell(0, 2), QStringLiteral("大哥大"));
        QCOMPARE(finder().SearchCount->text(), QStringLiteral("找到 1 位客戶"));
        pressKey(Qt::Key_Return);
        QCOMPARE(testsupport::value(*get<Form1>().listRecords(), store::NO),
                 QStringLiteral("A10017"));

        // Half-width typed, full-width stored; then a new text drops the old matches.
        find("abc");
        QCOMPARE(cell(0, 2), QStringLiteral("公司名稱"));
        typeKeys("x");
        QTRY_VERIFY(finder().finished());
        QCOMPARE(finder().SearchResults->rowCount(), 0);
        QCOMPARE(finder().SearchCount->text(), QStringLiteral("沒有找到"));
    }

    // With the editor open the client becomes its current record; Down then Enter from the box
    // takes the match chosen in the list.
    void theEditorFollowsTheChosenMatch() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(callers()));
        get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
        testsupport::activate(&get<MDIForm1>());
        find("客戶2");  // 客戶2 and 客戶20 to 客戶29
        QCOMPARE(finder().SearchResults->rowCount(), 11);
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(finder().SearchResults));
        pressKey(Qt::Key_Return);
        QCOMPARE(testsupport::value(*get<Form11>().records(), store::NAME),
                 QStringLiteral("客戶20"));
    }
};

VELKARD_GUI_TEST(FindTest)
#include "find_test.moc"

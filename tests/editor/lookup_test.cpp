#include <QComboBox>
#include "windowtest.h"

#include "editor/form11.h"
#include "editor/form112.h"

using testsupport::click;
using testsupport::pressKey;
using testsupport::typeKeys;
using testsupport::value;

namespace {

std::vector<std::vector<std::string>> clients() {
    return {{"C03", "王小明"}, {"C01", "李大同"}, {"C05", "陳美玲"},
            {"C02", "林志明"}, {"C04", "O'Neil"}, {"X'1", "張三"}};
}

// The lookup opened from the editor standing on its second record (C01).
Form112& openLookup(testsupport::GuiFixture& f) {
    [&] { QVERIFY(f.start(clients())); }();
    get<MDIForm1>().item("menu_ADD_PROCESS")->trigger();
    Form11& editor = get<Form11>();
    click(editor.AdodcVELKARD->findChild<QToolButton*>("Next"));
    click(editor.COMMAND1[Form11::Button::Quick]);
    testsupport::activate(&get<Form112>());
    return get<Form112>();
}

QString editorCode() {
    return value(*get<Form11>().records(), store::NO);
}

}  // namespace

class LookupTest : public QObject {
    Q_OBJECT
  private slots:
    void typedCodesFindAndExecuteMovesTheEditor() {
        testsupport::GuiFixture f;
        Form112& w = openLookup(f);
        store::RecordSet& copy = *w.Adodc1->recordSet();
        // A typed code (any letter case) and Enter: found, and the focus moves on to EXECUTE.
        click(w.DataCombo1);
        typeKeys("c05");
        pressKey(Qt::Key_Return);
        QCOMPARE(value(copy, store::NAME), QStringLiteral("陳美玲"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1[0]));
        QCOMPARE(editorCode(), QStringLiteral("C01"));  // the editor waits

        // Each key searches with the text as it stood before the key: "C" is no whole code.
        testsupport::retype(w.DataCombo1, QStringLiteral("C0"));
        QVERIFY(copy.eof());

        // A code that matches nothing leaves no client to take: EXECUTE keeps the editor where
        // it was (it once moved it to the client the lookup stood on before).
        testsupport::retype(w.DataCombo1, "ZZZ", true);
        pressKey(Qt::Key_Space);  // on EXECUTE
        QVERIFY(platform::forms::loaded<Form112>());
        QCOMPARE(editorCode(), QStringLiteral("C01"));

        // A code with a quote is found as typed; a pick from the list finds at once.
        testsupport::retype(w.DataCombo1, "X'1", true);
        QCOMPARE(value(copy, store::NAME), QStringLiteral("張三"));
        testsupport::pickEntry(w.DataCombo1, 3);
        QCOMPARE(value(copy, store::NO), QStringLiteral("C02"));
        QVERIFY(f.dialogs().messages().empty());
        click(w.Command1[Form112::Execute]);
        QVERIFY(!platform::forms::loaded<Form112>());
        QCOMPARE(editorCode(), QStringLiteral("C02"));
        QCOMPARE(get<Form11>().TexVELKARD[store::NAME]->text(), QStringLiteral("林志明"));
    }
};

VELKARD_GUI_TEST(LookupTest)
#include "lookup_test.moc"

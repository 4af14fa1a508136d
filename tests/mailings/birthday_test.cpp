#include <QComboBox>
#include <QSpinBox>

#include "mailings/form61.h"
#include "pdfreader.h"
#include "platform/clock.h"
#include "platform/reportpreview.h"
#include "tempdir.h"
#include "windowtest.h"

namespace {

std::vector<std::vector<std::string>> born() {
    std::vector<std::vector<std::string>> clients;
    auto add = [&](const char* code, const char* name, const char* birth) {
        clients.push_back(std::vector<std::string>(store::kFieldCount));
        clients.back()[store::NO] = code, clients.back()[store::NAME] = name;
        clients.back()[store::BIRTH] = birth;
    };
    add("A1", "王小明", "70.12.25");
    add("A2", "李大同", "88.12.10");
    add("A3", "陳美玲", "1966/1/3");
    add("A4", "林志明", "生日不詳");
    add("A5", "張三", "105.12.01");
    return clients;
}

// The list's rows as "code turns", in order.
QString listed() {
    const auto* document = get<Form61>().preview->document();
    QString out;
    for (long i = 0; i < document->recordCount(); ++i)
        out += QString::fromStdString(std::string(document->rows().valueAt(i, 0))) + " " +
               QString::fromStdString(std::string(document->rows().valueAt(i, 4))) + ";";
    return out;
}

}  // namespace

class BirthdayTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { platform::setToday(QDate(2026, 12, 7)); }
    void cleanup() {
        platform::forms::destroyAll();
        platform::setToday(std::nullopt);
    }

    // This month by default, in the order of the birthday; then the days ahead, chosen through
    // the drop-down and typed; then the PDF read back.
    void aMonthThenTheDaysAheadWithTheAgeTheyTurn() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(born()));
        get<MDIForm1>().item("menu_BIRTHDAY_LIST")->trigger();
        Form61& w = get<Form61>();
        testsupport::activate(&w);
        QCOMPARE(w.MonthBox->value(), 12);
        QCOMPARE(listed(), QStringLiteral("A5 10 歲;A2 27 歲;A1 45 歲;"));

        testsupport::pickEntry(w.ModeBox, Form61::WithinDays);
        QVERIFY(w.DaysBox->isVisible() && !w.MonthBox->isVisible());
        testsupport::retype(w.DaysBox, QStringLiteral("30"));
        testsupport::click(w.ShowList);
        QCOMPARE(listed(), QStringLiteral("A2 27 歲;A1 45 歲;A3 61 歲;"));

        testsupport::TempDir dir;
        const QString pdf = QString::fromStdString(dir.file("birthdays.pdf").string());
        w.preview->document()->writePdf(pdf);
        const QString read = testsupport::pdfText(pdf);
        for (const char* expected :
             {"生日名單：2026/12/07 起 30 天內", "陳美玲", "2027/1/3", "61 歲"})
            QVERIFY2(read.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!read.contains(QStringLiteral("林志明")));
    }

    // Only the clients the browse list shows.
    void theBrowseListsFilterHolds() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(born()));
        get<Form1>().listRecords()->setFilter("NAME like '李*'");
        get<MDIForm1>().item("menu_BIRTHDAY_LIST")->trigger();
        QCOMPARE(listed(), QStringLiteral("A2 27 歲;"));
    }
};

VELKARD_GUI_TEST(BirthdayTest)
#include "birthday_test.moc"

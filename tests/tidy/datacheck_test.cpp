#include <QFile>

#include "pdfreader.h"
#include "platform/reportpreview.h"
#include "reports/exports.h"
#include "store/checks.h"
#include "tempdir.h"
#include "tidy/form55.h"
#include "windowtest.h"

class DataCheckTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::forms::destroyAll(); }

    // Every finding of every client, read back from the PDF by pdftotext and from the CSV.
    void theReportListsEachFindingInThePdfAndTheCsv() {
        testsupport::GuiFixture f;
        std::vector<std::vector<std::string>> clients(4,
                                                      std::vector<std::string>(store::kFieldCount));
        clients[0][store::NO] = "A1", clients[0][store::NAME] = "王小明";
        clients[0][store::SELF_NO] = "A123456788";
        clients[1][store::NO] = "A2", clients[1][store::NAME] = "李大同";
        clients[1][store::BIRTH] = "88.02.31";
        clients[2][store::NO] = "A3";
        clients[3][store::NO] = "A4", clients[3][store::NAME] = "陳美玲";
        clients[3][store::UNITY_NO] = "04595257";
        QVERIFY(f.start(clients));
        get<MDIForm1>().item("menu_DATA_CHECK")->trigger();
        auto* document = get<Form55>().preview->document();
        QVERIFY(document);
        QCOMPARE(document->recordCount(), 3L);

        testsupport::TempDir dir;
        const QString pdf = QString::fromStdString(dir.file("check.pdf").string());
        document->writePdf(pdf);
        const QString read = testsupport::pdfText(pdf);
        for (const char* expected :
             {"資料檢查報表", "檢查了 4 位客戶，有 3 項要再看一次。", "身份證字號的檢查碼不對",
              "A123456788", "沒有這一天", "88.02.31", "沒有姓名"})
            QVERIFY2(read.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!read.contains(QStringLiteral("陳美玲")));

        const auto csv = dir.file("check.csv");
        reports::exportByName(document->rows(), {0, 1, 2, 3, 4}, csv);
        QFile file(QString::fromStdString(csv.string()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        // Every field quoted, as the program's CSV always has them.
        QVERIFY(lines[0].endsWith(QStringLiteral(R"("代號","姓名","欄位","問題","內容")")));
        QCOMPARE(lines[2], QStringLiteral(R"("A2","李大同","生日","沒有這一天","88.02.31")"));
    }
};

VELKARD_GUI_TEST(DataCheckTest)
#include "datacheck_test.moc"

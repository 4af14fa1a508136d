#include <QFontMetricsF>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include "windowtest.h"

#include "pdfreader.h"
#include "platform/appsetup.h"
#include "platform/clock.h"
#include "platform/reportpreview.h"
#include "platform/twips.h"
#include "reports/datareport28.h"
#include "reports/form28.h"
#include "store/clientfile.h"

using platform::report::Control;

namespace {

std::vector<std::vector<std::string>> clients(int n) {
    std::vector<std::vector<std::string>> out;
    for (int i = 1; i <= n; ++i) {
        std::vector<std::string> c(store::kFieldCount);
        c[store::NO] = QStringLiteral("K%1").arg(i, 3, 10, QLatin1Char('0')).toStdString();
        c[store::NAME] = i % 2 ? "王大明" : "李小華";
        c[store::SEX] = i % 3 ? "M" : "F";
        c[store::ADDR_1] = "台北市大安區仁愛路" + std::to_string(i) + "號";
        out.push_back(c);
    }
    return out;
}

Form28& chooser() {
    get<MDIForm1>().item("menu_SYNTHE_DATA")->trigger();
    return get<Form28>();
}

// Clicks an entry of a list where it is drawn, after scrolling to it.
void clickItem(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// Columns of `area` in which `image` has ink, counted as separate runs: one run a glyph.
int inkRuns(const QImage& image, const QRect& area) {
    int runs = 0;
    bool inInk = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        bool ink = false;
        for (int y = area.top(); y <= area.bottom() && !ink; ++y)
            ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inInk) ++runs;
        inInk = ink;
    }
    return runs;
}

// Page 1 of a document as drawn, at a quarter of a pixel a twip (about 4 pixels a millimetre).
constexpr double kScale = 0.25;
QImage firstPage(const platform::report::Document& document) {
    QImage image(static_cast<int>(11906 * kScale), static_cast<int>(16838 * kScale),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(kScale, kScale);
    document.drawPage(painter, 0);
    return image;
}

// A one-line report of one client's PHONE in a column `fraction` as wide as the number needs.
struct PhoneReport {
    static constexpr int kLeft = 2000, kTop = 1440, kHeight = 300;
    int width = 0;
    std::unique_ptr<platform::report::Document> document;

    PhoneReport(const std::filesystem::path& file, double fraction) {
        platform::report::Definition d;
        d.font = {QString::fromUtf8(platform::kMingFace), 9, false};
        QFont font(d.font.name);
        font.setPixelSize(9 * 20);
        width = static_cast<int>(QFontMetricsF(font).horizontalAdvance("1234567890") * fraction);
        Control phone;
        phone.kind = Control::TextBox;
        phone.dataField = "PHONE";
        phone.left = kLeft;
        phone.top = 0;
        phone.width = width;
        phone.height = kHeight;
        phone.font = d.font;
        d.sections.push_back({platform::report::Section::Detail, "Detail", kHeight, {phone}});
        document = std::make_unique<platform::report::Document>(
            d, store::RecordSet::openClients(store::clientfile::open(file)), platform::report::a4(),
            QString());
    }

    // The page at about 4 pixels a millimetre, and the part of it right of the column's start.
    QImage page(QRect* column, QRect* beyond) const {
        const QImage image = firstPage(*document);
        const int left = static_cast<int>((100 + kLeft) * kScale);
        const int top = static_cast<int>(kTop * kScale),
                  height = static_cast<int>(kHeight * kScale);
        const int right = static_cast<int>((100 + kLeft + width) * kScale);
        *column = QRect(QPoint(left - 2, top), QPoint(right + 1, top + height));
        *beyond = QRect(QPoint(right + 2, top), QPoint(image.width() - 1, top + height));
        return image;
    }
};

}  // namespace

class ReportTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::setToday(std::nullopt); }

    void theChosenColumnsMakeTheReportAndRefusedChoicesNone() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(3)));
        Form28& w = chooser();
        testsupport::click(w.ComLTOR);  // nothing selected: nothing added
        QCOMPARE(w.ListRIGHT->count(), 9);
        clickItem(w.ListLEFT, store::NAME);
        testsupport::click(w.ComLTOR);
        testsupport::click(w.ComLTOR);
        clickItem(w.ListRIGHT, 0);
        testsupport::click(w.ComRTOL);
        QCOMPARE(w.ListRIGHT->count(), 10);  // NO out, NAME in twice at the end
        testsupport::click(w.COMMAND1[0]);
        QVERIFY(platform::forms::loaded<Form28>());  // the chooser stays open
        auto& d = get<DataReport28>().definition;
        // Each column headed by the field name (not its title); the rest hidden. Where the
        // columns lie is the layout's (its own tests).
        QCOMPARE(d.control("label10")->caption, QStringLiteral("NAME"));
        QCOMPARE(d.control("text10")->dataField, QStringLiteral("NAME"));
        QVERIFY(!d.control("text11")->visible);
        // The title's rule runs under the title, not through it: in the title's columns, every
        // row of ink above the rule is the title's, and none lies below it (above the long rule).
        const QImage page = firstPage(*get<DataReport28>().preview->document());
        const auto px = [](int twips) { return static_cast<int>(twips * kScale); };
        int rule = -1, lastTitleInk = -1;
        for (int y = px(1440); y < px(1440 + 690); ++y) {
            int ink = 0;
            for (int x = px(5100); x <= px(7100); ++x) ink += qGray(page.pixel(x, y)) < 160;
            if (ink > (px(7100) - px(5100)) * 9 / 10)
                rule = rule < 0 ? y : rule;
            else if (ink > 0) {
                QVERIFY2(rule < 0, "ink below the rule");
                lastTitleInk = y;
            }
        }
        QVERIFY(px(1440) < lastTitleInk && lastTitleInk < rule);

        // A choice too wide to lay out: refused with a message, no report.
        testsupport::click(w.ComALLMOVE);
        platform::forms::unload<DataReport28>();
        clickItem(w.ListLEFT, store::MEMO);
        for (int i = 0; i < 8; ++i) testsupport::click(w.ComLTOR);
        testsupport::click(w.COMMAND1[0]);
        QVERIFY(!platform::forms::loaded<DataReport28>());
        QVERIFY(f.dialogs().messages()[0].text.contains("32767"));
    }

    void thePdfAndTheCsvHoldTheFilteredRowsInTheListsOrder() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(30)));
        platform::setToday(QDate(2026, 12, 6));
        store::RecordSet& list = *get<Form1>().AdodcMENU->recordSet();
        list.setFilter("SEX = 'M'");
        list.setSort("NO DESC");
        testsupport::clickRow(get<Form1>().DataGridMENU, 4);
        QCOMPARE(list.absolutePosition(), 5L);
        Form28& w = chooser();
        testsupport::click(w.COMMAND1[0]);
        QCOMPARE(list.absolutePosition(), 5L);  // printing reads a copy
        const QString pdf =
            QString::fromStdString((f.clientFile().parent_path() / "report.pdf").string());
        f.dialogs().savePaths.push_back(pdf);
        get<DataReport28>().preview->findChild<QToolButton*>("SavePdf")->click();
        const QString text = testsupport::pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("客戶基本資料表")), qPrintable(text.left(400)));
        QVERIFY(text.contains("2026/12/06"));
        QVERIFY(text.contains("ADDR_1"));
        QStringList codes;
        for (const QString& line : text.split('\n')) {
            const QString first = line.trimmed().section(' ', 0, 0);
            if (first.startsWith('K')) codes << first;
        }
        QStringList expected;
        for (int i = 30; i >= 1; --i)
            if (i % 3) expected << QStringLiteral("K%1").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(codes, expected);

        // The same list out as CSV: the chosen columns, the list's rows in its order. The whole
        // table out from the menu: a vCard per client, whatever the list shows.
        const auto folder = f.clientFile().parent_path();
        f.dialogs().savePaths = {QString::fromStdString((folder / "list.csv").string()),
                                 QString::fromStdString((folder / "all.vcf").string())};
        get<DataReport28>().preview->findChild<QToolButton*>("SaveCsv")->click();
        const QStringList csv =
            QString::fromStdString(testsupport::readBytes(folder / "list.csv")).split("\r\n");
        QCOMPARE(csv[0], QStringLiteral("\"NO\",\"NAME\",\"BIRTH\",\"SEX\",\"BLOOD\","
                                        "\"SELF_NO\",\"PHONE\",\"TEL_1\",\"ADDR_1\""));
        QCOMPARE(csv.size(), expected.size() + 2);  // a line break ends the last row
        QVERIFY(csv[1].startsWith("\"" + expected[0] + "\""));
        get<MDIForm1>().item("menu_FILE_EXPORT")->trigger();
        QCOMPARE(QString::fromStdString(testsupport::readBytes(folder / "all.vcf"))
                     .count("BEGIN:VCARD\r\nVERSION:4.0"),
                 30);
        QVERIFY(f.dialogs().messages().empty());
    }

    // A phone number cut at its column's edge reads as another number: a value that does not
    // fit is narrowed so that every digit prints, and only past that cut with a mark.
    void aValueWiderThanItsColumnPrintsWholeOrMarkedAsCut() {
        // The column's width against what the number needs; the glyphs drawn in it (0: cut).
        const struct {
            double fraction;
            int glyphs;
        } cases[] = {{1.2, 10}, {0.7, 10}, {0.68, 10}, {0.4, 0}};
        for (const auto [fraction, glyphs] : cases) {
            testsupport::GuiFixture f;
            std::vector<std::string> client(store::kFieldCount);
            client[store::NO] = "K001";
            client[store::PHONE] = "1234567890";
            f.writeClients({client});
            PhoneReport report(f.clientFile(), fraction);
            QRect column, beyond;
            const QImage page = report.page(&column, &beyond);
            QCOMPARE(inkRuns(page, beyond), 0);  // nothing spills into the next column
            const QString pdf =
                QString::fromStdString((f.clientFile().parent_path() / "phone.pdf").string());
            report.document->writePdf(pdf);
            const QString text = testsupport::pdfText(pdf);
            QVERIFY2(text.contains("1234567890"), qPrintable(text.trimmed()));
            if (glyphs) {
                QCOMPARE(inkRuns(page, column), glyphs);
                QVERIFY(!text.contains(QStringLiteral("…")));
            } else {
                QVERIFY2(text.contains(QStringLiteral("…")), qPrintable(text.trimmed()));
                QVERIFY(inkRuns(page, column) < 10 + 3);
            }
        }
    }
};

VELKARD_GUI_TEST(ReportTest)
#include "report_test.moc"

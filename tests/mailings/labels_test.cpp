#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QPainter>
#include <QSpinBox>

#include "mailings/form62.h"
#include "mailings/labelsheet.h"
#include "pdfreader.h"
#include "platform/reportpreview.h"
#include "tempdir.h"
#include "windowtest.h"

namespace {

using testsupport::pointsOf;

constexpr double kTenthMm = 0.1;

const auto near = [](double mm, double expected) { return std::abs(mm - expected) < kTenthMm; };

std::vector<std::vector<std::string>> clients(int count) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= count; ++i) {
        rows.push_back(std::vector<std::string>(store::kFieldCount));
        auto& r = rows.back();
        const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
        r[store::NO] = "L" + n, r[store::NAME] = "客戶" + n, r[store::SEX] = "M";
        r[store::ADDR_1] = "106台北市大安區復興南路一段" + std::to_string(i) + "號";
    }
    return rows;
}

mailings::LabelDocument& shownLabels() {
    auto* labels = dynamic_cast<mailings::LabelDocument*>(get<Form62>().preview->printable());
    if (!labels) throw std::logic_error("no labels shown");
    return *labels;
}

QString writePdf(testsupport::TempDir& dir, const char* name) {
    const QString pdf = QString::fromStdString(dir.file(name).string());
    shownLabels().writePdf(pdf);
    return pdf;
}

// The PDF's word that holds `text` on `page`, or an empty box.
QRectF wordBox(const QString& pdf, int page, const QString& text) {
    for (const auto& w : testsupport::pdfWords(pdf, page))
        if (w.text.contains(text)) return w.box;
    return {};
}

Form62& openLabels() {
    get<MDIForm1>().item("menu_ADDRESS_LABELS")->trigger();
    Form62& w = get<Form62>();
    testsupport::activate(&w);
    return w;
}

}  // namespace

class LabelsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::forms::destroyAll(); }

    // Each common sheet, picked through its drop-down: the labels lie at the sheet's measures
    // to a tenth of a millimetre, and in the PDF each client's name lies inside its own label.
    void everySheetPlacesItsLabelsByItsMeasures() {
        const struct {
            int sheet, perSheet;
            std::vector<std::tuple<int, double, double>> corners;  // slot, left, top (mm)
            double width, height;
        } cases[] = {
            {0,
             14,
             {{0, 4.65, 15.15}, {1, 106.25, 15.15}, {2, 4.65, 53.25}, {13, 106.25, 243.75}},
             99.1,
             38.1},
            {1,
             21,
             {{0, 7.2, 15.15}, {2, 139.2, 15.15}, {3, 7.2, 53.25}, {20, 139.2, 243.75}},
             63.5,
             38.1},
            {2, 24, {{0, 0, 0.5}, {1, 70, 0.5}, {3, 0, 37.5}, {23, 140, 259.5}}, 70, 37},
            {3, 20, {{0, 0, 0}, {1, 105, 0}, {2, 0, 29.7}, {19, 105, 267.3}}, 105, 29.7},
        };
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(25)));
        Form62& w = openLabels();
        testsupport::TempDir dir;
        for (const auto& c : cases) {
            testsupport::pickEntry(w.SheetBox, c.sheet);
            const auto& labels = shownLabels();
            QCOMPARE(labels.sheet().perSheet(), c.perSheet);
            QCOMPARE(labels.pageCount(), 2);
            const QString pdf = writePdf(dir, "sheet.pdf");
            for (const auto& [slot, left, top] : c.corners) {
                const QRectF label = labels.sheet().label(slot);
                QVERIFY(near(label.left(), left) && near(label.top(), top) &&
                        near(label.width(), c.width) && near(label.height(), c.height));
                // The client of that slot, read back from the PDF, within the label.
                const QString name = QStringLiteral("客戶%1").arg(slot + 1, 2, 10, QChar('0'));
                const QRectF read = wordBox(pdf, 1, name);
                QVERIFY2(!read.isEmpty(), qPrintable(name));
                // Inside the label's text area, which keeps off a printer's unprintable edge.
                const QRectF area = labels.sheet().textArea(slot);
                QVERIFY(label.contains(area) && QRectF(4.5, 4.5, 201, 288).contains(area));
                QVERIFY2(pointsOf(area.adjusted(-kTenthMm, -kTenthMm, kTenthMm, kTenthMm))
                             .contains(read),
                         qPrintable(name));
            }
            // The rest go on to the second sheet's first label.
            const QString next = QStringLiteral("客戶%1").arg(c.perSheet + 1);
            QVERIFY(pointsOf(labels.sheet().label(0)).contains(wordBox(pdf, 2, next)));
        }
    }

    // A long address wraps, a longer one shrinks, one no type can hold is printed ending in "…"
    // and named in the window; no stroke of any of them lies outside its label's text area.
    void longAddressesWrapThenShrinkAndNothingIsCutSilently() {
        auto rows = clients(4);
        rows[1][store::ADDR_1] = "106台北市大安區復興南路一段三百九十號之一十二樓之三";
        rows[2][store::ADDR_1] =
            "106台北市大安區復興南路一段三百九十號之一十二樓之三，"
            "請交管理室代收轉交本人，謝謝您的幫忙與配合，敬祝平安順心，"
            "如有任何問題請與本公司業務部聯絡，我們會盡快為您處理";
        rows[3][store::ADDR_1] = "106" + std::string(60, 'x') + "台北市";
        for (int i = 0; i < 40; ++i) rows[3][store::ADDR_1] += "大安區復興南路一段";
        testsupport::GuiFixture f;
        QVERIFY(f.start(rows));
        Form62& w = openLabels();
        testsupport::pickEntry(w.SheetBox, 1);  // 3 × 7: the narrowest
        const auto& labels = shownLabels();
        const auto shortOne = labels.fitted(0), wrapped = labels.fitted(1),
                   shrunk = labels.fitted(2), cut = labels.fitted(3);
        QCOMPARE(shortOne.pieces.size(), std::size_t{3});  // code, address, name
        QCOMPARE(shortOne.points, 12.0);
        QVERIFY(wrapped.pieces.size() > 3 && wrapped.points == 12.0 && !wrapped.cut);
        QVERIFY(shrunk.points < 12.0 && !shrunk.cut);
        // The address gives way; the name stays.
        QVERIFY(cut.cut && cut.pieces.back().text == QStringLiteral("客戶04 先生 收"));
        QVERIFY(cut.pieces[cut.pieces.size() - 2].text.endsWith(QStringLiteral("…")));
        QVERIFY2(w.Notice->text().contains(QStringLiteral("1 張標籤的字太多")) &&
                     w.Notice->text().contains(QStringLiteral("L04")),
                 qPrintable(w.Notice->text()));

        // The page drawn at 300 dots an inch: every dark dot inside a label's text area.
        const double dots = 300 / 25.4;
        QImage page(qRound(210 * dots), qRound(297 * dots), QImage::Format_Grayscale8);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.scale(dots / mailings::kTwipsPerMm, dots / mailings::kTwipsPerMm);
        labels.drawPage(painter, 0);
        painter.end();
        std::vector<QRectF> areas;
        for (int slot = 0; slot < 4; ++slot) {
            areas.push_back(labels.sheet().textArea(slot));
            QVERIFY(labels.sheet().label(slot).contains(areas.back()));
        }
        long dark = 0, outside = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 160) {
                    ++dark;
                    const QPointF at(x / dots, y / dots);
                    outside += std::none_of(areas.begin(), areas.end(), [&](const QRectF& a) {
                        return a.adjusted(-kTenthMm, -kTenthMm, kTenthMm, kTenthMm).contains(at);
                    });
                }
        QVERIFY(dark > 1000);
        QCOMPARE(outside, 0L);

        testsupport::TempDir dir;
        const QString text = testsupport::pdfText(writePdf(dir, "long.pdf"));
        for (const char* expected :
             {"106", "客戶01 先生 收", "客戶03 先生 收", "…", "客戶04 先生 收"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }

    // A half-used sheet: the labels start at the one typed; a size of one's own is checked
    // against the paper before anything is laid out.
    void aHalfUsedSheetAndASizeOfOnesOwn() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients(3)));
        Form62& w = openLabels();
        testsupport::pickEntry(w.SheetBox, 2);  // 3 × 8
        testsupport::retype(w.StartBox, QStringLiteral("23"), true);
        const auto& labels = shownLabels();
        QCOMPARE(labels.pageCount(), 2);
        QCOMPARE(std::make_pair(labels.pageOf(0), labels.slotOf(0)), std::make_pair(0, 22));
        QCOMPARE(std::make_pair(labels.pageOf(2), labels.slotOf(2)), std::make_pair(1, 0));
        testsupport::TempDir dir;
        const QString pdf = writePdf(dir, "half.pdf");
        QVERIFY(pointsOf(labels.sheet().label(22)).contains(wordBox(pdf, 1, "客戶01")));
        QVERIFY(wordBox(pdf, 1, "客戶03").isEmpty());

        testsupport::pickEntry(w.SheetBox, static_cast<int>(mailings::sheets().size()));
        QVERIFY(w.CustomSheet->isVisible());
        testsupport::retype(w.ColumnsBox, QStringLiteral("4"), true);
        QVERIFY2(w.Notice->text().contains(QStringLiteral("超出 A4")),
                 qPrintable(w.Notice->text()));
        QVERIFY(!w.preview->printable());
        testsupport::retype(w.SizeBoxes[0], QStringLiteral("50"), true);
        testsupport::retype(w.SizeBoxes[4], QStringLiteral("40"), true);
        QVERIFY2(w.Notice->text().contains(QStringLiteral("重疊")), qPrintable(w.Notice->text()));
        testsupport::retype(w.SizeBoxes[4], QStringLiteral("51"), true);
        QCOMPARE(shownLabels().sheet().columns, 4);
        QVERIFY(near(shownLabels().sheet().label(3).left(), 4.65 + 3 * 51));
    }
};

VELKARD_GUI_TEST(LabelsTest)
#include "labels_test.moc"

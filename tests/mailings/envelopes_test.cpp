#include <QComboBox>
#include <QLineEdit>
#include <QProcess>

#include "mailings/envelope.h"
#include "mailings/form63.h"
#include "pdfreader.h"
#include "platform/reportpreview.h"
#include "tempdir.h"
#include "windowtest.h"

namespace {

using testsupport::pointsOf;

std::vector<std::vector<std::string>> clients() {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(store::kFieldCount));
    auto& r = rows[0];
    r[store::NO] = "E1", r[store::NAME] = "王小明", r[store::SEX] = "M";
    r[store::ADDR_1] = "10652台北市大安區復興南路一段390號3-1樓";
    return rows;
}

store::mailing::Addressee addressee(const char* address) {
    return {"10652", address, "", "王小明", "先生"};
}

mailings::EnvelopeDocument& shownEnvelopes() {
    auto* shown = dynamic_cast<mailings::EnvelopeDocument*>(get<Form63>().preview->printable());
    if (!shown) throw std::logic_error("no envelopes shown");
    return *shown;
}

// The characters of the block that holds `first`, in the order laid out.
const mailings::Block* blockStarting(const mailings::EnvelopeFace& face, const QString& first) {
    for (const auto& [block, at] : face.blocks)
        if (!block.pieces.empty() && block.pieces.front().text == first) return &block;
    return nullptr;
}

QString pageSize(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished(30000);
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    const auto at = text.indexOf(QStringLiteral("Page size:"));
    return text.mid(at, text.indexOf('\n', at) - at).simplified();
}

}  // namespace

class EnvelopesTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { platform::forms::destroyAll(); }

    // On both Chinese sizes the address reads down each column and on in the next column to
    // the left, its digits full width; the name runs down the middle of the envelope; nothing
    // comes nearer its edges than the margin.
    void chineseEnvelopesAreWrittenDownInColumnsFromTheRight() {
        const QString longAddress = QStringLiteral(
            "台北市大安區復興南路一段390號3-1樓之二大樓管理委員會收發室轉交業務部門第三組收");
        const mailings::Sender from{QStringLiteral("林大同"), QStringLiteral("臺中市西屯區"),
                                    QStringLiteral("407")};
        for (const auto& envelope : mailings::envelopes()) {
            if (!envelope.vertical) continue;
            const auto face = mailings::layOutEnvelope(
                envelope, addressee(longAddress.toUtf8().constData()), from);
            const QSizeF paper = QPageSize(envelope.size).size(QPageSize::Millimeter);
            const QRectF inside(10 - 0.1, 10 - 0.1, paper.width() - 19.8, paper.height() - 19.8);
            const mailings::Block* address = blockStarting(face, QStringLiteral("台"));
            const mailings::Block* name = blockStarting(face, QStringLiteral("王"));
            QVERIFY(!face.cut() && address && name);
            QString read = address->pieces.front().text;
            int columns = 1;
            for (std::size_t i = 1; i < address->pieces.size(); ++i) {
                const QRectF here = address->pieces[i].box;
                read += address->pieces[i].text;
                const QRectF before = address->pieces[i - 1].box;
                if (here.left() == before.left()) {
                    QVERIFY(here.top() >= before.bottom() - 1e-9);  // down the column
                } else {
                    QVERIFY(here.right() < before.left());  // the next column, to the left
                    QVERIFY(here.top() < before.top());
                    ++columns;
                }
            }
            QCOMPARE(read, mailings::uprightText(longAddress));
            QVERIFY(read.contains(QStringLiteral("３９０號３︱１樓")));
            QVERIFY(columns >= 2);
            // Every character of every block within the margins.
            for (const auto& [block, at] : face.blocks)
                for (const auto& piece : block.pieces)
                    QVERIFY2(inside.contains(piece.box.translated(at)), qPrintable(piece.text));
            // The name down the middle, larger, left of the address, right of the sender.
            QString named;
            for (const auto& p : name->pieces) named += p.text;
            QCOMPARE(named, QStringLiteral("王小明先生收"));
            const auto where = [&](const mailings::Block* b) {
                for (const auto& [block, at] : face.blocks)
                    if (&block == b) return mailings::extent(block).translated(at);
                return QRectF();
            };
            QVERIFY(std::abs(where(name).center().x() - paper.width() / 2) < 0.1);
            QVERIFY(name->points > address->points);
            QVERIFY(where(name).right() < where(address).left());
            QVERIFY(where(blockStarting(face, QStringLiteral("臺"))).right() < where(name).left());
        }
    }

    // The sender typed once is on every envelope and still there when the window opens again;
    // the PDF has the envelope's size, vertical text read back in its columns, the Western one
    // across with the digits as typed.
    void theSenderIsRememberedAndThePdfReadsBack() {
        testsupport::GuiFixture f;
        QVERIFY(f.start(clients()));
        get<MDIForm1>().item("menu_ENVELOPES")->trigger();
        Form63& w = get<Form63>();
        testsupport::activate(&w);
        const std::pair<QLineEdit*, QString> typed[] = {
            {w.SenderName, QStringLiteral("林大同")},
            {w.SenderPostcode, QStringLiteral("40701")},
            {w.SenderAddress, QStringLiteral("臺中市西屯區台灣大道三段99號")}};
        for (const auto& [box, text] : typed) {
            testsupport::retype(box, text, true);
        }
        testsupport::TempDir dir;
        const QString vertical = QString::fromStdString(dir.file("vertical.pdf").string());
        shownEnvelopes().writePdf(vertical);
        QCOMPARE(pageSize(vertical), QStringLiteral("Page size: 354 x 499 pts"));  // 中式 3 號
        // Down the name's column: 王 above 小 above 明 above 收, all at one place across.
        std::map<QString, QRectF> at;
        for (const auto& word : testsupport::pdfWords(vertical, 1))
            for (const QChar c : word.text) at.emplace(QString(c), word.box);
        for (const char* c : {"王", "小", "明", "收", "３", "︱", "臺", "１"})
            QVERIFY2(at.count(QString::fromUtf8(c)), c);
        QVERIFY(at["王"].bottom() <= at["小"].top() + 0.5 && at["明"].bottom() <= at["收"].top());
        QVERIFY(std::abs(at["王"].center().x() - at["收"].center().x()) < 1);
        QVERIFY(at["︱"].left() > at["王"].right());  // the address right of the name
        QVERIFY(at["臺"].right() < at["王"].left());  // the sender left of it

        testsupport::pickEntry(w.EnvelopeBox, 2);  // DL, across
        const QString western = QString::fromStdString(dir.file("western.pdf").string());
        shownEnvelopes().writePdf(western);
        QCOMPARE(pageSize(western), QStringLiteral("Page size: 624 x 312 pts"));
        const QString text = testsupport::pdfText(western);
        for (const char* expected :
             {"10652", "台北市大安區復興南路一段390號3-1樓", "王小明 先生 收", "林大同",
              "40701 臺中市西屯區台灣大道三段99號"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);

        platform::forms::unload<Form63>();
        get<MDIForm1>().item("menu_ENVELOPES")->trigger();
        Form63& again = get<Form63>();
        QCOMPARE(again.SenderName->text(), typed[0].second);
        QCOMPARE(again.SenderPostcode->text(), typed[1].second);
        QCOMPARE(again.SenderAddress->text(), typed[2].second);
    }
};

VELKARD_GUI_TEST(EnvelopesTest)
#include "envelopes_test.moc"

#include <QHeaderView>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <map>
#include <numeric>
#include <thread>
#include "windowtest.h"

#include "platform/longwork.h"
#include "platform/twips.h"
#include "platform/widgets.h"
#include "store/clientfile.h"
#include "store/longwork.h"

namespace {

const std::vector<std::vector<std::string>> kThree = {
    {"A1", "王小明"}, {"A2", "李四"}, {"A3", "張三"}};

// The contrast (WCAG 2) of a label's text as drawn in its window, inside its frame: its most
// common pixel (the background) against the average of the darker half of its ink (the lighter
// half for light text), as thin strokes of a small face blend into the background.
double drawnContrast(QWidget* window, QLabel* label) {
    const QImage image =
        window->grab(label->contentsRect().translated(label->mapTo(window, QPoint())))
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const auto luminance = [](QRgb c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    const double back =
        luminance(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                      return a.second < b.second;
                  })->first);
    std::vector<double> ink;  // farthest from the background first
    for (const auto& [pixel, n] : counts)
        if (const double l = luminance(pixel); std::abs(l - back) > 0.01)
            ink.insert(ink.end(), n, l);
    if (ink.empty()) return 1;
    std::sort(ink.begin(), ink.end(),
              [back](double a, double b) { return std::abs(a - back) > std::abs(b - back); });
    const double text = std::accumulate(ink.begin(), ink.begin() + long(ink.size() + 1) / 2, 0.0) /
                        double((ink.size() + 1) / 2);
    return (std::max(text, back) + 0.05) / (std::min(text, back) + 0.05);
}

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT
  private slots:

    void boundBoxesShowTheCurrentRecordAndTypeIntoThePendingOne() {
        testsupport::GuiFixture f;
        f.writeClients(kThree);
        store::ClientFile& file = f.open();
        QWidget window;
        auto* control = new platform::DataControl(&window);
        control->openTable(file, "VELKARD");
        auto* name = new platform::BoundTextBox(&window);
        name->bind(control, "name");
        name->setByteLimit(8);
        name->setGeometry(10, 40, 120, 24);
        auto* no = new platform::BoundComboBox(&window);
        no->addItems({"B1", "A2", "Z9"});
        no->bind(control, "NO");
        no->setGeometry(10, 70, 120, 24);
        window.resize(200, 120);
        testsupport::activate(&window);
        QCOMPARE(name->text(), QStringLiteral("王小明"));
        QCOMPARE(no->currentIndex(), -1);  // A1 is no entry: the list stands on none
        control->moveNext();
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QCOMPARE(no->currentText(), QStringLiteral("A2"));
        QCOMPARE(no->currentIndex(), 1);  // the list stands on the shown entry

        testsupport::retype(name, "歐陽小明五");  // the fifth character is one too many
        QCOMPARE(name->text(), QStringLiteral("歐陽小明"));
        QCOMPARE(f.dialogs().beeps(), 1);  // and says so
        QVERIFY(control->recordSet()->editing());
        testsupport::pickEntry(no, 2);
        QCOMPARE(testsupport::value(*control->recordSet(), store::NO), QStringLiteral("Z9"));
        control->recordSet()->cancelUpdate();
        QCOMPARE(name->text(), QStringLiteral("李四"));
        QCOMPARE(no->currentText(), QStringLiteral("A2"));
    }

    void gridShowsAnExtraColumnOnlyWhereTheTableHasIt() {
        testsupport::GuiFixture f;
        f.writeClients(kThree);
        testsupport::execSql(f.clientFile(), "ALTER TABLE VELKARD ADD COLUMN 選擇 TEXT");
        store::ClientFile& file = f.open();
        platform::DataControl control;
        control.openTable(file, "VELKARD");
        platform::RecordGrid grid;
        grid.setDataControl(&control);
        grid.setColumns({{"NO", 855, {}},
                         {"NAME", 1095, {}},
                         {"選擇", 555, {}},
                         {"CTRL", 555, {}},
                         {"BIRTH", 300, {}}});
        QCOMPARE(grid.model()->columnCount(), 4);
        // A date column is as wide as a three-digit date needs, whatever its design says.
        QVERIFY(grid.horizontalHeader()->sectionSize(3) >=
                grid.fontMetrics().horizontalAdvance("115.12.06"));
        QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("選擇"));
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        control.moveNext();
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toString(), QString());

        // With no records at all (an empty table lends none) the headings still show.
        platform::DataControl empty;
        platform::RecordGrid bare;
        bare.setDataControl(&empty);
        bare.setColumns({{"NO", 855, {}}, {"NAME", 1095, {}}});
        QCOMPARE(bare.model()->columnCount(), 2);
        QCOMPARE(bare.model()->rowCount(), 0);
        QCOMPARE(bare.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    }

    // The lock panels read well on and off (WCAG's 4.5:1 for text), and the two states differ.
    void lockPanelsAreLegibleOnAndOff() {
        QWidget window;
        platform::setBackground(&window, QColor(0xC0, 0xC0, 0xC0));
        auto* bar = new platform::StatusBar(&window);
        bar->resize(600, 25);
        window.show();  // laid out as the user sees it
        QImage states[2];
        for (bool on : {false, true}) {
            bar->showLockKeys(true, on, on);
            QLabel* caps = bar->panel(platform::StatusBar::CapsLock);
            QCOMPARE(caps->text(), QStringLiteral("CAPS"));
            const double contrast = drawnContrast(&window, caps);
            QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
            states[on] = caps->grab().toImage();
        }
        QVERIFY(states[0] != states[1]);
    }

    // Long work runs beside the event loop: the windows repaint and show the busy cursor while
    // it runs; work a timer starts meanwhile waits for it (never two on the same rows at once),
    // then runs; a failure reaches the caller.
    void longWorkKeepsTheEventLoopRunningOneWorkAtATime() {
        platform::keepPaintingDuringLongWork(std::chrono::milliseconds(0));
        std::atomic<int> running{0}, most{0}, finished{0};
        std::atomic<bool> served{false};
        auto work = [&](int ms) {
            most = std::max(most.load(), ++running);
            for (int i = 0; i < 500 && !served; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            --running, ++finished;
        };
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QTimer::singleShot(0, [&] {
            if (QApplication::overrideCursor()) cursor = QApplication::overrideCursor()->shape();
            served = true;
            store::runLong([&] { work(0); });
        });
        store::runLong([&] { work(50); });
        QCOMPARE(cursor, Qt::WaitCursor);
        QTRY_COMPARE(finished.load(), 2);
        QCOMPARE(most.load(), 1);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 store::runLong([] { throw std::runtime_error("x"); }));
        platform::keepPaintingDuringLongWork();
    }
};

VELKARD_GUI_TEST(PlatformTest)
#include "platform_test.moc"

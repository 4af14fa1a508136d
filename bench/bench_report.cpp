// The report of the browse list and the mailings: the first page in the preview and the whole
// PDF, for files from the sample generator. Runs offscreen.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <filesystem>

#include "benchfiles.h"
#include "mailings/envelope.h"
#include "mailings/labelsheet.h"
#include "platform/appsetup.h"
#include "platform/report.h"
#include "reports/columns.h"
#include "reports/datareport28.h"
#include "store/clientfile.h"
#include "store/recordset.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<platform::report::Printable> report(store::RecordSet& rows) {
    DataReport28 report;
    report.layOut(reports::layoutColumns({"NO", "NAME", "BIRTH", "SEX", "BLOOD", "SELF_NO", "PHONE",
                                          "TEL_1", "ADDR_1"}),
                  reports::kReportFontSize);
    return std::make_unique<platform::report::Document>(report.definition, rows.cloneView(),
                                                        platform::report::a4(), "2026/12/06");
}

// Address labels on 3 × 8 sheets as the labels window makes them, with the check of every label
// for text that does not fit.
std::unique_ptr<platform::report::Printable> labels(store::RecordSet& rows) {
    const store::mailing::Choices choices;
    auto labels = std::make_unique<mailings::LabelDocument>(
        rows.cloneView(), store::mailing::recipients(rows, choices).rows, choices,
        mailings::sheets()[2], 0);
    if (!labels->cutCodes().empty()) throw std::logic_error("the sample's labels all fit");
    return labels;
}

// One 中式 5 號 envelope per client, as the envelopes window makes them, with the check of every
// envelope for text that does not fit.
std::unique_ptr<platform::report::Printable> envelopes(store::RecordSet& rows) {
    const store::mailing::Choices choices;
    auto envelopes = std::make_unique<mailings::EnvelopeDocument>(
        rows.cloneView(), store::mailing::recipients(rows, choices).rows, choices,
        mailings::envelopes()[1],
        mailings::Sender{"王大明", "台北市中正區重慶南路一段122號", "100"});
    if (!envelopes->cutCodes().empty()) throw std::logic_error("the sample's envelopes all fit");
    return envelopes;
}

using Make = std::unique_ptr<platform::report::Printable> (*)(store::RecordSet&);

// The document made and its first page drawn, as the preview shows it.
void firstPage(benchmark::State& state, Make make) {
    auto rows =
        store::RecordSet::openClients(store::clientfile::open(bench::clientFile(state.range(0))));
    rows->setSort("NAME ASC");
    for (auto _ : state) {
        auto start = Clock::now();
        auto doc = make(*rows);
        QImage page(595, 842, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.scale(72.0 / 1440.0, 72.0 / 1440.0);
        doc->drawPage(painter, 0);
        painter.end();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.counters["pages"] = doc->pageCount();
    }
}

void wholePdf(benchmark::State& state, Make make) {
    auto rows =
        store::RecordSet::openClients(store::clientfile::open(bench::clientFile(state.range(0))));
    const QString path = QString::fromStdString(
        (std::filesystem::temp_directory_path() / "velkard-bench-report.pdf").string());
    for (auto _ : state) {
        auto start = Clock::now();
        make(*rows)->writePdf(path);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["pdf_MB"] =
        static_cast<double>(std::filesystem::file_size(path.toStdString())) / 1e6;
    std::filesystem::remove(path.toStdString());
}

BENCHMARK_CAPTURE(firstPage, Report, report)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(wholePdf, Report, report)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(firstPage, Labels, labels)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(wholePdf, Labels, labels)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(firstPage, Envelopes, envelopes)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(wholePdf, Envelopes, envelopes)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

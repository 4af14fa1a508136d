// The report of the browse list: its first page in the preview and the whole PDF, for files
// from the sample generator. Runs offscreen.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <filesystem>

#include "benchfiles.h"
#include "platform/appsetup.h"
#include "platform/report.h"
#include "reports/columns.h"
#include "reports/datareport28.h"
#include "store/clientfile.h"
#include "store/recordset.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<platform::report::Document> document(store::RecordSet& rows) {
    DataReport28 report;
    report.layOut(reports::layoutColumns({"NO", "NAME", "BIRTH", "SEX", "BLOOD", "SELF_NO", "PHONE",
                                          "TEL_1", "ADDR_1"}),
                  reports::kReportFontSize);
    return std::make_unique<platform::report::Document>(report.definition, rows.cloneView(),
                                                        platform::report::a4(), "2026/12/06");
}

void ReportFirstPage(benchmark::State& state) {
    auto rows =
        store::RecordSet::openClients(store::clientfile::open(bench::clientFile(state.range(0))));
    rows->setSort("NAME ASC");
    for (auto _ : state) {
        auto start = Clock::now();
        auto doc = document(*rows);
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

void ReportWholePdf(benchmark::State& state) {
    auto rows =
        store::RecordSet::openClients(store::clientfile::open(bench::clientFile(state.range(0))));
    const QString path = QString::fromStdString(
        (std::filesystem::temp_directory_path() / "velkard-bench-report.pdf").string());
    for (auto _ : state) {
        auto start = Clock::now();
        document(*rows)->writePdf(path);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["pdf_MB"] =
        static_cast<double>(std::filesystem::file_size(path.toStdString())) / 1e6;
    std::filesystem::remove(path.toStdString());
}

BENCHMARK(ReportFirstPage)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(ReportWholePdf)
    ->Arg(10000)
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

#include "exchange/csvimport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "exchange/export.h"
#include "generator.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "tempdir.h"

namespace {

using exchange::Encoding;

// What the program exports comes back whole: every client of the sample tool (every value one
// the editor accepts), through CSV out and in again, as the import window streams it: checked
// keeping only the first rows, then parsed again straight into the file.
TEST(CsvImport, AnExportedTableImportsIntoAnEmptyFileAsTheSameRows) {
    testsupport::TempDir dir;
    const auto from = dir.file("sample.db"), to = dir.file("to.db");
    sample::writeClientFile(from, 20000);
    store::clientfile::create(to);
    std::ostringstream csv;
    auto source = store::ClientFile::open(from)->records("VELKARD");
    std::vector<int> all(store::kFieldCount);
    for (int i = 0; i < store::kFieldCount; ++i) all[static_cast<std::size_t>(i)] = i;
    exchange::writeCsv(*source, all, csv);
    const std::string text = csv.str();
    const long size = static_cast<long>(text.size());
    const auto checked =
        exchange::readClientsCsv(exchange::piecesOf(text), size, Encoding::Utf8, {}, 20);
    EXPECT_TRUE(checked.refused.empty()) << exchange::refusalReport(checked).substr(0, 300);
    EXPECT_EQ(checked.clients.size(), 20u);
    auto target = store::ClientFile::open(to);
    target->appendClients(
        [&](const std::function<void(const store::NewClient&)>& add) {
            exchange::readClientsCsv(exchange::piecesOf(text), size, Encoding::Utf8, {}, 0,
                                     [&](long, const exchange::ClientValues& c) { add(c); });
        },
        checked.passed);
    const auto again = target->records("VELKARD");
    ASSERT_EQ(again->recordCount(), source->recordCount());
    for (long r = 0; r < source->recordCount(); ++r)
        for (int f = 0; f < store::kFieldCount; ++f)
            ASSERT_EQ(again->valueAt(r, f), source->valueAt(r, f)) << r << " " << f;
}

TEST(CsvImport, TheEncodingIsFoundOrLeftToTheUser) {
    const struct {
        std::string bytes;
        Encoding encoding;
        bool certain;
    } cases[] = {{"\xEF\xBB\xBFNO\r\n", Encoding::Utf8, true},
                 {"NO,NAME\r\nA1,王小明\r\n", Encoding::Utf8, true},
                 {"NO,NAME\r\nA1,\xA4\xFD\xA4\x70\xA9\xFA\r\n", Encoding::Big5, true},
                 {"NO\r\n\xFF\xFE\xFF\r\n", Encoding::Utf8, false},
                 // A character across the end of the first piece read (1 MiB) is still whole.
                 {std::string((1 << 20) - 1, 'a') + "王\n", Encoding::Utf8, true},
                 {std::string((1 << 20) - 1, 'a') + "\xA4\xFD\n", Encoding::Big5, true}};
    for (const auto& c : cases) {
        const auto found = exchange::detectEncoding(c.bytes);
        EXPECT_EQ(found.encoding, c.encoding) << c.bytes.substr(c.bytes.size() - 20);
        EXPECT_EQ(found.certain, c.certain) << c.bytes.substr(c.bytes.size() - 20);
    }
    EXPECT_EQ(exchange::readClientsCsv(cases[2].bytes, Encoding::Big5).clients.at(0)[store::NAME],
              "王小明");
}

TEST(CsvImport, RowsAreCheckedAsTheEditorChecksThemAndRefusalsNamedByLine) {
    using namespace std::string_literals;
    const std::string csv =
        "代號,姓名,birth,MEMO,電腦編號\r\n"
        "A1,王小明,1999/12/31,\"兩行\r\n的備註\",x\r\n"  // line 2, BIRTH rewritten
        "A2,歐陽小明五,88.04.03,,x\r\n"                  // line 4: NAME 10 bytes
        "A3,陳,88.13.03,,x\r\n"                          // line 5: no date
        "A4,林\r\n"                                      // line 6: two cells
        "\r\n"                                           // a blank line
        "A5,,,,\r\n"                                     // line 8
        "\n\r"                                           // blank lines 9 and 10
        "A6,\xFF\xFE,,,\r\n"                             // line 11: no UTF-8
        "A7,a\0b,,,\r\n"s;                               // line 12: a NUL
    const auto checked = exchange::readClientsCsv(csv, Encoding::Utf8);
    EXPECT_EQ(checked.ignoredColumns, std::vector<std::string>{"電腦編號"});
    ASSERT_EQ(checked.clients.size(), 2u);
    EXPECT_EQ(checked.clients[0][store::BIRTH], "88.12.31");
    EXPECT_EQ(checked.clients[0][store::MEMO], "兩行\r\n的備註");
    EXPECT_FALSE(checked.clients[0][store::PHONE]);  // no column: nothing
    EXPECT_EQ(checked.clients[1][store::NO], "A5");
    EXPECT_EQ(exchange::refusalReport(checked),
              "第 4 行：NAME 超過 8 個位元組\n"
              "第 5 行：BIRTH 的日期「88.13.03」型態不正確\n"
              "第 6 行：有 2 個欄位，標題行有 5 個\n"
              "第 11 行：NAME 有不是 UTF-8 的位元組\n"
              "第 12 行：NAME 含有 NUL 字元\n");
    EXPECT_EQ(exchange::refusalReport(exchange::readClientsCsv(
                  "NO,NAME\r\nA1,\xA4\xFD\r\nA2,\xFF\xFF\r\n", Encoding::Big5)),
              "第 3 行：NAME 有不是 Big5 的位元組\n");
    const struct {
        const char* csv;
        const char* said;
    } files[] = {{"NO\r\n\"A1\r\n", "第 2 行"},
                 {"x,y\r\n1,2\r\n", "沒有任何欄位"},
                 {"", "空的"},
                 {"NO,name,電話,姓名\r\n1,a,b,c\r\n", "NAME（第 2 與第 4 欄）"}};
    for (const auto& f : files) {
        try {
            exchange::readClientsCsv(f.csv, Encoding::Utf8);
            ADD_FAILURE() << f.csv;
        } catch (const exchange::ImportError& e) {
            EXPECT_NE(std::string(e.what()).find(f.said), std::string::npos) << e.what();
        }
    }
}

}  // namespace

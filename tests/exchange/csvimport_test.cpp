#include "exchange/csvimport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "exchange/export.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "tempdir.h"

namespace {

using exchange::Encoding;

TEST(CsvImport, AnExportedTableImportsIntoAnEmptyFileAsTheSameRows) {
    testsupport::TempDir dir;
    const auto from = dir.file("from.db"), to = dir.file("to.db");
    std::vector<std::vector<std::string>> clients = {
        {"A1", "王小明", "45.03.12", "M"}, {"A2", "林"}, {"871001"}};
    clients[0].resize(store::kFieldCount);
    clients[0][store::MEMO] = "第一行\r\n第二行";
    clients[1].resize(store::kFieldCount);
    clients[1][store::COMPANY] = "Tom's \"美語\", 補習班";
    testsupport::writeClients(from, clients);
    store::clientfile::create(to);
    std::ostringstream csv;
    auto source = store::ClientFile::open(from)->records("VELKARD");
    std::vector<int> all(store::kFieldCount);
    for (int i = 0; i < store::kFieldCount; ++i) all[static_cast<std::size_t>(i)] = i;
    exchange::writeCsv(*source, all, csv);

    const auto checked =
        exchange::readClientsCsv(csv.str(), exchange::detectEncoding(csv.str()).encoding);
    EXPECT_TRUE(checked.refused.empty());
    auto target = store::ClientFile::open(to);
    target->appendClients(checked.clients);
    const auto again = target->records("VELKARD");
    ASSERT_EQ(again->recordCount(), 3);
    for (long r = 0; r < 3; ++r)
        for (int f = 0; f < store::kFieldCount; ++f)
            EXPECT_EQ(again->valueAt(r, f), source->valueAt(r, f)) << r << " " << f;
}

TEST(CsvImport, TheEncodingIsFoundOrLeftToTheUser) {
    const struct {
        std::string bytes;
        Encoding encoding;
        bool certain;
    } cases[] = {{"\xEF\xBB\xBFNO\r\n", Encoding::Utf8, true},
                 {"NO,NAME\r\nA1,王小明\r\n", Encoding::Utf8, true},
                 {"NO,NAME\r\nA1,\xA4\xFD\xA4\x70\xA9\xFA\r\n", Encoding::Big5, true},
                 {"NO\r\n\xFF\xFE\xFF\r\n", Encoding::Utf8, false}};
    for (const auto& c : cases) {
        const auto found = exchange::detectEncoding(c.bytes);
        EXPECT_EQ(found.encoding, c.encoding) << c.bytes;
        EXPECT_EQ(found.certain, c.certain) << c.bytes;
    }
    EXPECT_EQ(exchange::readClientsCsv(cases[2].bytes, Encoding::Big5).clients.at(0)[store::NAME],
              "王小明");
}

TEST(CsvImport, RowsAreCheckedAsTheEditorChecksThemAndRefusalsNamedByLine) {
    const std::string csv =
        "代號,姓名,birth,MEMO,電腦編號\r\n"
        "A1,王小明,880403,\"兩行\r\n的備註\",x\r\n"  // line 2, BIRTH rewritten
        "A2,歐陽小明五,88.04.03,,x\r\n"              // line 4: NAME 10 bytes
        "A3,陳,88.13.03,,x\r\n"                      // line 5: no date
        "A4,林\r\n"                                  // line 6: two cells
        "\r\n"                                       // a blank line
        "A5,,,,\r\n";                                // line 8
    const auto checked = exchange::readClientsCsv(csv, Encoding::Utf8);
    EXPECT_EQ(checked.ignoredColumns, std::vector<std::string>{"電腦編號"});
    ASSERT_EQ(checked.clients.size(), 2u);
    EXPECT_EQ(checked.clients[0][store::BIRTH], "88.04.03");
    EXPECT_EQ(checked.clients[0][store::MEMO], "兩行\r\n的備註");
    EXPECT_FALSE(checked.clients[0][store::PHONE]);  // no column: nothing
    EXPECT_EQ(checked.clients[1][store::NO], "A5");
    EXPECT_EQ(exchange::refusalReport(checked),
              "第 4 行：NAME 超過 8 個位元組\n"
              "第 5 行：BIRTH 的日期「88.13.03」型態不正確\n"
              "第 6 行：有 2 個欄位，標題行有 5 個\n");
    for (const char* bad : {"NO\r\n\"A1\r\n", "x,y\r\n1,2\r\n", ""})
        EXPECT_THROW(exchange::readClientsCsv(bad, Encoding::Utf8), exchange::ImportError) << bad;
}

}  // namespace

#include "exchange/legacy.h"

#include "exchange/decoder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <functional>
#include <tuple>

#include "store/clientfile.h"
#include "store/sqlite/database.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

// The legacy fixtures, read in place.
fs::path legacy(const char* name) {
    const char* set = std::getenv("VELKARD_FIXTURES");
    return fs::path(set ? set : VELKARD_FIXTURES) / "legacy" / name;
}

QJsonObject expected() {
    QFile f(QString::fromStdString(legacy("expected-rows.json").string()));
    f.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(f.readAll()).object();
}

// Every row of a table in row order, NULL as null, as the expected rows are written.
QJsonArray rows(const fs::path& file, const std::string& table) {
    auto db = store::Database::open(file);
    store::Statement s(*db, "SELECT * FROM " + table + " ORDER BY rowid");
    QJsonArray out;
    while (s.step()) {
        QJsonArray row;
        for (int c = 0; c < s.columnCount(); ++c)
            row.append(s.isNull(c) ? QJsonValue()
                                   : QJsonValue(QString::fromStdString(std::string(s.text(c)))));
        out.append(row);
    }
    return out;
}

class LegacyFile : public ::testing::TestWithParam<const char*> {};

TEST_P(LegacyFile, ConvertsEveryValueAndLeavesTheOldFileAsItWas) {
    TempDir dir;
    const fs::path jet = legacy(GetParam()), target = dir.file("velkard.db");
    const std::string before = testsupport::readBytes(jet);
    long last = 0, total = 0;
    const auto report = exchange::convertLegacy(jet, target, [&](long done, long all) {
        last = done;
        total = all;
    });
    EXPECT_EQ(testsupport::readBytes(jet), before);
    EXPECT_EQ(last, 24);
    EXPECT_EQ(total, 24);
    const QJsonObject want = expected();
    for (const char* table : {"VELKARD", "COMBOX_COMPANY", "FIELD1"})
        EXPECT_EQ(rows(target, table), want[table].toObject()["rows"].toArray()) << table;
    ASSERT_EQ(report.tables.size(), 3u);
    EXPECT_EQ(report.tables[0].rows, 14);
    EXPECT_EQ(report.tables[1].rows, 10);
    EXPECT_TRUE(report.undecoded.empty());
    EXPECT_NO_THROW(store::clientfile::open(target));  // a client file the program opens
    EXPECT_EQ(testsupport::query(target, "SELECT name FROM sqlite_master ORDER BY name"),
              (std::vector<std::string>{"COMBOX_COMPANY", "FIELD1", "VELKARD", "VELKARD_NO"}));
}

INSTANTIATE_TEST_SUITE_P(Jet, LegacyFile,
                         ::testing::Values("clients-jet3-big5.mdb", "clients-jet4.mdb"));

// Copies of the fixtures, changed: refused with a message naming the file and the cause, and
// nothing created; or converted, a query on the new file giving the value shown, the summary
// saying whether everything came over whole.
TEST(LegacyFileChanged, DamagedFilesAreRefusedAndOddTextIsKept) {
    const fs::path jet3 = legacy("clients-jet3-big5.mdb"), jet4 = legacy("clients-jet4.mdb");
    const std::string bytes3 = testsupport::readBytes(jet3), bytes4 = testsupport::readBytes(jet4);
    // Jet 3 pages are 2 KB; page 31 holds the first clients, its row offsets start at byte 10.
    const auto at = [](int page, int offset) { return std::size_t(page) * 2048 + offset; };
    const auto put = [](std::string& b, std::size_t where, std::string_view with) {
        b.replace(where, with.size(), with);
    };
    const std::string a00001 = "SELECT NAME FROM VELKARD WHERE NO = 'A00001'";
    const struct {
        const char* what;
        bool jet4;
        std::function<void(std::string&)> damage;
        const char* said;        // refused with this; nullptr: converted, and then
        std::string query = {};  // this query gives
        std::string value = {};
        bool complete = false;  // the summary says everything came over whole
    } cases[] = {
        {"truncated", false, [](std::string& b) { b.resize(b.size() - 3000); }, "不完整"},
        {"the catalog without its usage map", true,
         [](std::string& b) { b = testsupport::readBytes(legacy("damaged-catalog-map.mdb")); },
         "資料表目錄"},
        {"no Jet file", false, [](std::string& b) { b.assign(b.size(), 'x'); }, "不是舊程式的 Jet"},
        {"the last pages lost", false,
         [](std::string& b) { b.replace(b.size() - 2048 * 6, 2048 * 6, 2048 * 6, '\0'); }, "損壞"},
        {"the lookup table's definition lost", false,
         [&](std::string& b) { put(b, at(33, 0), std::string(1, '\0')); }, "資料表 COMBOX_COMPANY"},
        {"a row's place past its page", false,
         [&](std::string& b) { put(b, at(31, 10), "\xFF\x0F"); }, "應有 14 筆"},
        {"a row's place with its flag bits", false,
         [&](std::string& b) { put(b, at(31, 11), "\x87"); }, nullptr, a00001, "王小明", true},
        {"a row cut to one column", false, [&](std::string& b) { put(b, at(31, 0x709), "\x01"); },
         "第 1 筆資料"},
        {"a byte that is no Big5", false,
         [](std::string& b) { b.replace(b.find("\xA4\xFD\xA4\x70"), 2, "\xFF\xFF"); }, nullptr,
         a00001, "\uFFFD\uFFFD小明", false},
        {"a column named in Big5", false,
         [](std::string& b) {
             b.replace(b.find("\x06"
                              "FIELD1") +
                           1,
                       6, "\xBF\xEF\xBE\xDC\xC4\xE6");
         },
         nullptr, "SELECT name FROM pragma_table_info('FIELD1')", "選擇欄", true},
        {"a character outside the BMP", true,
         [](std::string& b) {
             b.replace(b.find("\x8B\x73\x0F\x5C"), 4, std::string("\x40\xD8\x00\xDC", 4));
         },
         nullptr, a00001, "\U00020000明", true},
        {"a NUL character", true,
         [](std::string& b) { b.replace(b.find("\x8B\x73\x0F\x5C"), 2, std::string(2, '\0')); },
         nullptr, a00001, "\uFFFD小明", false},
        {"a lone surrogate", true,
         [](std::string& b) { b.replace(b.find("\x8B\x73\x0F\x5C"), 2, "\x40\xD8"); }, nullptr,
         a00001, "\uFFFD小明", false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const fs::path jet = dir.file("velkard.mdb"), target = dir.file("velkard.db");
        std::string b = c.jet4 ? bytes4 : bytes3;
        c.damage(b);
        std::ofstream(jet, std::ios::binary) << b;
        try {
            const auto report = exchange::convertLegacy(jet, target);
            ASSERT_FALSE(c.said) << c.what << ": converted";
            EXPECT_EQ(testsupport::query(target, c.query), std::vector<std::string>{c.value})
                << c.what;
            EXPECT_EQ(report.complete(), c.complete) << c.what;
            const std::string said = exchange::summary(report);
            EXPECT_EQ(said.find("完整轉換") != std::string::npos, c.complete) << said;
            if (!c.complete) {
                EXPECT_NE(said.find("A00001  NAME"), std::string::npos) << said;
            }
        } catch (const exchange::ConvertError& e) {
            ASSERT_TRUE(c.said) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(jet.string()), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.said), std::string::npos) << e.what();
            EXPECT_FALSE(fs::exists(target)) << c.what;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << c.what;
        }
    }
}

}  // namespace

// Code-page text decodes whole: a converter that holds a character back (CP1258 waits for a
// combining mark) gives it up at the end, and a byte that does not decode is marked, not dropped.
TEST(CodePageText, DecodesWholeAndMarksWhatItCannot) {
    const std::tuple<const char*, std::string, std::string, bool> cases[] = {
        {"CP1258", "abc", "abc", true},
        {"CP1258", "Vi\xEA\xF2t", "Vi\u1EC7t", true},
        {"CP950", "\xA4\xFD\xFF", "王\uFFFD", false},
        {"CP950", std::string(100000, 'a'), std::string(100000, 'a'), true}};
    for (const auto& [codePage, bytes, text, clean] : cases) {
        std::string out;
        EXPECT_EQ(exchange::Decoder(codePage).decode(bytes, out), clean) << codePage;
        EXPECT_EQ(out, text) << codePage;
    }
}

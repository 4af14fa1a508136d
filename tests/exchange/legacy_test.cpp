#include "exchange/legacy.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <functional>

#include "store/clientfile.h"
#include "store/database.h"
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

class LegacyFile : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (!fs::exists(legacy(GetParam()))) GTEST_SKIP() << "no fixture at " << legacy(GetParam());
    }
};

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
    EXPECT_EQ(testsupport::query(target, "SELECT count(*) FROM sqlite_master"),
              std::vector<std::string>{"3"});
}

INSTANTIATE_TEST_SUITE_P(Jet, LegacyFile,
                         ::testing::Values("clients-jet3-big5.mdb", "clients-jet4.mdb"));

// Copies of the Jet 3 fixture, changed: refused with a message naming the file and the cause,
// and nothing created; or, for text bytes that do not decode, converted with the value marked.
TEST(LegacyFileChanged, DamagedFilesAreRefusedAndBadTextIsMarked) {
    const fs::path original = legacy("clients-jet3-big5.mdb");
    if (!fs::exists(original)) GTEST_SKIP() << "no fixture at " << original;
    const std::string bytes = testsupport::readBytes(original);
    const std::string name = "\xA4\xFD\xA4\x70\xA9\xFA";  // 王小明 in Big5
    const struct {
        const char* what;
        std::function<std::string()> change;
        const char* said;  // nullptr: converted
    } cases[] = {
        {"truncated", [&] { return bytes.substr(0, bytes.size() - 3000); }, "不完整"},
        {"no Jet file", [&] { return std::string(bytes.size(), 'x'); }, "不是舊程式的 Jet"},
        {"the last pages lost",
         [&] { return bytes.substr(0, bytes.size() - 2048 * 6) + std::string(2048 * 6, '\0'); },
         "損壞"},
        {"a byte that is no Big5",
         [&] {
             std::string b = bytes;
             b.replace(b.find(name), 2, "\xFF\xFF");  // 王 as two bytes no code page has
             return b;
         },
         nullptr},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const fs::path jet = dir.file("velkard.mdb"), target = dir.file("velkard.db");
        std::ofstream(jet, std::ios::binary) << c.change();
        try {
            const auto report = exchange::convertLegacy(jet, target);
            ASSERT_FALSE(c.said) << c.what << ": converted";
            ASSERT_EQ(report.undecoded.size(), 1u) << c.what;
            EXPECT_EQ(report.undecoded[0].code, "A00001");
            EXPECT_EQ(report.undecoded[0].field, "NAME");
            EXPECT_EQ(testsupport::query(target, "SELECT NAME FROM VELKARD WHERE NO = 'A00001'"),
                      std::vector<std::string>{"\uFFFD\uFFFD小明"});
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

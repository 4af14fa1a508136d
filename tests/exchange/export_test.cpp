#include "exchange/export.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <numeric>
#include <sstream>

#include "exchange/csvimport.h"
#include "exchange/workbook.h"
#include "store/clientfile.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::vector<std::string> client(std::vector<std::pair<int, std::string>> values) {
    std::vector<std::string> c(store::kFieldCount);
    for (auto& [field, value] : values) c[static_cast<std::size_t>(field)] = value;
    return c;
}

// What Python's csv module reads from a CSV file, as JSON.
QJsonArray readByPython(const fs::path& csv) {
    const std::string command =
        "python3 -c \"import csv,sys,json; print(json.dumps(list(csv.reader(open(sys.argv[1], "
        "encoding='utf-8-sig', newline='')))))\" '" +
        csv.string() + "'";
    std::string json;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) json.append(buffer, n);
        pclose(p);
    }
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
}

// What LibreOffice Calc reads from a file: soffice turns it into CSV (UTF-8), Python reads that.
QJsonArray readByCalc(const fs::path& file, const fs::path& folder) {
    const std::string csvIn = file.extension() == ".csv" ? " --infilter='CSV:44,34,76,1'" : "";
    const std::string command =
        "soffice -env:UserInstallation=file://" + folder.string() + "/profile --headless" + csvIn +
        " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1'"
        " --outdir '" +
        (folder / "calc").string() + "' '" + file.string() + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
    return readByPython(folder / "calc" / (file.stem().string() + ".csv"));
}

// The values a spreadsheet gets wrong when it guesses: leading zeros, signs, formulas, a link,
// and text a workbook writes in its own way.
TEST(Export, ASpreadsheetShowsEveryValueAsStoredAndRunsNothing) {
    ASSERT_EQ(std::system("command -v soffice > /dev/null 2>&1"), 0)
        << "the spreadsheet is checked by LibreOffice (soffice), which is not installed";
    TempDir dir;
    const auto file = dir.file("velkard.db");
    const std::vector<std::string> hard = {"0001",       "許功蓋",
                                           "",           "M",
                                           "O",          "A123456789",
                                           "Y",          "0471004434",
                                           "+886912345", "-0912",
                                           "@SUM(1,2)",  "=HYPERLINK(\"http://x\",\"y\")",
                                           "=1+2",       "\U00020000 _x000D_",
                                           "",           "",
                                           "'0912",      "",
                                           "",           "第一行\r\n第二行\t有定位"};
    testsupport::writeClients(file, {hard});
    testsupport::execSql(file, "UPDATE VELKARD SET VOCATION = NULL");
    auto records = store::RecordSet::openClients(store::clientfile::open(file));
    std::vector<int> all(store::kFieldCount);
    std::iota(all.begin(), all.end(), 0);
    exchange::writeWorkbook(*records, all, dir.file("客戶.xlsx"));
    const QJsonArray sheet = readByCalc(dir.file("客戶.xlsx"), dir.path());
    ASSERT_EQ(sheet.size(), 3);
    EXPECT_EQ(sheet[0].toArray()[1].toString(), QStringLiteral("姓名"));
    EXPECT_EQ(sheet[1].toArray()[1].toString(), QStringLiteral("NAME"));
    for (int f = 0; f < store::kFieldCount; ++f)  // a line break inside a cell is Calc's LF
        EXPECT_EQ(sheet[2].toArray()[f].toString(),
                  QString::fromStdString(hard[std::size_t(f)]).replace("\r\n", "\n"))
            << store::kFieldNames[std::size_t(f)];

    // The same values as CSV: what a spreadsheet would run comes back as text after the
    // apostrophe; this program reads every value back as stored.
    std::ostringstream csv;
    exchange::writeCsv(*records, all, csv);
    exchange::writeFile(dir.file("客戶.csv"), [&](std::ostream& out) { out << csv.str(); });
    const QJsonArray calc = readByCalc(dir.file("客戶.csv"), dir.path());
    EXPECT_EQ(calc[0].toArray()[1].toString(), QStringLiteral("NAME"));  // after the BOM
    for (int f = 0; f < store::kFieldCount; ++f) {
        const std::string& v = hard[std::size_t(f)];
        // A CSV cannot keep Calc from reading 0001 as a number; the workbook above does.
        if (!v.empty() && v.find_first_not_of("0123456789") == std::string::npos) continue;
        EXPECT_EQ(
            calc[1].toArray()[f].toString(),
            QString::fromStdString(exchange::csvGuarded(v) ? "'" + v : v).replace("\r\n", "\n"))
            << store::kFieldNames[std::size_t(f)];
    }
    const auto back = exchange::readClientsCsv(csv.str(), exchange::Encoding::Utf8);
    ASSERT_EQ(back.clients.size(), 1u) << exchange::refusalReport(back);
    for (int f = 0; f < store::kFieldCount; ++f)
        EXPECT_EQ(back.clients[0][std::size_t(f)].value_or(""), hard[std::size_t(f)])
            << store::kFieldNames[std::size_t(f)];
}

// Where each field goes is checked by reading the cards back (VcardImport); here what the
// format does not allow: control characters, lines over 75 octets, a birthday that is no day.
TEST(Export, VcardLeavesOutWhatTheRfcDoesNotAllow) {
    TempDir dir;
    const auto file = dir.file("velkard.db");
    const std::string memo = "住址：台北市; 電話, 傳真\\備註" + std::string("\a\0\x1B\x7F\t\n", 6) +
                             std::string(30, 'x') + "。" + std::string(40, 'y') + "歐陽";
    testsupport::writeClients(
        file, {client({{store::NO, "A1"}, {store::BIRTH, "88.02.31"}, {store::MEMO, memo}})});
    std::ostringstream out;
    exchange::writeVcards(*store::RecordSet::openClients(store::clientfile::open(file)), out);
    const std::string cards = out.str();
    std::string unfolded;  // RFC 6350 3.2: a line break followed by a space is removed
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (cards.compare(i, 3, "\r\n ") == 0) {
            i += 2;
            continue;
        }
        unfolded += cards[i];
    }
    EXPECT_EQ(unfolded,
              "BEGIN:VCARD\r\nVERSION:4.0\r\nUID;VALUE=text:A1\r\nFN:\r\nN:;;;;\r\n"
              "NOTE:住址：台北市\\; 電話\\, 傳真\\\\備註\t\\n" +
                  std::string(30, 'x') + "。" + std::string(40, 'y') + "歐陽\r\nEND:VCARD\r\n");
    std::istringstream lines(cards);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 76u) << line;  // with the CR
        EXPECT_NE(static_cast<unsigned char>(line[line[0] == ' ' ? 1 : 0]) & 0xC0, 0x80u) << line;
    }
}

}  // namespace

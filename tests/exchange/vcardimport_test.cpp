#include "exchange/vcardimport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "exchange/export.h"
#include "generator.h"
#include "store/clientfile.h"
#include "store/dates.h"
#include "store/fields.h"
#include "tempdir.h"

namespace {

using namespace store;
std::string fixture(const std::string& name) {
    return testsupport::readBytes(std::filesystem::path(VELKARD_FIXTURES) / "vcard" / name);
}

// Cards as a phone (2.1: QUOTED-PRINTABLE, Big5, soft line breaks, a PHOTO) and a web address
// book (3.0 and 4.0: folding, escapes, tel: numbers, groups) write them; the clients expected of
// each file are beside it as CSV.
TEST(VcardImport, CardsFromPhonesAndAddressBooksComeInFieldByField) {
    const struct {
        std::string file;
        const char* refused;
        std::vector<std::string> ignored;
    } cases[] = {
        {"phone-2.1",
         "第 2 張：NAME 超過 8 個位元組\n第 3 張：生日 19050101 早於民國元年\n",
         {"PHOTO"}},
        {"web-3.0-4.0",
         "第 3 張：生日 19810229 不是真的日子\n第 4 張：名片沒有結束（缺少 "
         "END:VCARD），檔案可能不完整\n",
         {"PHOTO", "X-ABC-CUSTOM"}},
    };
    for (const auto& c : cases) {
        const auto checked = exchange::readClientsVcard(fixture(c.file + ".vcf"));
        const auto expected =
            exchange::readClientsCsv(fixture(c.file + ".expected.csv"), exchange::Encoding::Utf8);
        EXPECT_EQ(exchange::refusalReport(checked), c.refused) << c.file;
        EXPECT_EQ(checked.ignoredColumns, c.ignored) << c.file;
        ASSERT_EQ(checked.clients.size(), expected.clients.size()) << c.file;
        for (std::size_t i = 0; i < expected.clients.size(); ++i)
            for (std::size_t f = 0; f < kFieldCount; ++f)
                EXPECT_EQ(checked.clients[i][f].value_or(""), expected.clients[i][f].value_or(""))
                    << c.file << " card " << i + 1 << " " << kFieldNames[f];
    }
    for (const char* text : {"", "NAME,NO\r\n", "BEGIN:VCARD\r\nFN:a\r\nEND:VCARD\r\nstray\r\n"})
        EXPECT_THROW(exchange::readClientsVcard(text), exchange::ImportError) << text;
}

// Every field the vCard export writes comes back as it is stored: the sample tool's clients and
// one of text the format must escape.
TEST(VcardImport, TheProgramsOwnExportComesBackWhole) {
    testsupport::TempDir dir;
    sample::writeClientFile(dir.file("sample.db"), 5000);
    const auto file = ClientFile::open(dir.file("sample.db"));
    exchange::ClientValues hard(kFieldCount);
    hard[NAME] = "許;,\\𠀀";
    hard[COMPANY] = " 前後 ";
    hard[MEMO] = "第一行\n\t第二行;\\n,";
    for (int i = 0; i < 40; ++i) hard[MEMO]->append("長");  // folded lines
    hard[ADDR_1] = "台北市,大安區;1號\\";
    file->appendClients({hard});
    const auto source = file->records(kClientTable);
    std::ostringstream cards;
    exchange::writeVcards(*source, cards);
    const auto checked = exchange::readClientsVcard(cards.str());
    EXPECT_TRUE(checked.refused.empty()) << exchange::refusalReport(checked).substr(0, 300);
    ASSERT_EQ(static_cast<long>(checked.clients.size()), source->recordCount());
    for (long r = 0; r < source->recordCount(); ++r)
        for (int f : {NO, NAME, TEL_1, PHONE, CALL, TEL_2, FAX, COMPANY, VOCATION, POSITION, MEMO,
                      ADDR_1, ADDR_2, BIRTH}) {
            const std::string stored(source->valueAt(r, f));
            const std::string back = checked.clients[std::size_t(r)][std::size_t(f)].value_or("");
            if (f != BIRTH) {
                ASSERT_EQ(back, stored) << r << " " << kFieldNames[std::size_t(f)];
            } else if (dates::dayNumber(stored)) {  // the export writes a real day only
                EXPECT_EQ(dates::dayNumber(back), dates::dayNumber(stored)) << stored;
            }
        }
}

// The table's codes, and the two codes given to cards that come without one.
TEST(VcardImport, CardsWithoutACodeGetTheNextFreeCodesOfTheTablesForm) {
    using Codes = std::vector<std::string>;
    const std::pair<Codes, Codes> cases[] = {
        {{}, {"A00001", "A00002"}},
        {{"C0098", "C0099", "B1", "C0097"}, {"C0100", "C0101"}},
        {{"K9998", "K9999", "K00001"}, {"K10000", "K10001"}},    // the form most codes have
        {{"Z99998", "Z99999", "Z00001"}, {"Z00002", "Z00003"}},  // past six bytes: the gaps
    };
    for (const auto& [existing, given] : cases) EXPECT_EQ(exchange::freeCodes(existing, 2), given);
    EXPECT_THROW(exchange::freeCodes({"ZZZZZ8", "ZZZZZ9"}, 8), exchange::ImportError);
}

}  // namespace

#include "store/search.h"

#include <gtest/gtest.h>

#include "store/clientfile.h"
#include "store/fields.h"
#include "tempdir.h"

using namespace store;

namespace {

std::vector<std::string> client() {
    std::vector<std::string> c(kFieldCount);
    c[NO] = "A00017";
    c[NAME] = "王小明";
    c[ADDR_1] = "台中縣豐原市中山路100巷20號";
    c[COMPANY] = "ABC Trading 明遠資訊";
    c[TEL_1] = "(04)2523-4567";
    c[PHONE] = "0912345678";
    c[TEL_2] = "+886-2-2345-6789";
    c[MEMO] = "老客戶，喜歡ＶＩＰ室";
    return c;
}

}  // namespace

TEST(Search, MatchesAnyFieldFoldedAndPhonesByTheirDigits) {
    const std::vector<std::string> stored = client();
    const std::vector<std::string_view> values(stored.begin(), stored.end());
    struct Case {
        const char* typed;
        int field;
    } cases[] = {
        {"小明", NAME},
        {"a000", NO},         // letter case
        {"ａｂｃ", COMPANY},  // full width typed, half width stored
        {"vip", MEMO},        // and the other way round
        {"中山路100巷", ADDR_1},
        {"0912-345-678", PHONE},      // separators typed, digits stored
        {"+886 912 345 678", PHONE},  // the country code for the leading 0
        {"(02)2345 6789", TEL_2},     // stored with +886
        {"04 2523", TEL_1},           // stored with parentheses
        {"2345", TEL_1},              // in no text before TEL_1, whose digits hold it
        {"0912-999", -1},
        {"林", -1},
        {" 小明\u3000", NAME},  // blanks around what is typed
    };
    for (const Case& c : cases) EXPECT_EQ(search::Query(c.typed).match(values), c.field) << c.typed;
}

TEST(Search, ScansInSlicesAndGivesEveryMatchOnce) {
    testsupport::TempDir dir;
    std::vector<std::vector<std::string>> clients;
    for (int i = 0; i < 25; ++i) {
        std::vector<std::string> c(kFieldCount);
        c[NO] = "C" + std::to_string(100 + i);
        c[NAME] = i % 5 == 0 ? "林" + std::to_string(i) : "陳" + std::to_string(i);
        clients.push_back(c);
    }
    testsupport::writeClients(dir.file("c.db"), clients);
    auto file = ClientFile::open(dir.file("c.db"));
    auto rs = file->records(kClientTable);
    rs->setFilter("NAME = '陳1'");  // a window's filter is no limit on the search
    search::Scan scan(*rs, "林");
    std::vector<search::Hit> hits;
    int slices = 0;
    while (scan.step(4, hits)) ++slices;
    EXPECT_EQ(slices, 6);
    EXPECT_EQ(scan.looked(), 25);
    ASSERT_EQ(hits.size(), 5u);
    auto all = file->records(kClientTable);
    for (const auto& hit : hits) {
        ASSERT_TRUE(all->setBookmark(hit.row));
        EXPECT_EQ(hit.field, NAME);
        EXPECT_EQ(all->value(NAME).substr(0, 3), "林");
    }
    // A large step runs in two halves at once: the matches still come once each, in table order.
    std::vector<std::vector<std::string>> many;
    for (int i = 0; i < 2 * search::Scan::kTwoHalvesFrom; ++i)
        many.push_back({"N" + std::to_string(i), i % 7 == 0 ? "林" : "陳"});
    testsupport::writeClients(dir.file("many.db"), many);
    auto large = ClientFile::open(dir.file("many.db"));
    search::Scan halves(*large->records(kClientTable), "林");
    std::vector<search::Hit> found;
    EXPECT_FALSE(halves.step(3 * search::Scan::kTwoHalvesFrom, found));
    ASSERT_EQ(found.size(), static_cast<std::size_t>((2 * search::Scan::kTwoHalvesFrom + 6) / 7));
    for (std::size_t i = 1; i < found.size(); ++i) ASSERT_LT(found[i - 1].row, found[i].row);

    search::Scan nothing(*rs, " \u3000 ");
    EXPECT_FALSE(nothing.step(1, hits));
    EXPECT_EQ(hits.size(), 5u);
}

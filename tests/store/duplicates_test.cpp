#include "store/duplicates.h"

#include <gtest/gtest.h>

#include "store/clientfile.h"
#include "store/fields.h"
#include "tempdir.h"

using namespace store;

namespace {

std::vector<std::string> client(std::initializer_list<std::pair<int, const char*>> values) {
    std::vector<std::string> c(kFieldCount);
    for (const auto& [f, v] : values) c[static_cast<std::size_t>(f)] = v;
    return c;
}

}  // namespace

TEST(Duplicates, GroupsByEachRuleSurestFirstWithoutRepeatingAGroup) {
    testsupport::TempDir dir;
    testsupport::writeClients(
        dir.file("c.db"),
        {client({{NO, "A1"},
                 {NAME, "王小明"},
                 {BIRTH, "70.05.20"},
                 {SELF_NO, "A123456789"},
                 {PHONE, "0912345678"}}),
         client({{NO, "a1"}, {NAME, "王小明"}, {BIRTH, "700520"}}),  // the same code and day
         client({{NO, "A3"}, {NAME, "王曉明"}, {SELF_NO, "a123456789"}}),
         client({{NO, "A4"}, {NAME, "李大同"}, {TEL_1, "(09)12-345-678"}}),
         client({{NO, "A5"}, {NAME, "李大同"}, {PHONE, "12345"}, {TEL_1, "12345"}}),
         client({{NO, "A6"}, {NAME, "陳美玲"}})});
    auto file = ClientFile::open(dir.file("c.db"));
    auto rs = file->records(kClientTable);
    rs->setFilter("NO = 'A6'");  // the window's filter is no limit
    const std::set<duplicates::Rule> all(std::begin(duplicates::kRules),
                                         std::end(duplicates::kRules));
    const auto groups = duplicates::find(*rs, all);
    auto codes = [&](const duplicates::Group& g) {
        auto view = file->records(kClientTable);
        std::string out;
        for (Bookmark b : g.members) {
            view->setBookmark(b);
            out += std::string(view->value(NO)) + " ";
        }
        return out;
    };
    ASSERT_EQ(groups.size(), 3u);  // name and birthday would repeat the code's group
    EXPECT_EQ(groups[0].rule, duplicates::Rule::SameIdentity);
    EXPECT_EQ(codes(groups[0]), "A1 A3 ");
    EXPECT_EQ(groups[1].rule, duplicates::Rule::SameCode);
    EXPECT_EQ(codes(groups[1]), "A1 a1 ");
    EXPECT_EQ(groups[2].rule, duplicates::Rule::SamePhone);
    EXPECT_EQ(groups[2].key, "0912345678");
    EXPECT_EQ(codes(groups[2]), "A1 A4 ");

    const auto byName = duplicates::find(*rs, {duplicates::Rule::SameNameAndBirthday});
    ASSERT_EQ(byName.size(), 1u);
    EXPECT_EQ(codes(byName[0]), "A1 a1 ");
}

TEST(Duplicates, AMergeKeepsTheFilledInNewestValuesAndEveryRemark) {
    const std::vector<std::vector<std::string>> stored = {
        client({{NO, "A1"},
                {NAME, "王小明"},
                {TEL_1, "02-1111111"},
                {DATE, "101.01.01"},
                {MEMO, "老客戶"}}),
        client({{NO, "A2"}, {TEL_1, "02-2222222"}, {DATE, "105.01.01"}, {MEMO, "搬家了"}}),
        client({{NO, "A3"}, {NAME, "王小名"}, {ADDR_1, "台中市"}, {MEMO, "老客戶"}}),
    };
    std::vector<std::vector<std::string_view>> clients;
    for (const auto& c : stored) clients.emplace_back(c.begin(), c.end());
    EXPECT_EQ(duplicates::newest(clients), 1u);
    const auto choice = duplicates::defaultChoice(clients);
    const struct {
        int field;
        int chosen;
    } expected[] = {{NO, 1},     {NAME, 0}, {TEL_1, 1},
                    {ADDR_1, 2}, {DATE, 1}, {MEMO, duplicates::kBoth}};
    for (const auto& e : expected)
        EXPECT_EQ(choice[static_cast<std::size_t>(e.field)], e.chosen) << e.field;
    const auto values = duplicates::chosenValues(clients, choice);
    EXPECT_EQ(values[NAME], "王小明");
    EXPECT_EQ(values[ADDR_1], "台中市");
    EXPECT_EQ(values[MEMO], "老客戶\n搬家了");
}

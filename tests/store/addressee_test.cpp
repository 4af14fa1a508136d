#include "store/addressee.h"

#include <gtest/gtest.h>

#include <array>

using namespace store;

TEST(Addressee, PostalCodesAreTheLeadingDigitsOfAnAddress) {
    const struct {
        const char* address;
        const char* digits;
        const char* rest;
    } cases[] = {
        {"106台北市大安區復興南路一段390號", "106", "台北市大安區復興南路一段390號"},
        {"10652 台北市大安區", "10652", "台北市大安區"},
        {"106-52台北市", "10652", "台北市"},
        {"１０６０１　台北市大安區", "10601", "台北市大安區"},
        {"  100007 臺北市中正區 ", "100007", "臺北市中正區"},
        // Not a postal code: a house number, a floor, too few or too many digits, nothing after.
        {"350號5樓", "", "350號5樓"},
        {"12F 信義路", "", "12F 信義路"},
        {"10 台北市", "", "10 台北市"},
        {"1234567台北市", "", "1234567台北市"},
        {"106", "", "106"},
        {"106--52台北市", "", "106--52台北市"},
        {"台北市 106", "", "台北市 106"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const auto code = mailing::splitPostcode(c.address);
        EXPECT_EQ(code.digits, c.digits) << c.address;
        EXPECT_EQ(code.rest, c.rest) << c.address;
    }
}

TEST(Addressee, TheTitleFollowsTheChoiceAndSex) {
    using mailing::Title;
    const struct {
        const char* sex;
        Title title;
        const char* expected;
    } cases[] = {
        {"M", Title::BySex, "先生"}, {"ｍ", Title::BySex, "先生"}, {" 男 ", Title::BySex, "先生"},
        {"F", Title::BySex, "小姐"}, {"女", Title::BySex, "小姐"}, {"", Title::BySex, "君"},
        {"?", Title::BySex, "君"},   {"M", Title::Jun, "君"},      {"F", Title::None, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(mailing::titleOf(c.sex, c.title), c.expected) << c.sex;
}

TEST(Addressee, TheChosenAddressAndCompanyAndOnlyClientsWithAnAddress) {
    std::vector<std::vector<std::string>> rows;
    auto add = [&](const char* code, const char* name, const char* home, const char* office) {
        rows.push_back(std::vector<std::string>(kFieldCount));
        auto& r = rows.back();
        r[NO] = code, r[NAME] = name, r[SEX] = "F", r[ADDR_1] = home, r[ADDR_2] = office;
        r[COMPANY] = "大同公司";
    };
    add("A1", "陳美玲", "106台北市\r\n大安區", "");
    add("A2", "林志明", "  ", "104台北市中山區");
    add("A3", "", "台中市", "");
    std::vector<std::string> names;
    for (int f = 0; f < kFieldCount; ++f) names.push_back("F" + std::to_string(f));
    const auto clients = RecordSet::ofRows(names, rows);

    const mailing::Choices home;
    const auto atHome = mailing::recipients(*clients, home);
    EXPECT_EQ(atHome.rows.size(), 2u);
    EXPECT_EQ(atHome.without, std::vector<std::string>{"A2"});

    const mailing::Choices office{ADDR_2, true, mailing::Title::BySex};
    const auto atWork = mailing::recipients(*clients, office);
    EXPECT_EQ(atWork.without, (std::vector<std::string>{"A1", "A3"}));
    std::array<std::string_view, kFieldCount> values;
    clients->valuesOf(atWork.rows.at(0), values);
    const auto a = mailing::addressee(values, office);
    EXPECT_EQ(a.postcode, "104");
    EXPECT_EQ(a.address, "台北市中山區");
    EXPECT_EQ(a.company, "大同公司");
    EXPECT_EQ(a.name + a.title, "林志明小姐");
    // An address over two lines on one; no name, no title either.
    clients->valuesOf(atHome.rows.at(0), values);
    EXPECT_EQ(mailing::addressee(values, home).address, "台北市 大安區");
    clients->valuesOf(atHome.rows.at(1), values);
    EXPECT_EQ(mailing::addressee(values, home).title, "");
}

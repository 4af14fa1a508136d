#include "store/birthdays.h"

#include <gtest/gtest.h>

#include "store/clientfile.h"
#include "store/fields.h"
#include "tempdir.h"

using namespace store;
using namespace std::chrono;

TEST(Birthdays, DaysAreReadFromEitherYearForm) {
    const struct {
        const char* text;
        std::optional<birthdays::Day> day;
    } cases[] = {
        {"88.04.03", 1999y / 4 / 3},   {"880403", 1999y / 4 / 3},    {"105.01.02", 2016y / 1 / 2},
        {"1966/5/20", 1966y / 5 / 20}, {"89.02.29", 2000y / 2 / 29}, {"90.02.29", std::nullopt},
        {"88.02.31", std::nullopt},    {"生日", std::nullopt},       {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(birthdays::birthDay(c.text), c.day) << c.text;
}

TEST(Birthdays, AMonthOrTheDaysAheadInTheOrderOfTheBirthday) {
    testsupport::TempDir dir;
    std::vector<std::vector<std::string>> clients;
    auto add = [&](const char* code, const char* birth) {
        clients.push_back(std::vector<std::string>(kFieldCount));
        clients.back()[NO] = code, clients.back()[BIRTH] = birth;
    };
    add("A", "70.12.25");   // 1981: turns 45 on 2026-12-25
    add("B", "105.12.01");  // 2016: already past this month, still December's
    add("C", "1966/1/3");   // next January: turns 61 in 2027
    add("D", "89.02.29");   // 2000: 28 February in 2027
    add("E", "88.13.01");   // no such month: left out
    add("F", "120.12.20");  // 2031: not born yet
    add("G", "88.12.10");
    testsupport::writeClients(dir.file("c.db"), clients);
    auto file = ClientFile::open(dir.file("c.db"));
    auto rs = file->records(kClientTable);
    const birthdays::Day today = 2026y / 12 / 7;
    auto codes = [&](const std::vector<birthdays::Entry>& list) {
        std::string out;
        auto view = file->records(kClientTable);
        for (const auto& e : list) {
            view->setBookmark(e.row);
            out += std::string(view->value(NO)) + std::to_string(e.turns) + " ";
        }
        return out;
    };
    EXPECT_EQ(codes(birthdays::inMonth(*rs, 12, today)), "B10 G27 A45 ");
    EXPECT_EQ(codes(birthdays::inMonth(*rs, 1, today)), "C61 ");
    EXPECT_EQ(codes(birthdays::inMonth(*rs, 2, today)), "D27 ");
    EXPECT_EQ(birthdays::inMonth(*rs, 2, today)[0].next, 2027y / 2 / 28);
    EXPECT_EQ(codes(birthdays::withinDays(*rs, 4, today)), "G27 ");  // 7 to 10 December
    EXPECT_EQ(codes(birthdays::withinDays(*rs, 3, today)), "");
    EXPECT_EQ(codes(birthdays::withinDays(*rs, 30, today)), "G27 A45 C61 ");  // to 5 January
}

#include "store/dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DateCheck, AcceptsRewritesOrRefuses) {
    const struct {
        const char* typed;
        const char* kept;
    } accepted[] = {
        {"880403", "88.04.03"},    {"88.04.03", "88.04.03"},    {"880231", "88.02.31"},
        {"1151206", "115.12.06"},  {"115.12.06", "115.12.06"},  {"100.01.05", "100.01.05"},
        {"1966/5/20", "55.05.20"}, {"2026/12/06", "115.12.06"}, {"2000/2/29", "89.02.29"},
        {"1912/1/1", "01.01.01"},  {"1999/04/03", "88.04.03"}};
    for (const auto& c : accepted) EXPECT_EQ(store::dates::check(c.typed), c.kept) << c.typed;
    // Today's stamp, in any year the program may see, passes unchanged.
    for (int year : {1921, 1999, 2010, 2011, 2026, 2910}) {
        const std::string today = store::dates::stamp(year, 12, 31);
        EXPECT_EQ(store::dates::check(today), today);
    }
    const char* refused[] = {"88040399", "88.4.3",    "000403",     "881303",     "880432",
                             "880003",   "",          "115.13.06",  "1151232",    "0001206",
                             "115.12.6", "88.04.3x",  "88.04.031",  "88.04.03x",  "880403x",
                             "88043",    " 880403",   "115.12.061", "11.512.06",  "8804.3",
                             "8.0403",   "1999/2/31", "1900/2/29",  "1911/12/31", "2911/1/1",
                             "99/4/3",   "1999/4/",   "1999/4/3/1", "1999//3",    "1999/013/1"};
    for (const char* typed : refused)
        EXPECT_FALSE(store::dates::check(typed))
            << typed << " kept as " << store::dates::check(typed).value_or("");
}

TEST(DateOrder, DatesOrderByDayThenTextThatIsNoDate) {
    // Each text sorts before the next; empty first, then days (two- and three-digit years), then
    // the texts that are no date, in text order.
    const std::vector<std::string> ordered = {"",          "20.09.20",  "88.04.03",
                                              "99.12.31",  "100.01.01", "105.01.02",
                                              "115.12.06", "abc",       "不詳"};
    for (std::size_t i = 0; i < ordered.size(); ++i)
        for (std::size_t j = 0; j < ordered.size(); ++j) {
            const int byCompare = store::dates::compare(ordered[i], ordered[j]);
            std::string a, b;
            store::dates::appendSortKey(ordered[i], a);
            store::dates::appendSortKey(ordered[j], b);
            const int byKey = a.compare(b);
            EXPECT_EQ(byCompare < 0, i < j) << ordered[i] << " vs " << ordered[j];
            EXPECT_EQ(byCompare == 0, i == j) << ordered[i] << " vs " << ordered[j];
            EXPECT_EQ(byKey < 0, i < j) << ordered[i] << " vs " << ordered[j];
        }
    EXPECT_EQ(store::dates::dayNumber("115.12.06"), 1151206);
    EXPECT_EQ(store::dates::dayNumber("880403"), 880403);
    EXPECT_EQ(store::dates::dayNumber("1999/4/3"), 880403);
    EXPECT_FALSE(store::dates::dayNumber("88.13.01"));
}

}  // namespace

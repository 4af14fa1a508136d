#include "store/dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DateStamp, RepublicYearWithoutPaddingThenMonthAndDay) {
    EXPECT_EQ(store::dates::stamp(1999, 4, 3), "88.04.03");
    EXPECT_EQ(store::dates::stamp(2011, 1, 5), "100.01.05");
    EXPECT_EQ(store::dates::stamp(2026, 12, 6), "115.12.06");
}

TEST(DateCheck, AcceptsRewritesOrRefuses) {
    struct Case {
        const char* typed;
        const char* kept;  // nullptr: refused
    } cases[] = {{"880403", "88.04.03"},
                 {"88.04.03", "88.04.03"},
                 {"880231", "88.02.31"},
                 {"88040399", nullptr},
                 {"1151206", "115.12.06"},
                 {"115.12.06", "115.12.06"},
                 {"100.01.05", "100.01.05"},
                 {"88.4.3", nullptr},
                 {"000403", nullptr},
                 {"881303", nullptr},
                 {"880432", nullptr},
                 {"880003", nullptr},
                 {"", nullptr},
                 {"1999/04/03", nullptr},
                 {"115.13.06", nullptr},
                 {"1151232", nullptr},
                 {"0001206", nullptr},
                 {"115.12.6", nullptr},
                 {"88.04.3x", nullptr},
                 {"88.04.031", nullptr},
                 {"88.04.03x", nullptr},
                 {"880403x", nullptr},
                 {"88043", nullptr},
                 {" 880403", nullptr},
                 {"115.12.061", nullptr},
                 {"11.512.06", nullptr},
                 {"8804.3", nullptr},
                 {"8.0403", nullptr}};
    for (const auto& c : cases) {
        auto kept = store::dates::check(c.typed);
        if (c.kept) {
            ASSERT_TRUE(kept.has_value()) << c.typed;
            EXPECT_EQ(*kept, c.kept) << c.typed;
        } else {
            EXPECT_FALSE(kept.has_value()) << c.typed << " kept as " << kept.value_or("");
        }
    }
}

TEST(DateCheck, TodaysStampAlwaysPassesUnchanged) {
    for (int year : {1921, 1999, 2010, 2011, 2026, 2910}) {
        std::string s = store::dates::stamp(year, 12, 31);
        auto kept = store::dates::check(s);
        ASSERT_TRUE(kept.has_value()) << s;
        EXPECT_EQ(*kept, s);
    }
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
    EXPECT_FALSE(store::dates::dayNumber("88.13.01"));
}

}  // namespace

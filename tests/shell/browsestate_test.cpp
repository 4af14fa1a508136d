#include <gtest/gtest.h>

#include "shell/browsestate.h"

// The typed page, as CHOICE PAGE reads it: a number (a half to the even page), or refused.
TEST(BrowseState, PagesAreNumbersWithinWhatTheListCanReach) {
    const struct {
        const char* typed;
        int page;  // 0 with `refused`
        bool refused;
    } cases[] = {{"3", 3, false},    {" 3 ", 3, false},       {"2.5", 2, false},
                 {"3.5", 4, false},  {"-2519", -2519, false}, {"2521", 2521, false},
                 {"abc", 0, true},   {"   ", 0, true},        {"2522", 0, true},
                 {"-2520", 0, true}, {"1e9", 0, true},        {"nan", 0, true}};
    for (const auto& c : cases) {
        QString refusal;
        const auto page = shell::parsePage(QString::fromLatin1(c.typed), &refusal);
        EXPECT_EQ(page.has_value(), !c.refused) << c.typed;
        if (page) {
            EXPECT_EQ(*page, c.page) << c.typed;
        }
        EXPECT_EQ(refusal.contains(QStringLiteral("頁數")), c.refused) << c.typed;
    }
}

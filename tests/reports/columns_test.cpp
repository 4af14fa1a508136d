#include "reports/columns.h"

#include <gtest/gtest.h>

#include "store/fields.h"

namespace {

TEST(ReportColumns, TwentyFieldsEndAt31400AndAFieldTwiceGivesTwoEqualColumns) {
    std::vector<std::string> all(store::kFieldNames.begin(), store::kFieldNames.end());
    auto layout = reports::layoutColumns(all);
    ASSERT_FALSE(layout.refusal);
    EXPECT_EQ(layout.columns.back().left + layout.columns.back().width, 31400);

    layout = reports::layoutColumns({"NAME", "NAME"});
    ASSERT_EQ(layout.columns.size(), 2u);
    EXPECT_EQ(layout.columns[0].width, layout.columns[1].width);
    EXPECT_EQ(layout.columns[1].left, 1100);
    EXPECT_TRUE(reports::layoutColumns({}).columns.empty());
}

TEST(ReportColumns, TooManyOrTooWideChoicesAreRefused) {
    std::vector<std::string> all(store::kFieldNames.begin(), store::kFieldNames.end());
    all.push_back("NO");
    auto tooMany = reports::layoutColumns(all);
    ASSERT_TRUE(tooMany.refusal);
    EXPECT_NE(tooMany.refusal->find("20"), std::string::npos);
    EXPECT_TRUE(tooMany.columns.empty());

    std::vector<std::string> wide(8, "MEMO");  // 8 x 4300 = 34 400 twips
    auto tooWide = reports::layoutColumns(wide);
    ASSERT_TRUE(tooWide.refusal);
    EXPECT_NE(tooWide.refusal->find("34400"), std::string::npos);
    EXPECT_FALSE(reports::layoutColumns(std::vector<std::string>(7, "MEMO")).refusal);  // 30 100
}

}  // namespace

#include "store/expression.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "store/errors.h"

namespace {

const std::vector<std::string> kColumns = {"NO", "NAME", "SEX", "BLOOD", "COMPANY", "選擇"};

struct Row : store::FieldSource {
    std::vector<std::string> values;
    explicit Row(std::vector<std::string> v) : values(std::move(v)) {}
    std::string_view field(int column) const override {
        return values.at(static_cast<std::size_t>(column));
    }
};

bool eval(const std::string& text, const Row& row) {
    return store::Expression::parse(text, kColumns).matches(row);
}

TEST(Expression, OperatorsCompareInTextOrder) {
    const Row row({"A00005", "林小明", "M", "AB", "宏碁電腦", ""});
    for (const char* text : {"NO = 'A00005'", "NO = 'a00005'", "NO <> 'A00006'", "NO < 'A00006'",
                             "NO <= 'A00005'", "NO >= 'A00005'", "NAME > '王'", "NAME < '張'",
                             "BLOOD like 'A*'", "COMPANY like '*電腦*'", "COMPANY like '*電腦'",
                             "選擇 = ''", "[NAME] = '林小明'", "name='林小明'", "   ", ""})
        EXPECT_TRUE(eval(text, row)) << text;
    for (const char* text : {"NO = 'A0000'", "NO <> 'A00005'", "NO > 'A00006'", "NO >= 'A00006'",
                             "BLOOD LIKE 'B*'", "COMPANY like '電腦*'", "(SEX = 'F')"})
        EXPECT_FALSE(eval(text, row)) << text;
}

TEST(Expression, AndBindsTighterThanOrAndParenthesesGroup) {
    // Each row: SEX, BLOOD, COMPANY; the expressions are those the condition builder writes.
    const std::string orLast = "SEX = 'M' And BLOOD like 'A*' Or COMPANY like '*電腦*'";
    const std::string andFirst = "COMPANY like '*電腦*' And SEX = 'M' And BLOOD like 'A*'";
    const std::string grouped = "SEX = 'M' And (BLOOD like 'A*' Or COMPANY like '*電腦*')";
    const struct {
        const char* sex;
        const char* blood;
        const char* company;
        bool orLast, andFirst, grouped;
    } cases[] = {
        {"M", "A", "統一", true, false, true},     {"F", "O", "宏碁電腦", true, false, false},
        {"M", "B", "宏碁電腦", true, false, true}, {"M", "AB", "宏碁電腦", true, true, true},
        {"F", "A", "統一", false, false, false},   {"m", "a", "", true, false, true}};
    for (const auto& c : cases) {
        Row row({"", "", c.sex, c.blood, c.company, ""});
        EXPECT_EQ(eval(orLast, row), c.orLast) << c.sex << c.blood << c.company;
        EXPECT_EQ(eval(andFirst, row), c.andFirst) << c.sex << c.blood << c.company;
        EXPECT_EQ(eval(grouped, row), c.grouped) << c.sex << c.blood << c.company;
    }
    EXPECT_TRUE(eval("sex = 'M' AND blood = 'AB' or NO = 'x'", Row({"", "", "M", "AB", "", ""})));
}

TEST(Expression, DoubledQuoteIsOneQuoteInTheValue) {
    Row row({"", "O'Brien", "", "", "it's", ""});
    EXPECT_TRUE(eval("NAME = 'O''Brien'", row));
    EXPECT_TRUE(eval("COMPANY like '*''s'", row));
    EXPECT_EQ(store::quoteValue("O'Brien''"), "O''Brien''''");
    EXPECT_TRUE(eval("NAME = '" + store::quoteValue("O'Brien") + "'", row));
}

TEST(Expression, RejectionsNameThePositionAndTheReason) {
    const struct {
        std::string text;
        std::size_t position;
        const char* reasonPart;
    } cases[] = {{"NAME = 'x' And ", 16, "缺少條件"},
                 {" Or NAME = 'x'", 2, "缺少條件"},
                 {"NAME = 'x' Or", 14, "缺少條件"},
                 {"AGE = '3'", 1, "AGE"},
                 {"NAME = 'x", 8, "引號"},
                 {"NAME 'x'", 6, "運算子"},
                 {"NAME =", 7, "單引號"},
                 {"NAME = x", 8, "單引號"},
                 {"NAME = 'x' NO = 'y'", 12, "And 或 Or"},
                 {"(NAME = 'x'", 1, "右括號"},
                 {"NAME = 'x')", 11, "右括號"},
                 {"姓名 = '王'", 1, "姓名"},
                 {"NAME = '王' And 姓名 = 'x'", 16, "姓名"},
                 {"NAME == 'x'", 7, "單引號"},
                 {"NAME ! 'x'", 6, "!"}};
    for (const auto& c : cases) {
        try {
            store::Expression::parse(c.text, kColumns);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const store::ExpressionError& e) {
            EXPECT_EQ(e.position(), c.position) << c.text << ": " << e.what();
            EXPECT_NE(e.reason().find(c.reasonPart), std::string::npos)
                << c.text << ": " << e.what();
        }
    }
}

TEST(Expression, NestingIsLimitedBeforeTheStackIs) {
    auto nested = [](int depth) {
        return std::string(static_cast<std::size_t>(depth), '(') + "NO = '1'" +
               std::string(static_cast<std::size_t>(depth), ')');
    };
    EXPECT_TRUE(eval(nested(200), Row({"1", "", "", "", "", ""})));
    for (int depth : {201, 12000, 1000000}) {
        try {
            store::Expression::parse(nested(depth), kColumns);
            ADD_FAILURE() << depth << " levels parsed";
        } catch (const store::ExpressionError& e) {
            EXPECT_EQ(e.position(), 201u);
            EXPECT_NE(e.reason().find("最多 200 層"), std::string::npos) << e.reason();
        }
    }
}

TEST(SortExpression, FieldWithDirection) {
    auto keys = store::parseSort("NAME ASC", kColumns);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].column, 1);
    EXPECT_FALSE(keys[0].descending);
    keys = store::parseSort("company desc, NO", kColumns);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].column, 4);
    EXPECT_TRUE(keys[0].descending);
    EXPECT_EQ(keys[1].column, 0);
    EXPECT_FALSE(keys[1].descending);
    EXPECT_TRUE(store::parseSort(" ", kColumns).empty());
    for (const char* bad : {"AGE ASC", "NAME UP", "NAME ASC,", "'NAME'"})
        EXPECT_THROW(store::parseSort(bad, kColumns), store::ExpressionError) << bad;
}

}  // namespace

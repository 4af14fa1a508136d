#include "query/conditions.h"

#include <gtest/gtest.h>

namespace {

using query::ConditionRow;

ConditionRow row(std::string field, int op, std::string value, int connector = -1,
                 std::string connectorText = "x") {
    ConditionRow r;
    r.field = std::move(field);
    r.operatorPosition = op;
    r.operatorText = op >= 0 && op < 8 ? query::kOperators[static_cast<std::size_t>(op)] : "typed";
    r.value = std::move(value);
    r.connectorPosition = connector;
    r.connectorText = connector == 0 || connector == 1
                          ? query::kConnectors[static_cast<std::size_t>(connector)]
                          : connectorText;
    return r;
}

std::vector<std::string> set(const std::vector<ConditionRow>& rows) {
    std::vector<std::string> out;
    for (const auto& e : query::expressions(rows))
        if (e) out.push_back(*e);
    return out;
}

const std::vector<std::string> kColumns = {"NO", "NAME", "SEX", "BLOOD", "COMPANY"};

TEST(Conditions, ThreeRowsJoinFourWays) {
    const struct {
        int second, third;
        const char* last;
    } cases[] = {
        {0, 0, "T3 = '3' And T1 = '1' And T2 = '2'"}, {1, 1, "T1 = '1' Or T2 = '2' Or T3 = '3'"},
        {0, 1, "T1 = '1' And T2 = '2' Or T3 = '3'"},  {1, 0, "T3 = '3' And T1 = '1' Or T2 = '2'"},
        {-1, -1, "T1 = '1' Or T2 = '2' Or T3 = '3'"},  // typed connectors join with Or
    };
    for (const auto& c : cases) {
        std::vector<ConditionRow> rows = {row("T1", 0, "1"), row("T2", 0, "2", c.second),
                                          row("T3", 0, "3", c.third)};
        EXPECT_EQ(set(rows).back(), c.last);
    }
}

TEST(Conditions, IncompleteRowsAreSkippedAndLowerRowsJoinToNothing) {
    std::vector<ConditionRow> rows = {row("NAME", 0, "a"), row("SEX", 0, "", 0),
                                      row("BLOOD", 0, "O", 0), row("NO", 0, "1")};
    rows[3].connectorText.clear();  // a row without connector is incomplete too
    auto exprs = query::expressions(rows);
    EXPECT_FALSE(exprs[1]);
    EXPECT_EQ(*exprs[2], "BLOOD = 'O' And ");
    EXPECT_FALSE(exprs[3]);
    EXPECT_FALSE(query::complete(rows[1], false));
    EXPECT_TRUE(query::complete(row("NAME", -1, "a"), true));
}

TEST(Conditions, CheckNamesTheRowAndTheReasonOfEveryRejection) {
    const struct {
        const char* what;
        std::vector<ConditionRow> rows;
        int row;  // 0: accepted
        const char* reasonPart;
    } cases[] = {
        {"all fine", {row("NAME", 0, "a"), row("sex", 6, "M", 1)}, 0, ""},
        {"typed operator in row 1", {row("NAME", -1, "a")}, 0, ""},
        {"unknown field", {row("AGE", 0, "3")}, 1, "AGE"},
        {"unknown field below", {row("NAME", 0, "a"), row("姓名", 0, "b", 0)}, 2, "姓名"},
        {"row below a skipped row",
         {row("NAME", 0, "a"), row("SEX", 0, "", 0), row("BLOOD", 0, "O", 1)},
         3,
         "上一列"},
        {"typed operator below", {row("NAME", 0, "a"), row("SEX", -1, "M", 0)}, 2, "運算子"},
        {"row joined to an empty row 1",
         {row("NAME", -1, "a"), row("SEX", 0, "M", 0)},
         2,
         "上一列"},
        {"quote in a value", {row("NAME", 0, "O'Neil")}, 0, ""},
        {"blank field text", {row("NAME ", 0, "a")}, 1, "NAME"}};
    for (const auto& c : cases) {
        auto refusal = query::check(c.rows, kColumns);
        if (c.row == 0) {
            EXPECT_FALSE(refusal) << c.what << ": " << refusal->reason;
            continue;
        }
        ASSERT_TRUE(refusal) << c.what;
        EXPECT_EQ(refusal->row, c.row) << c.what;
        EXPECT_NE(refusal->reason.find(c.reasonPart), std::string::npos)
            << c.what << ": " << refusal->reason;
        EXPECT_NE(refusal->reason.find("第 " + std::to_string(c.row) + " 列"), std::string::npos)
            << c.what;
    }
}

}  // namespace

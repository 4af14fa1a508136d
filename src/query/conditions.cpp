#include "query/conditions.h"

#include "store/errors.h"
#include "store/expression.h"
#include "store/fields.h"

namespace query {

std::string term(const ConditionRow& row) {
    // By operator position: what stands between the field and the quoted value, and the
    // wildcards around the value.
    struct Form {
        const char* op;
        const char* before;
        const char* after;
    };
    static constexpr Form forms[8] = {{" = ", "", ""},     {" <> ", "", ""},    {" > ", "", ""},
                                      {" < ", "", ""},     {" >= ", "", ""},    {" <= ", "", ""},
                                      {" like ", "", "*"}, {" like ", "*", "*"}};
    if (row.operatorPosition < 0 || row.operatorPosition >= 8) return {};
    const Form& f = forms[row.operatorPosition];
    return row.field + f.op + "'" + f.before + store::quoteValue(row.value) + f.after + "'";
}

bool complete(const ConditionRow& row, bool first) {
    return !row.field.empty() && !row.operatorText.empty() && !row.value.empty() &&
           (first || !row.connectorText.empty());
}

std::vector<std::optional<std::string>> expressions(const std::vector<ConditionRow>& rows) {
    std::vector<std::optional<std::string>> out(rows.size());
    if (rows.empty()) return out;
    out[0] = term(rows[0]);
    for (std::size_t k = 1; k < rows.size(); ++k) {
        if (!complete(rows[k], false)) continue;  // skipped: Ek stays empty
        const std::string above = out[k - 1].value_or("");
        const std::string t = term(rows[k]);
        const bool isAnd = rows[k].connectorPosition == 0;
        if (k == 1)
            out[k] = above + (isAnd ? " And " : " Or ") + t;
        else
            out[k] = isAnd ? t + " And " + above : above + " Or " + t;
    }
    return out;
}

std::optional<Refusal> check(const std::vector<ConditionRow>& rows,
                             const std::vector<std::string>& columns) {
    auto isColumn = [&](const std::string& name) {
        for (const auto& c : columns)
            if (store::sameName(c, name)) return true;
        return false;
    };
    const auto exprs = expressions(rows);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int n = static_cast<int>(k) + 1;
        const std::string row = "第 " + std::to_string(n) + " 列";
        if (!exprs[k]) continue;
        if (k > 0 && term(rows[k]).empty())
            return Refusal{n, row + "的運算子「" + rows[k].operatorText +
                                  "」不是清單裡的項目，請從清單中選一個運算子。"};
        if (!term(rows[k]).empty() && !isColumn(rows[k].field))
            return Refusal{n,
                           row + "的欄位「" + rows[k].field + "」不存在，請從清單中選一個欄位。"};
        if (k > 0 && exprs[k - 1].value_or("").empty())
            return Refusal{n, row + "的上一列沒有設定條件，無法用「" + rows[k].connectorText +
                                  "」連接。請先把上一列設定完整，或清除" + row + "。"};
        try {
            store::Expression::parse(*exprs[k], columns);
        } catch (const store::ExpressionError& e) {
            return Refusal{n, row + "的條件無法使用：" + e.reason()};
        }
    }
    return std::nullopt;
}

}  // namespace query

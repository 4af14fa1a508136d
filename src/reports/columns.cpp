#include "reports/columns.h"

#include "store/fields.h"

namespace reports {

int baseWidth(std::string_view field) {
    for (const store::FieldInfo& f : store::kFields)
        if (f.name == field) return f.reportWidth;
    return 0;
}

Layout layoutColumns(const std::vector<std::string>& chosen, int fontSize) {
    Layout layout;
    if (chosen.size() > kMaxColumns) {
        layout.refusal = "最多只能列印 " + std::to_string(kMaxColumns) + " 個欄位，現在選了 " +
                         std::to_string(chosen.size()) + " 個。請移除一些欄位再列印。";
        return layout;
    }
    long left = 0;
    for (const auto& field : chosen) {
        const int width = baseWidth(field) + (fontSize - 9) * 100;
        layout.columns.push_back({field, static_cast<int>(left), width});
        left += width;
    }
    if (left > kMaxTwips) {
        layout.columns.clear();
        layout.refusal = "選取的欄位合計寬度 " + std::to_string(left) + " twips，超過報表能排的 " +
                         std::to_string(kMaxTwips) + " twips。請移除一些欄位再列印。";
    }
    return layout;
}

}  // namespace reports

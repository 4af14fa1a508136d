#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The columns of the client report, free of widgets: widths from a fixed table by field,
// placed side by side from the left margin.
namespace reports {

inline constexpr int kReportFontSize = 12;
inline constexpr int kMaxColumns = 20;
inline constexpr int kMaxTwips = 32767;

// The width of a field's column at font size 9, in twips; 0 for a name that is no field.
int baseWidth(std::string_view field);

struct Column {
    std::string field;
    int left = 0;
    int width = 0;
};

struct Layout {
    std::vector<Column> columns;
    std::optional<std::string> refusal;  // set when the choice cannot be laid out
};

// Each column is its base width plus 100 twips a point above 9, starting where the one before
// ends. More than 20 columns, or columns ending past 32 767 twips, are refused.
Layout layoutColumns(const std::vector<std::string>& chosen, int fontSize = kReportFontSize);

}  // namespace reports

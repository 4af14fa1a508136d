#pragma once

#include <filesystem>
#include <vector>

namespace store {
class RecordSet;
}

// Clients out to a spreadsheet as an Excel workbook (.xlsx) through libxlsxwriter. Plain C++, no
// Qt.
namespace exchange {

// The clients one sheet holds below its two header rows.
inline constexpr long kMostRowsInASheet = 1048576 - 2;

// Writes `columns` of every record of `records` (in their order) into one sheet named 客戶資料:
// a bold first row of the fields' Chinese titles, a second of their names, both frozen, with an
// autofilter; every value a text cell holding exactly the stored text (leading zeros, + - = @
// as typed, nothing evaluated), an empty value an empty cell. Written beside `path` under a
// temporary name and renamed when complete. Throws ExportError naming the path and the cause,
// before anything is written when the clients do not fit one sheet.
void writeWorkbook(const store::RecordSet& records, const std::vector<int>& columns,
                   const std::filesystem::path& path);

}  // namespace exchange

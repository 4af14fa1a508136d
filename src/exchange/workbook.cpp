#include "exchange/workbook.h"

#include <xlsxwriter.h>

#include <cctype>
#include <string>

#include "exchange/export.h"
#include "store/fields.h"
#include "store/recordset.h"
#include "store/sqlite/bulk.h"
#include "store/text.h"

namespace exchange {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCellMost = 32767;  // characters a cell holds

// The spreadsheet's width of a column (in characters) from the browse grid's width in twips.
double widthOf(std::string_view field) {
    const int index = store::fieldIndex(field);
    if (index < 0) return 12;
    return store::kFields[static_cast<std::size_t>(index)].grid.browse / 15.0 / 7.0 + 1;
}

// A text as the sheet keeps it: "_x" and four hex digits and "_" is how the format writes a
// control character, so such a run in the text itself is written "_x005F_x…_", or a reader
// would turn "_x000D_" typed in a remark into a line break.
const std::string& cellText(std::string_view value, std::string& out) {
    out.assign(value);
    for (std::size_t at = out.find("_x"); at != std::string::npos; at = out.find("_x", at + 1)) {
        bool code = at + 7 <= out.size() && out[at + 6] == '_';
        for (std::size_t k = at + 2; code && k < at + 6; ++k)
            code = std::isxdigit(static_cast<unsigned char>(out[k])) != 0;
        if (!code) continue;
        out.insert(at, "_x005F");
        at += 6;
    }
    return out;
}

}  // namespace

void writeWorkbook(const store::RecordSet& records, const std::vector<int>& columns,
                   const fs::path& path) {
    const long rows = records.recordCount();
    if (rows > kMostRowsInASheet)
        throw ExportError("無法寫入 " + path.string() + "：" + std::to_string(rows) +
                          " 位客戶超過試算表一張工作表的 " + std::to_string(kMostRowsInASheet) +
                          " 列，沒有寫出任何資料。請以篩選分批匯出，或改存 CSV。");
    const fs::path temp = store::bulk::tempFor(path);
    // Rows go straight to a temporary file as they are written: memory stays flat.
    lxw_workbook_options options{LXW_TRUE, nullptr, LXW_TRUE};
    lxw_workbook* book = workbook_new_opt(temp.string().c_str(), &options);
    if (!book) throw ExportError("無法寫入 " + path.string() + "：無法建立檔案。");
    std::string failure;
    const auto check = [&](lxw_error e, const std::string& where) {
        if (e != LXW_NO_ERROR && failure.empty()) failure = where + "：" + lxw_strerror(e);
    };
    lxw_worksheet* sheet = workbook_add_worksheet(book, "客戶資料");
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");  // typed into later, a cell stays text too
    lxw_format* title = workbook_add_format(book);
    format_set_bold(title);
    format_set_num_format(title, "@");
    lxw_format* name = workbook_add_format(book);
    format_set_italic(name);
    format_set_font_color(name, LXW_COLOR_GRAY);
    format_set_num_format(name, "@");
    const auto last = static_cast<lxw_col_t>(columns.empty() ? 0 : columns.size() - 1);
    // Rows go out in order (each is written away as the next begins): the titles first.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto c = static_cast<lxw_col_t>(i);
        const std::string field = records.fieldName(columns[i]);
        const int index = store::fieldIndex(field);
        const std::string heading =
            index < 0 ? field : std::string(store::kFieldTitles[static_cast<std::size_t>(index)]);
        check(worksheet_set_column(sheet, c, c, widthOf(field), text), "欄寬");
        check(worksheet_write_string(sheet, 0, c, heading.c_str(), title), "標題");
    }
    for (std::size_t i = 0; i < columns.size(); ++i)
        check(worksheet_write_string(sheet, 1, static_cast<lxw_col_t>(i),
                                     records.fieldName(columns[i]).c_str(), name),
              "欄位名稱");
    worksheet_freeze_panes(sheet, 2, 0);
    if (!columns.empty()) check(worksheet_autofilter(sheet, 1, 0, 1 + rows, last), "篩選");
    std::string value;
    for (long r = 0; r < rows && failure.empty(); ++r)
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string_view v = records.valueAt(r, columns[i]);
            if (v.empty()) continue;
            if (v.size() > kCellMost && store::text::length(v) > kCellMost) {
                failure = "客戶 " + std::string(records.valueAt(r, store::NO)) + " 的 " +
                          records.fieldName(columns[i]) + " 超過試算表一格能放的 32767 個字";
                break;
            }
            const lxw_error e =
                worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 2),
                                       static_cast<lxw_col_t>(i), cellText(v, value).c_str(), text);
            if (e != LXW_NO_ERROR) check(e, "第 " + std::to_string(r + 1) + " 位客戶");
        }
    check(workbook_close(book), "寫入檔案");
    std::error_code ec;
    if (!failure.empty()) {
        fs::remove(temp, ec);
        throw ExportError("無法寫入 " + path.string() + "：" + failure + "。");
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw ExportError("無法寫入 " + path.string() + "：" + ec.message());
    }
}

}  // namespace exchange

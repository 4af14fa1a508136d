#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace store {

// The twenty fields of a client record, in their fixed order; every list of fields follows it.
enum Field {
    NO,
    NAME,
    BIRTH,
    SEX,
    BLOOD,
    SELF_NO,
    MARRY,
    TEL_1,
    PHONE,
    CALL,
    ADDR_1,
    COMPANY,
    TEL_2,
    ADDR_2,
    VOCATION,
    POSITION,
    FAX,
    UNITY_NO,
    DATE,
    MEMO,
};

inline constexpr int kFieldCount = 20;

inline constexpr std::string_view kClientTable = "VELKARD";
inline constexpr std::string_view kLookupTable = "COMBOX_COMPANY";
inline constexpr std::string_view kLookupColumn = "company_field";
inline constexpr std::string_view kAuxTable = "FIELD1";
// Clients deleted, merged away or cleared, kept whole to come back: the client table's columns
// after the history's own (kHistoryColumns).
inline constexpr std::string_view kHistoryTable = "VELKARD_HISTORY";
inline constexpr std::string_view kHistoryColumns[] = {"H_AT", "H_KIND", "H_BATCH", "H_ROW",
                                                       "H_BY"};
// The index of the client table by code, in the order the browse list opens in (letter case
// aside, as the program's text order has it for codes): the list's first screen comes from it
// before the whole table is read.
inline constexpr std::string_view kCodeIndex = "VELKARD_NO";

// How the editor takes a field: a text box, a fixed list, a lookup list or a box of many lines.
enum class BoxKind { Text, List, Lookup, Memo };
// The input method while the field's box has the focus.
enum class InputMethod { Unchanged, On, Off };

// Everything the program knows of one field. Every list of fields (names, titles, limits, the
// grids' columns, the report's columns, the editor's boxes and hints) is read from `kFields`, so
// a field can never be missing from one of them. Places and widths are in twips.
struct FieldInfo {
    std::string_view name;   // the column
    std::string_view title;  // the Chinese title the user knows it by
    int bytes;               // the editor's limit in Big5 bytes; 0: none
    struct Grids {
        int browse, fullList, lookup, query;  // column widths of the four grids
    } grid;
    int reportWidth;  // a report column's width at 9 points
    struct Box {
        BoxKind kind;
        int listIndex;  // index in the editor's list-box array of its kind
        struct {
            int left, top, width;
        } label;
        struct {
            int left, top, width, height;
        } box;
        InputMethod inputMethod;
    } editor;
    const char* labelHint;  // the editor's hints, blanks and all
    const char* boxHint;
};

inline constexpr auto kFields = std::to_array<FieldInfo>({
    {"NO",
     "代號",
     6,
     {855, 900, 990, 1005},
     600,
     {BoxKind::Text, 0, {120, 120, 735}, {840, 120, 855, 375}, InputMethod::Off},
     " 說明:指客戶之<代號>請依實際情況輸入  範例:王小明,李大同,山田花子 ",
     " 欄寬: 6bytes    輸入: 英文或數字    範例: A00001, C00005, 871001 "},
    {"NAME",
     "姓名",
     8,
     {1095, 1185, 1290, 1230},
     800,
     {BoxKind::Text, 0, {1920, 120, 735}, {2640, 120, 1095, 375}, InputMethod::On},
     " 說明:指客戶之<中文姓名>請依實際情況輸入 範例:王小明,李大同,山田花子 ",
     " 欄寬: 8bytes    輸入: 中文姓名      範例: 陳美玲,山田花子,李大同 "},
    {"BIRTH",
     "生日",
     9,
     {1080, 1185, 1365, 1245},
     1000,
     {BoxKind::Text, 0, {3960, 120, 735}, {4680, 120, 1095, 375}, InputMethod::Off},
     " 說明:指客戶之<生日>   範例:1966/5/20 ",
     " 欄寬: 8bytes    輸入: 出生年月日    範例: 1970/5/20, 1980/6/25 "},
    {"SEX",
     "性別",
     0,
     {600, 600, 600, 600},
     200,
     {BoxKind::List, 0, {6000, 120, 735}, {6720, 120, 735, 360}, InputMethod::Unchanged},
     " 說明:指客戶之<性別>   範例:男 ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取性別資料 "},
    {"BLOOD",
     "血型",
     0,
     {930, 930, 945, 975},
     200,
     {BoxKind::List, 1, {120, 600, 855}, {960, 600, 735, 360}, InputMethod::Off},
     " 說明:指客戶之<血型>   範例:A ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取血型資料 "},
    {"SELF_NO",
     "身份證字號",
     10,
     {1350, 1320, 1410, 1380},
     1000,
     {BoxKind::Text, 0, {2520, 600, 1335}, {3840, 600, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<身份證字號>   範例:A123456789 ",
     " 欄寬: 10bytes    輸入: 英文與數字    範例: B123456780 "},
    {"MARRY",
     "婚姻",
     0,
     {960, 960, 600, 1095},
     400,
     {BoxKind::List, 2, {6000, 600, 855}, {6840, 600, 855, 360}, InputMethod::On},
     " 說明:指客戶之<婚姻>   範例:未婚 ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取婚姻資料 "},
    {"TEL_1",
     "住宅電話",
     10,
     {1365, 1380, 1275, 1815},
     800,
     {BoxKind::Text, 0, {120, 1080, 1215}, {1320, 1080, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<住宅電話>   範例:02-2345601 ",
     " 欄寬: 10bytes    輸入: 數字與符號    範例: 02-2345606 "},
    {"PHONE",
     "大哥大",
     10,
     {1395, 1350, 1365, 1815},
     800,
     {BoxKind::Text, 0, {3000, 1080, 855}, {3840, 1080, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<大哥大>   範例:0912000111 ",
     " 欄寬: 10bytes    輸入: 數字    範例: 0912000222 "},
    {"CALL",
     "呼叫器",
     10,
     {1380, 1320, 1380, 1815},
     800,
     {BoxKind::Text, 0, {5520, 1080, 855}, {6360, 1080, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<呼叫器>   範例:0940000111 ",
     " 欄寬: 10bytes    輸入: 數字    範例: 0940000222 "},
    {"ADDR_1",
     "住宅地址",
     40,
     {2835, 3000, 3765, 2775},
     3500,
     {BoxKind::Text, 0, {120, 1560, 1335}, {1320, 1560, 5175, 375}, InputMethod::On},
     " 說明:指客戶之<住宅地址>  範例:台中縣豐原市中山路100巷20號 ",
     " 欄寬: 40bytes    輸入: 中文    範例: 台中縣豐原市中山路100巷20號 "},
    {"COMPANY",
     "公司名稱",
     0,
     {2340, 1455, 2295, 2775},
     2200,
     {BoxKind::Lookup, 0, {120, 2040, 1215}, {1320, 2040, 3615, 405}, InputMethod::Unchanged},
     " 說明:指客戶之<公司名稱>  範例:明遠資訊  大晟汽車股份有限公司 ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取公司名稱 "},
    {"TEL_2",
     "公司電話",
     10,
     {1365, 1425, 1365, 1815},
     1000,
     {BoxKind::Text, 0, {5280, 2040, 1095}, {6360, 2040, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<公司電話>  範例:02-2345608 ",
     " 欄寬: 10bytes    輸入: 數字與符號    範例: 02-2345604 "},
    {"ADDR_2",
     "公司地址",
     40,
     {2655, 3075, 3765, 2775},
     3500,
     {BoxKind::Text, 0, {120, 2520, 1095}, {1200, 2520, 5175, 375}, InputMethod::On},
     " 說明:指客戶之<公司地址>  範例:台中縣豐原市中山路100巷21號 ",
     " 欄寬: 40bytes    輸入: 中文    範例: 台中縣豐原市中山路100巷23號 "},
    {"VOCATION",
     "職稱",
     0,
     {1365, 1455, 1440, 1815},
     1000,
     {BoxKind::Lookup, 1, {120, 3000, 1215}, {1320, 3000, 1455, 405}, InputMethod::Unchanged},
     " 說明:指客戶之<職稱>   範例:電腦工程師, 業務代表, 經理 ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取職稱資料 "},
    {"POSITION",
     "業別",
     0,
     {1365, 1590, 1560, 1815},
     1000,
     {BoxKind::Lookup, 2, {2880, 3000, 1095}, {3960, 3000, 1695, 405}, InputMethod::Unchanged},
     " 說明:指客戶之<業別>   範例:資訊業, 服務業, 鋼鐵業 ",
     " 輸入: <直接輸入>或將滑鼠移至右方箭頭處按滑鼠左鍵一次選取業別資料 "},
    {"FAX",
     "傳真機",
     10,
     {1365, 1620, 1500, 1815},
     1000,
     {BoxKind::Text, 0, {5760, 3000, 855}, {6600, 3000, 1335, 375}, InputMethod::Off},
     " 說明:指客戶之<傳真機>   範例:02-2345821 ",
     " 欄寬: 10bytes    輸入: 數字與符號    範例: 02-2345615 "},
    {"UNITY_NO",
     "統一編號",
     8,
     {1185, 1575, 1200, 1575},
     800,
     {BoxKind::Text, 0, {120, 3480, 1215}, {1320, 3480, 1215, 375}, InputMethod::Off},
     " 說明:指客戶之<統一編號>   範例:12345675 ",
     " 欄寬: 10bytes    輸入: 數字     範例: 12345670 "},
    {"DATE",
     "建檔日期",
     9,
     {1185, 1575, 1170, 2775},
     800,
     {BoxKind::Text, 0, {3480, 3480, 1095}, {4560, 3480, 1215, 375}, InputMethod::Off},
     " 說明:指客戶之<建檔日期>   範例:2000/8/26 ",
     " 欄寬: 10bytes    輸入: 建檔日期     範例: 2000/08/26 "},
    {"MEMO",
     "備註",
     0,
     {2085, 2775, 2775, 2775},
     4000,
     {BoxKind::Memo, 0, {120, 3960, 735}, {840, 3960, 6855, 855}, InputMethod::On},
     " 說明:指客戶之<備註>   應該永遠也打不到的終點 ",
     " 請盡情享受<無限暢打> "},
});
static_assert(kFields.size() == static_cast<std::size_t>(kFieldCount),
              "one row for each of the twenty fields");

namespace detail {
template <class T, class Member>
constexpr std::array<T, kFieldCount> column(Member member) {
    std::array<T, kFieldCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = kFields[i].*member;
    return out;
}
}  // namespace detail

inline constexpr auto kFieldNames = detail::column<std::string_view>(&FieldInfo::name);
// The Chinese titles by which the user knows the fields.
inline constexpr auto kFieldTitles = detail::column<std::string_view>(&FieldInfo::title);
// Box limits in Big5 bytes; 0 means no limit. The two dates take nine bytes for three-digit years.
inline constexpr auto kFieldWidths = detail::column<int>(&FieldInfo::bytes);

// Position of a field name, any letter case; -1 when it is none of the twenty.
int fieldIndex(std::string_view name);

// BIRTH and DATE hold dates (ROC years), which are checked, compared and shown as dates.
constexpr bool isDateField(int field) {
    return field == BIRTH || field == DATE;
}

// ASCII letters compared without regard to case, as the engine matches identifiers.
bool sameName(std::string_view a, std::string_view b);

}  // namespace store

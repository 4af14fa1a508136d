#include "store/fields.h"

namespace store {

const std::array<std::string_view, kFieldCount> kFieldNames = {
    "NO",       "NAME",     "BIRTH", "SEX",      "BLOOD",   "SELF_NO", "MARRY",
    "TEL_1",    "PHONE",    "CALL",  "ADDR_1",   "COMPANY", "TEL_2",   "ADDR_2",
    "VOCATION", "POSITION", "FAX",   "UNITY_NO", "DATE",    "MEMO",
};

const std::array<std::string_view, kFieldCount> kFieldTitles = {
    "代號",     "姓名",   "生日",   "性別",     "血型",     "身份證字號", "婚姻",
    "住宅電話", "大哥大", "呼叫器", "住宅地址", "公司名稱", "公司電話",   "公司地址",
    "職稱",     "業別",   "傳真機", "統一編號", "建檔日期", "備註",
};

const std::array<int, kFieldCount> kFieldWidths = {
    6, 8, 9, 0, 0, 10, 0, 10, 10, 10, 40, 0, 10, 40, 0, 0, 10, 8, 9, 0,
};

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

int fieldIndex(std::string_view name) {
    for (int i = 0; i < kFieldCount; ++i)
        if (sameName(kFieldNames[i], name)) return i;
    return -1;
}

}  // namespace store

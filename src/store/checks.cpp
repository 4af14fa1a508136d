#include "store/checks.h"

#include "store/dates.h"
#include "store/fields.h"

namespace store::checks {
namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// The two-digit code of an identity number's letter (A = 10 ... Z = 33, as the rule gives them;
// I, O, W, X, Y, Z come out of order). -1 for anything else.
int letterCode(char c) {
    static constexpr int kCodes[26] = {10, 11, 12, 13, 14, 15, 16, 17, 34, 18, 19, 20, 21,
                                       22, 35, 23, 24, 25, 26, 27, 28, 29, 32, 30, 31, 33};
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? kCodes[c - 'A'] : -1;
}

// Whether the text is an identity number in shape (letter, then 1, 2, 8, 9 or A-D, then digits).
bool identityShape(std::string_view t) {
    if (t.size() != 10 || letterCode(t[0]) < 0) return false;
    const char second = t[1];
    const bool oldResident = letterCode(second) >= 10 && letterCode(second) <= 13;
    if (!oldResident && second != '1' && second != '2' && second != '8' && second != '9')
        return false;
    for (std::size_t i = 2; i < t.size(); ++i)
        if (!digit(t[i])) return false;
    return true;
}

bool eightDigits(std::string_view t) {
    if (t.size() != 8) return false;
    for (char c : t)
        if (!digit(c)) return false;
    return true;
}

const bool kPhoneField[kFieldCount] = {false, false, false, false, false, false, false,
                                       true,  true,  true,  false, false, true,  false,
                                       false, false, true,  false, false, false};

std::string phoneProblem(int field, std::string_view value) {
    const auto digits = phoneDigits(value);
    if (!digits) return "電話號碼裡有數字和 - ( ) + # 以外的字";
    const std::size_t n = digits->size();
    if (field == PHONE) {
        if (n != 10 || digits->compare(0, 2, "09") != 0)
            return "大哥大號碼應是 09 開頭的 10 位數字";
        return {};
    }
    // With the area code (0...) 9 or 10 digits, a local number 7 or 8.
    const bool plausible = (*digits)[0] == '0' ? (n == 9 || n == 10) : (n == 7 || n == 8);
    if (!plausible)
        return "電話號碼有 " + std::to_string(n) + " 位數字，不像台灣的電話（區碼加 7 或 8 位）";
    return {};
}

}  // namespace

bool identityNumberValid(std::string_view t) {
    if (!identityShape(t)) return false;
    const int first = letterCode(t[0]);
    // The old resident certificates carry a letter second; its code's last digit stands in.
    const int second = digit(t[1]) ? t[1] - '0' : letterCode(t[1]) % 10;
    int sum = first / 10 + (first % 10) * 9 + second * 8;
    for (std::size_t i = 2; i < 9; ++i) sum += (t[i] - '0') * static_cast<int>(9 - i);
    sum += t[9] - '0';
    return sum % 10 == 0;
}

bool businessNumberValid(std::string_view t) {
    if (!eightDigits(t)) return false;
    static constexpr int kWeights[8] = {1, 2, 1, 2, 1, 2, 4, 1};
    int sum = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const int product = (t[i] - '0') * kWeights[i];
        sum += product / 10 + product % 10;
    }
    // A 7 in the seventh place gives 28, whose digits add to 10: it counts as 1 or as 0.
    if (t[6] == '7') {
        sum -= 9;
        return sum % 5 == 0 || (sum - 1) % 5 == 0;
    }
    return sum % 5 == 0;
}

std::optional<std::string> phoneDigits(std::string_view text) {
    std::string digits;
    bool plus = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (digit(c)) {
            digits += c;
        } else if (c == '#' || text.substr(i).starts_with("分機")) {
            break;  // the extension
        } else if (c == '+') {
            if (!digits.empty()) return std::nullopt;
            plus = true;
        } else if (c != ' ' && c != '-' && c != '(' && c != ')' && c != '.' && c != '/') {
            return std::nullopt;
        }
    }
    dialledInTaiwan(digits, plus);
    if (digits.empty()) return std::nullopt;
    return digits;
}

void dialledInTaiwan(std::string& digits, bool plus) {
    // Taiwan's country code stands for the trunk 0 (+886 2 ..., 886-912-...).
    if (digits.starts_with("886") && (plus || digits.size() >= 11)) digits.replace(0, 3, "0");
}

bool hasCheck(int field) {
    return field == SELF_NO || field == UNITY_NO || isDateField(field) ||
           (field >= 0 && field < kFieldCount && kPhoneField[field]);
}

bool impossibleDate(std::string_view text) {
    const auto day = dates::dayNumber(text);
    if (!day) return true;
    const int year = *day / 10000 + 1911, month = *day / 100 % 100, d = *day % 100;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month < 1 || month > 12 || d < 1 || d > days[month - 1];
}

std::string problem(int field, std::string_view value, bool emptyNameWrong) {
    if (value.empty()) return field == NAME && emptyNameWrong ? "沒有姓名" : "";
    if (field == SELF_NO) {
        if (!identityShape(value))
            return "不像身份證或居留證號碼（1 個英文字母、1 或 2 或 8 或 9 或 A–D、8 個數字）";
        return identityNumberValid(value) ? "" : "身份證字號的檢查碼不對";
    }
    if (field == UNITY_NO) {
        if (!eightDigits(value)) return "統一編號應是 8 個數字";
        return businessNumberValid(value) ? "" : "統一編號的檢查碼不對";
    }
    if (isDateField(field)) {
        if (!dates::dayNumber(value)) return "不是日期";
        return impossibleDate(value) ? "沒有這一天" : "";
    }
    if (field >= 0 && field < kFieldCount && kPhoneField[field]) return phoneProblem(field, value);
    return {};
}

std::vector<Finding> findings(const std::vector<std::string_view>& values) {
    std::vector<Finding> out;
    for (int f = 0; f < kFieldCount && f < static_cast<int>(values.size()); ++f) {
        std::string p = problem(f, values[static_cast<std::size_t>(f)], true);
        if (!p.empty()) out.push_back({f, std::move(p)});
    }
    return out;
}

std::vector<std::vector<std::string>> reportRows(const RecordSet& clients) {
    const auto all = clients.clone();
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string_view> values(kFieldCount);
    for (long i = 0; i < all->recordCount(); ++i) {
        all->valuesAt(i, values);
        for (auto& f : findings(values))
            rows.push_back({std::string(values[NO]), std::string(values[NAME]),
                            std::string(kFieldTitles[static_cast<std::size_t>(f.field)]),
                            std::move(f.problem),
                            std::string(values[static_cast<std::size_t>(f.field)])});
    }
    return rows;
}

}  // namespace store::checks

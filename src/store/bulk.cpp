#include "store/bulk.h"

#include "store/fields.h"
#include "store/text.h"

namespace store::bulk {
namespace {

constexpr int kCodeWidth = kFields[NO].bytes;  // the Big5 bytes NO holds

}  // namespace

int percent(long i, long n) {
    if (n <= 0) return 0;
    if (n < 100) return static_cast<int>(i * (100 / n));
    return static_cast<int>(static_cast<long long>(i) * 100 / n);
}

std::string nextCode(std::string_view code) {
    std::string next(code);
    std::size_t i = next.size();
    for (; i > 0 && next[i - 1] == '9'; --i) next[i - 1] = '0';
    if (i > 0 && next[i - 1] >= '0' && next[i - 1] <= '8')
        ++next[i - 1];
    else
        next.insert(i, "1");  // 999 -> 1000, A99 -> A100
    return next;
}

std::optional<std::string> renumberRefusal(std::string_view start, long count) {
    if (start.empty()) return "請輸入起始代號（例如 A00001），代號沒有重新編排。";
    if (start.back() < '0' || start.back() > '9')
        return "起始代號「" + std::string(start) +
               "」的最後要是數字（例如 A00001），代號沒有重新編排。";
    std::string code(start);
    for (long i = 0; i < count; ++i) {
        if (text::big5Width(code) > kCodeWidth)
            return "代號 " + code + " 超過 NO 欄位的 " + std::to_string(kCodeWidth) +
                   " 個字元寬度（第 " + std::to_string(i + 1) +
                   " 筆），代號沒有重新編排。請輸入較小的起始代號。";
        code = nextCode(code);
    }
    return std::nullopt;
}

}  // namespace store::bulk

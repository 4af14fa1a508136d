#include "store/text.h"

#include <unicode/ucol.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace store::text {
namespace {

const UCollator* collator() {
    static UCollator* const c = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* made = ucol_open("zh_Hant_TW", &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU 無法載入繁體中文排序規則");
        // Secondary strength: case and width are tertiary differences, so they are ignored.
        ucol_setStrength(made, UCOL_SECONDARY);
        // The Chinese rules put Han before Latin; users expect codes and English names first,
        // as the desktop sorts them, and the Han characters in stroke order after them.
        ucol_setReorderCodes(made, nullptr, 0, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU 無法設定排序規則");
        return made;
    }();
    return c;
}

const UNormalizer2* folder() {
    static const UNormalizer2* const n = [] {
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* made = unorm2_getNFKCCasefoldInstance(&status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU 無法載入正規化資料");
        return made;
    }();
    return n;
}

// Text whose folding is plain ASCII lower-casing: printable ASCII and the Chinese ideographs and
// Bopomofo, which have no case or width variants. Almost all client data is plain, and plain text
// can be compared without ICU.
bool isPlain(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        unsigned char b = *p;
        if (b < 0x80) {
            if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return false;
            if (b == 0x7F) return false;
            ++p;
            continue;
        }
        if ((b & 0xF0) != 0xE0 || end - p < 3) return false;
        if ((p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return false;
        unsigned cp = ((b & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        bool ideograph = (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF);
        bool bopomofo = cp >= 0x3105 && cp <= 0x312F;
        if (!ideograph && !bopomofo) return false;
        p += 3;
    }
    return true;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::u16string toUtf16(std::string_view s) {
    std::u16string out(s.size() + 1, u'\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                         &len, s.data(), static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error("文字編碼無法轉換");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

std::string toUtf8(const std::u16string& s) {
    std::string out(s.size() * 3 + 1, '\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &len,
                reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("文字編碼無法轉換");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

// Folds `s` into `out` (reusing its storage).
void foldInto(std::string_view s, std::string& out) {
    if (isPlain(s)) {
        out.resize(s.size());
        for (std::size_t i = 0; i < s.size(); ++i) out[i] = lower(s[i]);
        return;
    }
    std::u16string in = toUtf16(s);
    // Folding usually keeps the length, but one character may become eighteen (U+FDFA): when
    // the guess is short, ICU says how much it needs and the folding runs once more.
    std::u16string folded(in.size() + 8, u'\0');
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t len = unorm2_normalize(
            folder(), reinterpret_cast<const UChar*>(in.data()), static_cast<int32_t>(in.size()),
            reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && static_cast<std::size_t>(len) > folded.size()) {
            folded.assign(static_cast<std::size_t>(len), u'\0');
            continue;
        }
        if (U_FAILURE(status)) throw std::runtime_error("文字無法正規化");
        folded.resize(static_cast<std::size_t>(len));
        break;
    }
    out = toUtf8(folded);
}

bool isWildcard(char c) {
    return c == '*' || c == '%';
}

// Where `needle` first occurs in `hay` at or after `from` (npos when nowhere), in time linear in
// both (Knuth-Morris-Pratt): a long pattern against a long remark must not take seconds.
std::size_t findLinear(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from;
    std::vector<std::size_t> border(needle.size(), 0);
    for (std::size_t i = 1, k = 0; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
        if (needle[i] == needle[k]) ++k;
        border[i] = k;
    }
    for (std::size_t i = from, k = 0; i < hay.size(); ++i) {
        while (k > 0 && hay[i] != needle[k]) k = border[k - 1];
        if (hay[i] == needle[k]) ++k;
        if (k == needle.size()) return i + 1 - k;
    }
    return std::string_view::npos;
}

// Glob match over bytes. The pattern is literal pieces between runs of wildcards: the first piece
// must begin the text, the last must end it, and each one between is taken at its first place
// after the one before, which is always the best choice, so no backtracking is needed. UTF-8 is
// self-synchronising, so a piece can only match at a character boundary.
bool glob(std::string_view p, std::string_view s) {
    const std::size_t firstStar = p.find_first_of("*%");
    if (firstStar == std::string_view::npos) return p == s;
    const std::size_t lastStar = p.find_last_of("*%");
    const std::string_view head = p.substr(0, firstStar);
    const std::string_view tail = p.substr(lastStar + 1);
    if (head.size() + tail.size() > s.size()) return false;
    if (s.substr(0, head.size()) != head || s.substr(s.size() - tail.size()) != tail) return false;
    const std::string_view middle = s.substr(0, s.size() - tail.size());
    std::size_t at = head.size();
    std::size_t i = firstStar;
    while (i < lastStar) {
        while (i < lastStar && isWildcard(p[i])) ++i;
        std::size_t end = i;
        while (end < lastStar && !isWildcard(p[end])) ++end;
        if (end > i) {
            const std::size_t found = findLinear(middle, p.substr(i, end - i), at);
            if (found == std::string_view::npos) return false;
            at = found + (end - i);
        }
        i = end;
    }
    return true;
}

}  // namespace

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

bool storable(std::string_view text) {
    return text.find('\0') == std::string_view::npos && validUtf8(text);
}

int big5Width(std::string_view utf8) {
    int width = 0;
    for (unsigned char b : utf8) {
        if (b < 0x80)
            width += 1;
        else if ((b & 0xC0) != 0x80)
            width += 2;
    }
    return width;
}

std::size_t length(std::string_view utf8) {
    std::size_t n = 0;
    for (unsigned char b : utf8)
        if ((b & 0xC0) != 0x80) ++n;
    return n;
}

std::size_t positionOf(std::string_view utf8, std::size_t byteOffset) {
    return length(utf8.substr(0, std::min(byteOffset, utf8.size()))) + 1;
}

double leadingNumber(std::string_view text) {
    std::string number;
    bool point = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if ((c == '+' || c == '-') && number.empty()) {
            number += c;
        } else if (c >= '0' && c <= '9') {
            number += c;
        } else if (c == '.' && !point) {
            point = true;
            number += c;
        } else {
            break;
        }
    }
    double value = 0;
    if (std::sscanf(number.c_str(), "%lf", &value) != 1) return 0;
    return value;
}

std::string_view trimmed(std::string_view t) {
    constexpr std::string_view kWide = "\u3000";  // the ideographic space
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (bool more = true; more;) {
        more = false;
        if (!t.empty() && blank(t.front())) t.remove_prefix(1), more = true;
        if (!t.empty() && blank(t.back())) t.remove_suffix(1), more = true;
        if (t.starts_with(kWide)) t.remove_prefix(kWide.size()), more = true;
        if (t.ends_with(kWide)) t.remove_suffix(kWide.size()), more = true;
    }
    return t;
}

std::string fold(std::string_view utf8) {
    std::string out;
    foldInto(utf8, out);
    return out;
}

bool equal(std::string_view a, std::string_view b) {
    return EqualTo(a).matches(b);
}

int compare(std::string_view a, std::string_view b) {
    if (a == b) return 0;
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r = ucol_strcollUTF8(collator(), a.data(), static_cast<int32_t>(a.size()),
                                          b.data(), static_cast<int32_t>(b.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("文字無法比較");
    if (r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
    int c = fold(a).compare(fold(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void appendSortKey(std::string_view utf8, std::string& out) {
    thread_local std::vector<UChar> buffer;
    if (buffer.size() < utf8.size() + 1) buffer.resize(utf8.size() + 1);
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(buffer.data(), static_cast<int32_t>(buffer.size()), &len, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error("文字編碼無法轉換");
    std::size_t old = out.size();
    std::size_t room = utf8.size() * 4 + 16;
    out.resize(old + room);
    auto* dest = reinterpret_cast<uint8_t*>(out.data() + old);
    int32_t need =
        ucol_getSortKey(collator(), buffer.data(), len, dest, static_cast<int32_t>(room));
    if (static_cast<std::size_t>(need) > room) {
        out.resize(old + static_cast<std::size_t>(need));
        dest = reinterpret_cast<uint8_t*>(out.data() + old);
        ucol_getSortKey(collator(), buffer.data(), len, dest, need);
    }
    out.resize(old + static_cast<std::size_t>(need));
}

bool isSimpleAscii(std::string_view text) {
    for (char c : text) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  c == ' ' || c == '-' || c == '.' || c == '/';
        if (!ok) return false;
    }
    return true;
}

int compareSimpleAscii(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

LikePattern::LikePattern(std::string_view pattern) : folded_(fold(pattern)) {}

bool LikePattern::matches(std::string_view value) const {
    thread_local std::string buffer;
    foldInto(value, buffer);
    return glob(folded_, buffer);
}

Contains::Contains(std::string_view part) : folded_(fold(part)) {
    for (char c : folded_) hasLetters_ = hasLetters_ || (c >= 'a' && c <= 'z');
}

bool Contains::in(std::string_view value) const {
    if (isPlain(value)) {
        // Plain text folds by lower-casing its ASCII letters alone: looked through in place.
        if (value.size() < folded_.size()) return false;
        if (!hasLetters_) return value.find(folded_) != std::string_view::npos;
        const std::size_t last = value.size() - folded_.size();
        for (std::size_t at = 0; at <= last; ++at) {
            std::size_t i = 0;
            while (i < folded_.size() && lower(value[at + i]) == folded_[i]) ++i;
            if (i == folded_.size()) return true;
        }
        return false;
    }
    thread_local std::string buffer;
    foldInto(value, buffer);
    return std::string_view(buffer).find(folded_) != std::string_view::npos;
}

EqualTo::EqualTo(std::string_view value) : folded_(fold(value)) {}

bool EqualTo::matches(std::string_view value) const {
    if (isPlain(value)) {
        if (value.size() != folded_.size()) return false;
        for (std::size_t i = 0; i < value.size(); ++i)
            if (lower(value[i]) != folded_[i]) return false;
        return true;
    }
    thread_local std::string buffer;
    foldInto(value, buffer);
    return buffer == folded_;
}

}  // namespace store::text

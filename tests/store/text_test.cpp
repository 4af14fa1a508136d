#include "store/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using store::text::compare;
using store::text::equal;

std::string sortKey(const std::string& s) {
    std::string key;
    store::text::appendSortKey(s, key);
    return key;
}

TEST(TextOrder, SurnamesFollowStrokeCountBothByCompareAndBySortKey) {
    const std::vector<std::string> expected = {"丁", "王", "李", "林", "張", "陳", "黃"};
    std::vector<std::string> shuffled = {"黃", "林", "丁", "陳", "李", "張", "王"};

    auto byCompare = shuffled;
    std::sort(byCompare.begin(), byCompare.end(),
              [](const auto& a, const auto& b) { return compare(a, b) < 0; });
    EXPECT_EQ(byCompare, expected);

    auto byKey = shuffled;
    std::sort(byKey.begin(), byKey.end(),
              [](const auto& a, const auto& b) { return sortKey(a) < sortKey(b); });
    EXPECT_EQ(byKey, expected);
}

TEST(TextOrder, EmptyTextSortsFirstAndCaseAndWidthAreIgnored) {
    EXPECT_LT(compare("", "0"), 0);
    EXPECT_LT(compare("Zoe", "丁"), 0);  // Latin before Han, as the desktop sorts
    EXPECT_LT(compare("9", "A"), 0);
    EXPECT_LT(compare("", "丁"), 0);
    EXPECT_LT(compare("apple", "Banana"), 0);
    EXPECT_LT(compare("APPLE", "banana"), 0);
    EXPECT_EQ(compare("ABC", "abc"), 0);
    EXPECT_EQ(compare("ＡＢＣ１", "abc1"), 0);
    EXPECT_EQ(sortKey("ABC"), sortKey("ａｂｃ"));
}

TEST(TextOrder, SimpleAsciiShortcutAgreesWithTheCollator) {
    // Codes, phone numbers and dates are sorted without collation keys; the shortcut must give
    // exactly the collator's order.
    const std::string alphabet = "09aAzZ -./5mM";
    std::vector<std::string> texts = {
        "",         "A1", "a10", "A2", "07-1234", "07 1234", "0712", "88.04.03", "88/04/03",
        "88-04-03", "b",  "B.",  "b-", "-",       ".",       "/",    " "};
    uint32_t seed = 12345;
    for (int i = 0; i < 400; ++i) {
        std::string t;
        for (int n = static_cast<int>((seed = seed * 1103515245 + 12345) >> 16) % 6; n > 0; --n)
            t += alphabet[((seed = seed * 1103515245 + 12345) >> 16) % alphabet.size()];
        texts.push_back(t);
    }
    for (const auto& a : texts) {
        ASSERT_TRUE(store::text::isSimpleAscii(a)) << a;
        for (const auto& b : texts) {
            int byKey = sortKey(a).compare(sortKey(b));
            int fast = store::text::compareSimpleAscii(a, b);
            ASSERT_EQ(byKey < 0, fast < 0) << "'" << a << "' vs '" << b << "'";
            ASSERT_EQ(byKey > 0, fast > 0) << "'" << a << "' vs '" << b << "'";
        }
    }
    EXPECT_FALSE(store::text::isSimpleAscii("A_1"));
    EXPECT_FALSE(store::text::isSimpleAscii("王"));
}

TEST(TextEquality, WholeValuesFoldedForCaseAndWidth) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {{"王小明", "王小明", true},
                 {"王小明", "王小", false},
                 {"王小", "王小明", false},
                 {"A00001", "a00001", true},
                 {"Ａ００００１", "A00001", true},
                 {"M", "Ｍ", true},
                 {"", "", true},
                 {"", " ", false},
                 {"abc ", "abc", false},
                 {"台北市", "臺北市", false},
                 {"AB", "A", false}};
    for (const auto& c : cases) EXPECT_EQ(equal(c.a, c.b), c.equal) << c.a << " = " << c.b;
}

TEST(TextLike, StarAndPercentStandForAnyRun) {
    const struct {
        const char* value;
        const char* pattern;
        bool matches;
    } cases[] = {{"王小明", "王*", true},
                 {"小王", "王*", false},
                 {"宏碁電腦公司", "*電腦*", true},
                 {"電腦", "*電腦*", true},
                 {"電", "*電腦*", false},
                 {"ABC", "a%", true},
                 {"ＡＢＣ", "*b*", true},
                 {"", "*", true},
                 {"x", "", false},
                 {"王小明", "王小明", true},
                 {"王小明", "王", false},
                 {"A+", "A*", true},
                 {"aXbXc", "a*b*c", true},
                 {"aXbX", "a*b*c", false},
                 {"aba", "ab*ba", false},
                 {"abba", "ab*ba", true},
                 {"abab", "*ab", true},
                 {"aab", "**a%b", true},
                 {"ab", "*a*b*", true},
                 {"ba", "*a*b*", false},
                 {"aXaXb", "*a*a*b", true},
                 {"王小明", "*小*", true},
                 {"王明小", "王*小*明", false}};
    for (const auto& c : cases)
        EXPECT_EQ(store::text::LikePattern(c.pattern).matches(c.value), c.matches)
            << c.value << " like " << c.pattern;
}

TEST(TextEquality, FoldingGrowsAsMuchAsACharacterNeeds) {
    // One character may fold into eighteen: ﷺ, also ﷻ and the squared ㌀ and Roman ⅷ.
    const std::string long9 = "ⅷⅷⅷⅷⅷⅷⅷⅷⅷ";
    for (std::string text : {"ﷺ", "ﷻﷻ", "㌀㌀㌀㌀㌀㌀㌀㌀㌀", "ⅷⅷⅷⅷⅷⅷⅷⅷⅷ", "王ﷺ王"}) {
        const std::string folded = store::text::fold(text);
        EXPECT_GT(store::text::length(folded), store::text::length(text)) << text;
        EXPECT_EQ(store::text::fold(folded), folded) << text;
        EXPECT_TRUE(equal(text, folded)) << text;
        EXPECT_TRUE(store::text::LikePattern("*" + text + "*").matches("(" + text + ")")) << text;
    }
    EXPECT_EQ(store::text::fold(long9), "viiiviiiviiiviiiviiiviiiviiiviiiviii");
}

TEST(TextWidth, Big5BytesCountTwoForEveryNonAsciiCharacter) {
    const struct {
        const char* text;
        int width;
    } cases[] = {{"", 0},         {"A00001", 6},    {"王小明", 6},
                 {"歐陽小明", 8}, {"台北市1號", 9}, {"ＡＢ", 4}};
    for (const auto& c : cases) EXPECT_EQ(store::text::big5Width(c.text), c.width) << c.text;
}

}  // namespace

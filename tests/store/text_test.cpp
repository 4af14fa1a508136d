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

TEST(TextEquality, WholeValuesFoldedForCaseAndWidth) {
    using Pair = std::pair<const char*, const char*>;
    const Pair same[] = {{"王小明", "王小明"},
                         {"A00001", "a00001"},
                         {"Ａ００００１", "A00001"},
                         {"M", "Ｍ"},
                         {"", ""}};
    for (const auto& [a, b] : same) EXPECT_TRUE(equal(a, b)) << a << " = " << b;
    const Pair different[] = {{"王小明", "王小"}, {"王小", "王小明"},   {"", " "},
                              {"abc ", "abc"},    {"台北市", "臺北市"}, {"AB", "A"}};
    for (const auto& [a, b] : different) EXPECT_FALSE(equal(a, b)) << a << " = " << b;
}

TEST(TextLike, StarAndPercentStandForAnyRun) {
    using Case = std::pair<const char*, const char*>;  // value, pattern
    const Case matching[] = {{"王小明", "王*"},    {"宏碁電腦公司", "*電腦*"},
                             {"電腦", "*電腦*"},   {"ABC", "a%"},
                             {"ＡＢＣ", "*b*"},    {"", "*"},
                             {"王小明", "王小明"}, {"A+", "A*"},
                             {"aXbXc", "a*b*c"},   {"abba", "ab*ba"},
                             {"abab", "*ab"},      {"aab", "**a%b"},
                             {"ab", "*a*b*"},      {"aXaXb", "*a*a*b"},
                             {"王小明", "*小*"}};
    for (const auto& [value, pattern] : matching)
        EXPECT_TRUE(store::text::LikePattern(pattern).matches(value))
            << value << " like " << pattern;
    const Case notMatching[] = {{"小王", "王*"},  {"電", "*電腦*"},      {"x", ""},
                                {"王小明", "王"}, {"aXbX", "a*b*c"},     {"aba", "ab*ba"},
                                {"ba", "*a*b*"},  {"王明小", "王*小*明"}};
    for (const auto& [value, pattern] : notMatching)
        EXPECT_FALSE(store::text::LikePattern(pattern).matches(value))
            << value << " like " << pattern;
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

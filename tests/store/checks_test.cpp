#include "store/checks.h"

#include <gtest/gtest.h>

#include "store/clientfile.h"
#include "store/errors.h"
#include "store/fields.h"
#include "tempdir.h"

using namespace store;

// Numbers worked out from the published rules: the identity number and the resident
// certificates (letter codes A = 10 ... with I, O, W-Z out of order), the business number's
// weights 1 2 1 2 1 2 4 1 and the 2023 change from "by 10" to "by 5".
TEST(Checks, IdentityNumbersByTheirCheckDigit) {
    struct Case {
        const char* number;
        bool valid;
    } cases[] = {
        {"A123456789", true},   // the published example
        {"B123456780", true},   // the editor's own hint
        {"a123456789", true},   // typed in lower case
        {"A123456788", false},  // check digit off by one
        {"A223456789", false},  // the sex digit changes the sum
        {"I100000012", true},   // I is 34, out of alphabetical order
        {"I100000018", false},  // ... and would be 18 in order
        {"A800000014", true},   // new resident certificate (8 or 9 second)
        {"A900000013", false},
        {"AC01234567", true},  // old resident certificate: the second
                               // letter's last digit
        {"AC01234568", false},
        {"AE01234567", false},  // old certificates' second letters run A to
                                // D only
        {"A12345678", false},   // nine characters
        {"A1234567890", false},
        {"1123456789", false},
        {"A3234567890", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checks::identityNumberValid(c.number), c.valid) << c.number;
}

TEST(Checks, BusinessNumbersUnderTheDivisibleByFiveRule) {
    struct Case {
        const char* number;
        bool valid;
    } cases[] = {
        {"04595257", true},   // sum 40
        {"22099131", true},   // sum 30
        {"12345675", true},   // the editor's hint; seventh digit 7 counted as 1
        {"12345670", true},   // sum 25: valid only since the rule allows 5
        {"10458574", true},   // seventh 7 counted as 0 (sum 20)
        {"10458576", false},  // 22 or 21 with the 7: neither
        {"12345678", false}, {"04595258", false}, {"1234567", false}, {"1234567A", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checks::businessNumberValid(c.number), c.valid) << c.number;
}

TEST(Checks, PhoneDigitsAsDialledInTaiwan) {
    struct Case {
        const char* typed;
        std::optional<std::string> digits;
    } cases[] = {
        {"0912-345-678", "0912345678"},
        {"(02)2345 6789", "0223456789"},
        {"+886 912 345 678", "0912345678"},
        {"886-2-2345-6789", "0223456789"},
        {"02-2345678#123", "022345678"},
        {"02-2345678分機12", "022345678"},
        {"886123", "886123"},  // too short to carry the country code
        {"09l2345678", std::nullopt},
        {"1+2", std::nullopt},
        {"--", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(checks::phoneDigits(c.typed), c.digits) << c.typed;
}

TEST(Checks, FieldProblemsAreHintsForWhatIsTyped) {
    struct Case {
        int field;
        const char* value;
        bool wrong;
    } cases[] = {
        {SELF_NO, "", false},          {SELF_NO, "A123456789", false},
        {SELF_NO, "A123456788", true}, {SELF_NO, "王小明", true},
        {UNITY_NO, "12345675", false}, {UNITY_NO, "12345678", true},
        {UNITY_NO, "1234", true},      {PHONE, "0912-345-678", false},
        {PHONE, "02-23456789", true},  {PHONE, "091234567", true},
        {TEL_1, "02-2345601", false},  {TEL_1, "2345601", false},
        {TEL_1, "02-234", true},       {TEL_1, "0212345678901", true},
        {FAX, "電話", true},           {TEL_2, "+886 4 2345 6789", false},
        {BIRTH, "55.05.20", false},    {BIRTH, "88.02.31", true},
        {BIRTH, "89.02.29", false},    {BIRTH, "90.02.29", true},
        {DATE, "115.12.06", false},    {DATE, "1151306", true},
        {DATE, "去年", true},          {NAME, "", false},
        {MEMO, "anything", false},     {ADDR_1, "12345", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!checks::problem(c.field, c.value).empty(), c.wrong)
            << kFieldNames[static_cast<std::size_t>(c.field)] << " " << c.value;
}

TEST(Checks, FindingsNameEveryFieldAndAnEmptyName) {
    std::vector<std::string_view> values(kFieldCount);
    values[SELF_NO] = "A123456788";
    values[BIRTH] = "88.02.31";
    const auto found = checks::findings(values);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].field, NAME);
    EXPECT_EQ(found[1].field, BIRTH);
    EXPECT_EQ(found[2].field, SELF_NO);
}

TEST(Checks, TheReportListsEveryFindingOfEveryClientInTableOrder) {
    testsupport::TempDir dir;
    std::vector<std::vector<std::string>> clients(3, std::vector<std::string>(kFieldCount));
    clients[0][NO] = "A1", clients[0][NAME] = "王小明", clients[0][SELF_NO] = "A123456789";
    clients[1][NO] = "A2", clients[1][BIRTH] = "88.02.31", clients[1][UNITY_NO] = "12345678";
    clients[2][NO] = "A3", clients[2][NAME] = "李大同", clients[2][PHONE] = "0912-345-678";
    testsupport::writeClients(dir.file("c.db"), clients);
    auto file = ClientFile::open(dir.file("c.db"));
    auto rs = file->records(kClientTable);
    const auto rows = checks::reportRows(*rs);
    const std::vector<std::vector<std::string>> expected = {
        {"A2", "", "姓名", "沒有姓名", ""},
        {"A2", "", "生日", "沒有這一天", "88.02.31"},
        {"A2", "", "統一編號", "統一編號的檢查碼不對", "12345678"},
    };
    EXPECT_EQ(rows, expected);
    auto report = RecordSet::ofRows(checks::kReportColumns, rows);
    EXPECT_EQ(report->recordCount(), 3);
    EXPECT_EQ(report->valueAt(1, report->fieldIndex("問題")), "沒有這一天");
    EXPECT_THROW(report->deleteCurrent(), StoreError);
}

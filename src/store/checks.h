#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/recordset.h"

// Checks that catch typing errors in a client's numbers and dates. They only ever advise: a
// stored file holds wrong numbers the user must still be able to keep and save.
namespace store::checks {

// A Taiwan identity number (A123456789) or resident certificate number, old form (AB12345678)
// or new (A812345678), whose check digit agrees.
bool identityNumberValid(std::string_view text);
// An 8-digit business number (統一編號) whose weighted digit sum is divisible by 5 (the rule
// since 2023; every number valid under the older "by 10" stays valid).
bool businessNumberValid(std::string_view text);

// The digits of a phone number as dialled inside Taiwan: separators dropped, +886 and 886
// before a number read as its leading 0. Nothing when the text holds anything but digits,
// blanks and + - ( ) . / # (an extension after # or 分機 is left out).
std::optional<std::string> phoneDigits(std::string_view text);

// Digits dialled from abroad (886 ...) written as dialled inside Taiwan (0 ...): after a +, or
// when they are too many for a number of their own. `plus`: they followed a +.
void dialledInTaiwan(std::string& digits, bool plus);

// A date field's text that names no day of the calendar (88.02.31, 13 months, letters).
bool impossibleDate(std::string_view text);

// The fields a check knows: identity and business numbers, the phones, the dates.
bool hasCheck(int field);

// What is wrong with one field's value, said for a hint; empty when nothing is or the field has
// no check. An empty value is never wrong, except the name (`emptyNameWrong`).
std::string problem(int field, std::string_view value, bool emptyNameWrong = false);

// Every field of a client (the twenty values) with a problem, with what it is.
struct Finding {
    int field;
    std::string problem;
};
std::vector<Finding> findings(const std::vector<std::string_view>& values);

// The data-check report's rows: one per finding of every client of the table (the record set's
// filter aside), in table order: code, name, the field's title, the problem, the value.
inline const std::vector<std::string> kReportColumns = {"代號", "姓名", "欄位", "問題", "內容"};
std::vector<std::vector<std::string>> reportRows(const RecordSet& clients);

}  // namespace store::checks

#include "store/dates.h"

#include <cstdio>
#include <vector>

#include "store/fields.h"
#include "store/text.h"

namespace store::dates {
namespace {

bool inRange(double v, double above, double below) {
    return v > above && v < below;
}

// YYYY/M/D, the form the hints show: a real day from 1912 (the Republic's year 1) to 2910 (its
// year 999), written as the Republic's date with dots ("1966/5/20" -> "55.05.20").
std::optional<std::string> fromGregorian(std::string_view text) {
    int parts[3] = {0, 0, 0};
    std::size_t lengths[3] = {0, 0, 0}, part = 0;
    for (char c : text) {
        if (c == '/' && part < 2) {
            ++part;
        } else if (c >= '0' && c <= '9' && lengths[part] < 4) {
            parts[part] = parts[part] * 10 + (c - '0');
            ++lengths[part];
        } else {
            return std::nullopt;
        }
    }
    const auto [year, month, day] = parts;
    if (part != 2 || lengths[0] != 4 || lengths[1] < 1 || lengths[1] > 2 || lengths[2] < 1 ||
        lengths[2] > 2 || year < 1912 || year > 2910 || month < 1 || month > 12)
        return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day < 1 || day > days[month - 1]) return std::nullopt;
    char out[32];
    std::snprintf(out, sizeof out, "%02d.%02d.%02d", year - 1911, month, day);
    return out;
}

}  // namespace

std::string stamp(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", year - 1911, month, day);
    return text;
}

std::optional<std::string> check(std::string_view text) {
    if (text.find('/') != std::string_view::npos) return fromGregorian(text);
    // A date is exactly YY.MM.DD or YYY.MM.DD, or the same without dots; nothing may follow it
    // (a ninth character once slipped through a two-digit date and was saved).
    std::string digits;
    std::vector<std::size_t> dots;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c == '.')
            dots.push_back(i);
        else
            return std::nullopt;
    }
    const std::size_t yearDigits = digits.size() == 7 ? 3 : (digits.size() == 6 ? 2 : 0);
    if (yearDigits == 0) return std::nullopt;
    const bool dotted = !dots.empty();
    if (dotted && (dots.size() != 2 || dots[0] != yearDigits || dots[1] != yearDigits + 3))
        return std::nullopt;
    const int year = std::stoi(digits.substr(0, yearDigits));
    const int month = std::stoi(digits.substr(yearDigits, 2));
    const int day = std::stoi(digits.substr(yearDigits + 2, 2));
    if (!inRange(year, 0, yearDigits == 3 ? 1000 : 100) || !inRange(month, 0, 13) ||
        !inRange(day, 0, 32))
        return std::nullopt;
    if (dotted) return std::string(text);
    return digits.substr(0, yearDigits) + "." + digits.substr(yearDigits, 2) + "." +
           digits.substr(yearDigits + 2, 2);
}

bool isDateField(std::string_view name) {
    return store::isDateField(fieldIndex(name));
}

std::optional<int> dayNumber(std::string_view text) {
    const auto date = check(text);
    if (!date) return std::nullopt;
    // check() gives Y.MM.DD with a year of two or three digits.
    const std::size_t firstDot = date->find('.');
    return std::stoi(date->substr(0, firstDot)) * 10000 +
           std::stoi(date->substr(firstDot + 1, 2)) * 100 +
           std::stoi(date->substr(firstDot + 4, 2));
}

namespace {

// Empty text, a date, any other text: the three runs of the date fields' order.
enum Rank { kEmpty = 1, kDate = 2, kOther = 3 };

Rank rankOf(std::string_view text, const std::optional<int>& day) {
    return text.empty() ? kEmpty : (day ? kDate : kOther);
}

}  // namespace

int compare(std::string_view a, std::string_view b) {
    const auto dayA = dayNumber(a), dayB = dayNumber(b);
    const Rank rankA = rankOf(a, dayA), rankB = rankOf(b, dayB);
    if (rankA != rankB) return rankA < rankB ? -1 : 1;
    if (rankA == kDate && *dayA != *dayB) return *dayA < *dayB ? -1 : 1;
    return text::compare(a, b);
}

void appendSortKey(std::string_view text, std::string& out) {
    const auto day = dayNumber(text);
    const Rank rank = rankOf(text, day);
    out += static_cast<char>(rank);
    if (rank == kDate) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>((static_cast<unsigned>(*day) >> shift) & 0xFF);
        // The same day written two ways ("880403" stored by another program) ties by its text.
    }
    if (rank != kEmpty) text::appendSortKey(text, out);
}

}  // namespace store::dates

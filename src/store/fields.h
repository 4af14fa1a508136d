#pragma once

#include <array>
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

extern const std::array<std::string_view, kFieldCount> kFieldNames;
// The Chinese titles by which the user knows the fields.
extern const std::array<std::string_view, kFieldCount> kFieldTitles;
// Box limits in Big5 bytes; 0 means no limit. The two dates take nine bytes for three-digit years.
extern const std::array<int, kFieldCount> kFieldWidths;

// Position of a field name, any letter case; -1 when it is none of the twenty.
int fieldIndex(std::string_view name);

// ASCII letters compared without regard to case, as the engine matches identifiers.
bool sameName(std::string_view a, std::string_view b);

}  // namespace store

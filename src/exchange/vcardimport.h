#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/csvimport.h"

// Clients in from vCard files as phones and web address books write them (vCard 2.1, 3.0 and
// 4.0): each card mapped onto the fields as the export maps them and checked as a CSV row is.
// Plain C++, no Qt.
namespace exchange {

// Reads every card of the file: FN (or N) the name, UID (as the export writes it) the code, TEL
// by type to TEL_1 (home), PHONE (cell), CALL (pager), TEL_2 (work) and FAX, ADR home and work
// to ADDR_1 and ADDR_2, ORG the company, TITLE the job title (VOCATION), ROLE the line of business
// (POSITION), BDAY the birthday as a Republic date, NOTE the remark. What has no field of its own
// (a second mobile number, an e-mail address, a web page) is added to the remark, so nothing is
// lost; properties that are no text (a PHOTO) are named in `ignoredColumns`. A refused card is
// named by its number (`refused[].line`, `cards` set). Line folding, escapes, QUOTED-PRINTABLE
// and CHARSET=BIG5 are undone. Throws ImportError for a file that holds no card.
CheckedImport readClientsVcard(std::string_view bytes, const store::bulk::Progress& progress = {});

// Codes for clients that came without one: the next free codes of the form most codes of the
// table have (A00123 after A00122, skipping any the table holds); A00001 on for an empty table.
std::vector<std::string> freeCodes(const std::vector<std::string>& existing, std::size_t count);

}  // namespace exchange

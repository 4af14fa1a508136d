#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace store {
class RecordSet;
}

// Clients out to a spreadsheet (CSV) or an address book (vCard). Plain C++, no Qt.
namespace exchange {

class ExportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// RFC 4180 through libcsv: UTF-8 with a byte-order mark (so that a spreadsheet on Windows reads
// the Chinese text right), a header of the field names, then every record of `records` in its
// order; each value quoted, line breaks inside a remark kept inside the quotes. A value that
// `csvGuarded` names is written after an apostrophe, so that no spreadsheet runs it as a formula.
void writeCsv(const store::RecordSet& records, const std::vector<int>& columns, std::ostream& out);

// A value that begins with = + - @, a tab, a CR or an apostrophe: written to CSV after one more
// apostrophe, which reading the CSV back takes away.
bool csvGuarded(std::string_view value);

// vCard 4.0 (RFC 6350), one card per client of `records`, UTF-8.
void writeVcards(const store::RecordSet& records, std::ostream& out);

// One vCard property line as written: text escaped by the caller, folded after 75 octets
// without splitting a character.
std::string folded(const std::string& line);

// BIRTH as a vCard date (YYYYMMDD, the Republic year + 1911); empty for text that is no date.
std::string gregorianDate(std::string_view birth);

enum class Format { Csv, Vcard, Workbook };

// The format a file's name asks for: .csv, .vcf or .xlsx in any letter case; nothing otherwise.
std::optional<Format> formatOf(const std::filesystem::path& path);

// Writes `records` to `path` in `format`: CSV or a workbook of `columns`, or a vCard per client.
void writeClients(const store::RecordSet& records, const std::vector<int>& columns,
                  const std::filesystem::path& path, Format format);

// Writes `path` through `write`: into a file beside it that takes its name only when complete.
// Throws ExportError naming the path and the cause.
void writeFile(const std::filesystem::path& path, const std::function<void(std::ostream&)>& write);

}  // namespace exchange

#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace platform {
class Dialogs;
}
namespace store {
class RecordSet;
}

namespace reports {

enum class ExportFormat {
    Csv,
    Vcard,
    Workbook,  // Excel .xlsx
    ByName,    // chosen with the file's name: .vcf vCard, .xlsx a workbook, anything else CSV
};

// Asks where to write `records` (in their order) and writes them there: CSV or a workbook of
// `columns`, or a vCard per client. Nothing is written on Cancel; a failure is shown.
void exportRecords(platform::Dialogs& dialogs, const store::RecordSet& records,
                   const std::vector<int>& columns, ExportFormat format);

// Writes them to `path` in `format`, or as its name says (see ByName). Throws ExportError.
void exportByName(const store::RecordSet& records, const std::vector<int>& columns,
                  const std::filesystem::path& path, std::optional<ExportFormat> format = {});

}  // namespace reports

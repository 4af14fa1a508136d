#pragma once

#include <vector>

namespace store {
class RecordSet;
}

namespace reports {

enum class ExportFormat {
    Csv,
    Vcard,
    ByName,  // chosen with the file's name: .vcf is vCard, anything else CSV
};

// Asks where to write `records` (in their order) and writes them there: CSV of `columns`, or a
// vCard per client. Nothing is written on Cancel; a failure is shown.
void exportRecords(const store::RecordSet& records, const std::vector<int>& columns,
                   ExportFormat format);

}  // namespace reports

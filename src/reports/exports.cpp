#include "reports/exports.h"

#include "exchange/export.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"

namespace reports {

void exportRecords(const store::RecordSet& records, const std::vector<int>& columns,
                   ExportFormat format) {
    const QString csv = QStringLiteral("CSV (*.csv)"), vcard = QStringLiteral("vCard (*.vcf)");
    const QString path = platform::dialogs().saveFileName(
        format == ExportFormat::Vcard ? QStringLiteral("另存 vCard")
                                      : QStringLiteral("匯出客戶資料"),
        format == ExportFormat::Vcard ? QStringLiteral("客戶.vcf") : QStringLiteral("客戶.csv"),
        format == ExportFormat::Csv     ? csv
        : format == ExportFormat::Vcard ? vcard
                                        : csv + ";;" + vcard);
    if (path.isEmpty()) return;
    const bool asVcard =
        format == ExportFormat::Vcard ||
        (format == ExportFormat::ByName && path.endsWith(".vcf", Qt::CaseInsensitive));
    try {
        exchange::writeFile(platform::toStd(path), [&](std::ostream& out) {
            asVcard ? exchange::writeVcards(records, out)
                    : exchange::writeCsv(records, columns, out);
        });
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

}  // namespace reports

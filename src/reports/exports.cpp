#include "reports/exports.h"

#include "exchange/export.h"
#include "platform/dialogs.h"
#include "platform/qtext.h"

namespace reports {

void exportRecords(platform::Dialogs& dialogs, const store::RecordSet& records,
                   const std::vector<int>& columns, ExportFormat format) {
    const QString csv = QStringLiteral("CSV (*.csv)"), vcard = QStringLiteral("vCard (*.vcf)"),
                  excel = QStringLiteral("Excel 活頁簿 (*.xlsx)");
    struct Offer {
        QString title, suggested, filters;
    };
    const Offer offer =
        format == ExportFormat::Csv
            ? Offer{QStringLiteral("另存 CSV"), QStringLiteral("客戶.csv"), csv}
        : format == ExportFormat::Vcard
            ? Offer{QStringLiteral("另存 vCard"), QStringLiteral("客戶.vcf"), vcard}
        : format == ExportFormat::Workbook
            ? Offer{QStringLiteral("另存 Excel 活頁簿"), QStringLiteral("客戶.xlsx"), excel}
            : Offer{QStringLiteral("匯出客戶資料"), QStringLiteral("客戶.xlsx"),
                    excel + ";;" + csv + ";;" + vcard};
    const QString path = dialogs.saveFileName(offer.title, offer.suggested, offer.filters);
    if (path.isEmpty()) return;
    try {
        exportByName(records, columns, platform::toStd(path),
                     format == ExportFormat::ByName ? std::nullopt : std::optional(format));
    } catch (const std::exception& e) {
        platform::showError(e);
    }
}

void exportByName(const store::RecordSet& records, const std::vector<int>& columns,
                  const std::filesystem::path& path, std::optional<ExportFormat> format) {
    using exchange::Format;
    const Format chosen = !format ? exchange::formatOf(path).value_or(Format::Csv)
                          : *format == ExportFormat::Vcard    ? Format::Vcard
                          : *format == ExportFormat::Workbook ? Format::Workbook
                                                              : Format::Csv;
    exchange::writeClients(records, columns, path, chosen);
}

}  // namespace reports

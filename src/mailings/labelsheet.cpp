#include "mailings/labelsheet.h"

#include <QPainter>
#include <array>

#include "platform/appsetup.h"

namespace mailings {
namespace {

// The sizes of type a label's text is tried in, largest first.
constexpr double kLargest = 12, kSmallest = 6;
// A4, and how near its edge an office printer prints.
constexpr double kPaperWidth = 210, kPaperHeight = 297, kPrinterMargin = 4.5;

const std::array<Sheet, 4> kSheets = {{
    {QStringLiteral("2 × 7（99.1 × 38.1 公釐）"), 2, 7, 99.1, 38.1, 4.65, 15.15, 101.6, 38.1},
    {QStringLiteral("3 × 7（63.5 × 38.1 公釐）"), 3, 7, 63.5, 38.1, 7.2, 15.15, 66.0, 38.1},
    {QStringLiteral("3 × 8（70 × 37 公釐）"), 3, 8, 70.0, 37.0, 0.0, 0.5, 70.0, 37.0},
    {QStringLiteral("2 × 10（105 × 29.7 公釐）"), 2, 10, 105.0, 29.7, 0.0, 0.0, 105.0, 29.7},
}};

}  // namespace

QRectF Sheet::label(int slot) const {
    return QRectF(left + (slot % columns) * pitchX, top + (slot / columns) * pitchY, width, height);
}

std::span<const Sheet> sheets() {
    return kSheets;
}

QString sheetProblem(const Sheet& s) {
    if (s.columns < 1 || s.rows < 1) return QStringLiteral("欄數和列數至少要 1。");
    if (s.width < 10 || s.height < 10) return QStringLiteral("標籤的寬和高至少要 10 公釐。");
    if (s.left < 0 || s.top < 0) return QStringLiteral("邊界不能是負的。");
    if ((s.columns > 1 && s.pitchX < s.width - 0.05) || (s.rows > 1 && s.pitchY < s.height - 0.05))
        return QStringLiteral("標籤會重疊：間距要大於或等於標籤的寬和高。");
    const QRectF last = s.label(s.perSheet() - 1);
    if (last.right() > kPaperWidth + 0.05 || last.bottom() > kPaperHeight + 0.05)
        return QStringLiteral("標籤超出 A4 紙（210 × 297 公釐）：最後一張標籤到 %1 × %2 公釐。")
            .arg(last.right(), 0, 'f', 1)
            .arg(last.bottom(), 0, 'f', 1);
    return {};
}

QRectF Sheet::textArea(int slot) const {
    // About 3 mm inside the label, less on a small one; and never nearer the paper's edge than a
    // printer prints, or a sheet without margins loses the first letters of its outer labels.
    const double x = std::min(3.0, width * 0.06), y = std::min(2.0, height * 0.06);
    return label(slot)
        .adjusted(x, y, -x, -y)
        .intersected(QRectF(kPrinterMargin, kPrinterMargin, kPaperWidth - 2 * kPrinterMargin,
                            kPaperHeight - 2 * kPrinterMargin));
}

LabelDocument::LabelDocument(std::unique_ptr<store::RecordSet> rows,
                             std::vector<store::Bookmark> recipients,
                             store::mailing::Choices choices, Sheet sheet, int start)
    : ClientPages(std::move(rows), std::move(recipients), choices),
      sheet_(std::move(sheet)),
      start_(std::clamp(start, 0, sheet_.perSheet() - 1)),
      paper_(platform::report::a4()) {}

int LabelDocument::pageCount() const {
    return mailCount() == 0 ? 1 : pageOf(mailCount() - 1) + 1;
}

Block LabelDocument::fitted(long index) const {
    return fitAcross(addresseeLines(addressee(index)), sheet_.textArea(slotOf(index)).size(),
                     platform::kMingFace, kLargest, kSmallest);
}

bool LabelDocument::isCut(long index) const {
    const auto lines = addresseeLines(addressee(index));
    const QSizeF area = sheet_.textArea(slotOf(index)).size();
    // Most labels are short: those are known to fit without laying their text out.
    return !surelyFitsAcross(lines, area, platform::kMingFace, kLargest) &&
           fitAcross(lines, area, platform::kMingFace, kLargest, kSmallest).cut;
}

void LabelDocument::drawPage(QPainter& painter, int page) const {
    for (int slot = 0; slot < sheet_.perSheet(); ++slot) {
        const long index = static_cast<long>(page) * sheet_.perSheet() + slot - start_;
        if (index < 0) continue;
        if (index >= mailCount()) break;
        draw(painter, fitted(index), sheet_.textArea(slot).topLeft(), platform::kMingFace);
    }
}

}  // namespace mailings

#include "platform/report.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <stdexcept>

#include "platform/qtext.h"
#include "store/recordset.h"

namespace platform::report {
namespace {

constexpr double kTwipsPerPoint = 20.0;

int paperTwips(const QPageLayout& paper, bool width) {
    const QSizeF size = paper.fullRectPoints().size();
    return static_cast<int>((width ? size.width() : size.height()) * kTwipsPerPoint);
}

QFont qfont(const Font& f) {
    return fontInTwips(f.name, f.size, f.bold);
}

// A value wider than its column is printed condensed down to this fraction of its width;
// beyond that it is cut, with a mark, so that a cut value is never read as a whole one.
constexpr double kNarrowest = 0.6;
constexpr double kGap = 45;  // twips, about a millimetre

// Draws `text` whole within `box`: as it is when it fits, else narrowed horizontally; what does
// not fit even at the narrowest is cut at the column's edge and marked with "…". The whole text
// is still written, so a PDF keeps the whole value.
void drawFitted(QPainter& painter, const QRect& box, int flags, const QString& text) {
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(text);
    // Columns sit edge to edge: a value that fills its column keeps a small gap before the next
    // one, or two numbers would read as one.
    const double fits = box.width() - kGap;
    if (width <= fits) {
        painter.drawText(box, flags, text);
        return;
    }
    const double scale = std::max(kNarrowest, fits / width);
    const QString mark = QStringLiteral("…");
    const bool cut = width * scale > fits;
    const double room = cut ? fits / scale - metrics.horizontalAdvance(mark) : width;
    const int unclipped = (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft | Qt::TextDontClip;
    painter.save();
    painter.translate(box.left(), 0);
    painter.scale(scale, 1);
    painter.save();
    if (cut) painter.setClipRect(QRectF(0, box.top(), room, box.height()), Qt::IntersectClip);
    painter.drawText(QRectF(0, box.top(), width, box.height()), unclipped, text);
    painter.restore();
    if (cut) painter.drawText(QRectF(room, box.top(), width, box.height()), unclipped, mark);
    painter.restore();
}

int heightOf(const Definition& d, Section::Role role) {
    const Section* s = d.sectionOf(role);
    return s ? s->height : 0;
}

}  // namespace

Section* Definition::section(const QString& name) {
    for (auto& s : sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

Control* Definition::control(const QString& name) {
    for (auto& s : sections)
        for (auto& c : s.controls)
            if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

const Section* Definition::sectionOf(Section::Role role) const {
    for (const auto& s : sections)
        if (s.role == role) return &s;
    return nullptr;
}

QFont fontInTwips(const QString& face, double points, bool bold) {
    QFont font(face);
    // The painter draws in twips, so the size is given in twips too.
    font.setPixelSize(static_cast<int>(std::lround(points * kTwipsPerPoint)));
    font.setBold(bold);
    return font;
}

QPageLayout a4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

Pages::Pages(const Definition& d, long records, const QPageLayout& paper) : records_(records) {
    const int body = paperTwips(paper, false) - d.topMargin - d.bottomMargin;
    const int detail = std::max(1, heightOf(d, Section::Detail));
    const int frame = heightOf(d, Section::PageHeader) + heightOf(d, Section::PageFooter);
    const int first = body - frame - heightOf(d, Section::ReportHeader);
    const int other = body - frame;
    perFirst_ = std::max(1L, static_cast<long>(first / detail));
    perOther_ = std::max(1L, static_cast<long>(other / detail));
    count_ = records <= perFirst_
                 ? 1
                 : 1 + static_cast<int>((records - perFirst_ + perOther_ - 1) / perOther_);
    // The report footer follows the last record, on a page of its own when there is no room.
    const long onLast = count_ == 1 ? records : records - perFirst_ - (count_ - 2) * perOther_;
    const long room = (count_ == 1 ? first : other) - onLast * detail;
    if (heightOf(d, Section::ReportFooter) > room) ++count_;
}

long Pages::firstRecord(int page) const {
    if (page <= 0) return 0;
    return std::min(records_, perFirst_ + static_cast<long>(page - 1) * perOther_);
}

long Pages::endRecord(int page) const {
    return std::min(records_,
                    page == 0 ? perFirst_ : perFirst_ + static_cast<long>(page) * perOther_);
}

Document::Document(Definition definition, std::unique_ptr<store::RecordSet> rows, QPageLayout paper,
                   QString printDate)
    : definition_(std::move(definition)),
      rows_(std::move(rows)),
      paper_(std::move(paper)),
      printDate_(std::move(printDate)),
      pages_(definition_, rows_ ? rows_->recordCount() : 0, paper_) {}

Document::~Document() = default;

void Document::setOrientation(QPageLayout::Orientation orientation) {
    paper_.setOrientation(orientation);
    pages_ = Pages(definition_, recordCount(), paper_);
}

long Document::recordCount() const {
    return rows_ ? rows_->recordCount() : 0;
}

void Document::drawSection(QPainter& painter, const Section& section, int top, long record) const {
    const int left = definition_.leftMargin;
    for (const Control& c : section.controls) {
        if (!c.visible) continue;
        if (c.kind == Control::Line) {
            painter.setPen(QPen(Qt::black, 15));
            painter.drawLine(left + c.left, top + c.top, left + c.left + c.width, top + c.top);
            continue;
        }
        QString text = c.caption;
        if (c.kind == Control::Label) {
            text.replace(QStringLiteral("%d"), printDate_);
        } else {
            const int column = rows_ ? rows_->fieldIndex(toStd(c.dataField)) : -1;
            text = column >= 0 && record >= 0 ? toQ(rows_->valueAt(record, column)) : QString();
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        if (text.isEmpty()) continue;
        painter.setFont(qfont(c.font));
        painter.setPen(Qt::black);
        const QRect box(left + c.left, top + c.top, c.width, std::max(c.height, 1));
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        if (c.clip)
            drawFitted(painter, box, flags, text);
        else
            painter.drawText(box, flags | Qt::TextDontClip, text);
    }
}

void Document::drawPage(QPainter& painter, int page) const {
    // Columns that run past the paper's printable width are cut at its edge.
    const int paperWidth = paperTwips(paper_, true);
    painter.setClipRect(
        QRect(0, 0, paperWidth - definition_.rightMargin, paperTwips(paper_, false)));
    int y = definition_.topMargin;
    auto put = [&](Section::Role role, long record) {
        if (const Section* s = definition_.sectionOf(role)) {
            drawSection(painter, *s, y, record);
            y += s->height;
        }
    };
    if (pages_.hasReportHeader(page)) put(Section::ReportHeader, -1);
    put(Section::PageHeader, -1);
    for (long r = pages_.firstRecord(page); r < pages_.endRecord(page); ++r)
        put(Section::Detail, r);
    if (pages_.hasReportFooter(page)) put(Section::ReportFooter, -1);
    y = paperTwips(paper_, false) - definition_.bottomMargin -
        heightOf(definition_, Section::PageFooter);
    put(Section::PageFooter, -1);
}

void Printable::printTo(QPagedPaintDevice& device) const {
    // Drawn from the paper's corner: a printer's own margins would move every label and column.
    QPageLayout layout = paper();
    layout.setMode(QPageLayout::FullPageMode);
    if (!device.setPageLayout(layout))
        throw std::runtime_error("印表機不接受這個紙張大小：" + toStd(layout.pageSize().name()));
    QPainter painter;
    if (!painter.begin(&device)) throw std::runtime_error("無法開始列印");
    const double scale = device.logicalDpiX() / 1440.0;
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0 && !device.newPage()) throw std::runtime_error("無法換頁");
        painter.save();
        painter.scale(scale, device.logicalDpiY() / 1440.0);
        drawPage(painter, page);
        painter.restore();
    }
    if (!painter.end()) throw std::runtime_error("列印沒有完成");
}

void Printable::writePdf(const QString& path) const {
    // The PDF writer only says that it could not start; the user needs to know why.
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    auto refuse = [&](const QString& cause) {
        throw std::runtime_error(toStd(QStringLiteral("PDF 檔案 %1 無法寫入：%2。")
                                           .arg(QDir::toNativeSeparators(path), cause)));
    };
    if (!QFileInfo(folder).isDir())
        refuse(QStringLiteral("資料夾 %1 不存在").arg(QDir::toNativeSeparators(folder)));
    if (info.isDir()) refuse(QStringLiteral("這個名稱是一個資料夾"));
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            refuse(
                QFileInfo(folder).isWritable()
                    ? probe.errorString()
                    : QStringLiteral("資料夾 %1 是唯讀的").arg(QDir::toNativeSeparators(folder)));
    }
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("VELKARD"));
        printTo(writer);
    }
    if (!QFile::exists(path) || QFile(path).size() == 0)
        throw std::runtime_error("PDF 檔案無法寫入：" + toStd(path));
}

}  // namespace platform::report

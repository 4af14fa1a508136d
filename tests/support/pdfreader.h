#pragma once

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <vector>

// What a PDF reader finds on a page: its words and where they lie, in points from the top left
// corner, as pdftotext reads them.
namespace testsupport {

struct PdfWord {
    QString text;
    QRectF box;
};

inline std::vector<PdfWord> pdfWords(const QString& pdf, int page) {
    QProcess reader;
    reader.start("pdftotext",
                 {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    std::vector<PdfWord> words;
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) return words;
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    const QString html = QString::fromUtf8(reader.readAllStandardOutput());
    for (auto m = word.globalMatch(html); m.hasNext();) {
        const auto w = m.next();
        words.push_back(
            {w.captured(5), QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                   QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()))});
    }
    return words;
}

inline QString pdfText(const QString& pdf) {
    QProcess reader;
    reader.start("pdftotext", {"-layout", pdf, "-"});
    reader.waitForFinished(30000);
    return QString::fromUtf8(reader.readAllStandardOutput());
}

inline QRectF pointsOf(const QRectF& mm) {
    const double k = 72.0 / 25.4;
    return QRectF(mm.x() * k, mm.y() * k, mm.width() * k, mm.height() * k);
}

}  // namespace testsupport

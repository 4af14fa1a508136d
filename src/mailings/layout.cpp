#include "mailings/layout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/qtext.h"
#include "platform/report.h"
#include "store/addressee.h"

namespace mailings {
namespace {

using platform::report::fontInTwips;
const QString kMore = QStringLiteral("…");

double mm(double twips) {
    return twips / kTwipsPerMm;
}

struct Measure {
    double em;    // a full-width character's width, the widest an address has
    double line;  // from one line to the next
    double cell;  // a character's square in a column
};

// Measured once per face and size: a check of a hundred thousand labels or envelopes asks the
// same few.
const Measure& measure(const QString& face, double points, bool bold) {
    static std::map<std::tuple<QString, long, bool>, Measure> measured;
    const auto key = std::make_tuple(face, std::lround(points * 20), bold);  // the size in twips
    auto found = measured.find(key);
    if (found == measured.end()) {
        const QFontMetricsF metrics(fontInTwips(face, points, bold));
        found = measured
                    .emplace(key, Measure{mm(metrics.horizontalAdvance(QChar(u'國'))),
                                          mm(metrics.lineSpacing()), mm(metrics.height())})
                    .first;
    }
    return found->second;
}

// `text` broken into lines no wider than `width` mm, at word boundaries or between characters;
// each line with its own width.
std::vector<std::pair<QString, double>> wrapped(const QString& text, const QFont& font,
                                                double width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    std::vector<std::pair<QString, double>> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width * kTwipsPerMm);
        lines.emplace_back(text.mid(line.textStart(), line.textLength()).trimmed(),
                           std::min(width, mm(line.naturalTextWidth())));
    }
    layout.endLayout();
    return lines;
}

// The last line kept, ending in the mark of what is left out, still within its box.
void markCut(Piece& last, const QString& face) {
    const QFontMetricsF metrics(fontInTwips(face, last.points, last.bold));
    QString text = last.text;
    while (!text.isEmpty() && mm(metrics.horizontalAdvance(text + kMore)) > last.box.width())
        text.chop(1);
    last.text = text + kMore;
}

// Columns tried from the largest type down; at the smallest, what fitted is kept, its last
// character replaced by the mark of what is left out.
template <class Try>
Block shrinkUntilFits(double largest, double smallest, Try attempt) {
    for (double points = largest; points > smallest - 0.01; points -= 0.5) {
        Block block;
        block.points = points;
        if (attempt(block, points)) return block;
    }
    Block block;
    block.points = smallest;
    attempt(block, smallest);
    block.cut = true;
    if (!block.pieces.empty()) block.pieces.back().text = QStringLiteral("︙");
    return block;
}

}  // namespace

std::vector<Item> addresseeLines(const store::mailing::Addressee& a) {
    std::vector<Item> items;
    if (!a.postcode.empty()) items.push_back({platform::toQ(a.postcode)});
    items.push_back({platform::toQ(a.address)});
    if (!a.company.empty()) items.push_back({platform::toQ(a.company)});
    if (!a.name.empty()) {
        QString name = platform::toQ(a.name);
        if (!a.title.empty()) name += QLatin1Char(' ') + platform::toQ(a.title);
        items.push_back({name + QStringLiteral(" 收"), 1.2, true});
    }
    return items;
}

Block fitAcross(const std::vector<Item>& items, QSizeF box, const QString& face, double largest,
                double smallest) {
    // Each item's lines and their height at a size.
    struct Lines {
        std::vector<std::pair<QString, double>> text;
        double height;
        double points;
        bool bold;
    };
    auto layOut = [&](double points, double& total) {
        std::vector<Lines> out;
        total = 0;
        for (const Item& item : items) {
            const double size = points * item.scale;
            const QFont font = fontInTwips(face, size, item.bold);
            out.push_back({wrapped(item.text, font, box.width()),
                           measure(face, size, item.bold).line, size, item.bold});
            total += static_cast<double>(out.back().text.size()) * out.back().height;
        }
        return out;
    };
    Block block;
    double total = 0;
    std::vector<Lines> lines;
    for (block.points = largest; block.points > smallest - 0.01; block.points -= 0.5) {
        lines = layOut(block.points, total);
        if (total <= box.height() + 1e-6) break;
    }
    if (total > box.height() + 1e-6) {
        // Not even the smallest type holds it all: the longest item (the address, as a rule)
        // loses lines from its end, so the name and the postal code are still printed.
        block.points = smallest;
        lines = layOut(smallest, total);
        block.cut = true;
        Lines* shortened = nullptr;
        while (total > box.height() + 1e-6) {
            auto longest = std::max_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                return a.text.size() < b.text.size();
            });
            if (longest->text.empty()) break;
            longest->text.pop_back();
            total -= longest->height;
            shortened = &*longest;
        }
        if (shortened && !shortened->text.empty()) {
            auto& [text, width] = shortened->text.back();
            Piece last{text, QRectF(0, 0, box.width(), shortened->height), shortened->points,
                       shortened->bold};
            markCut(last, face);
            text = last.text;
            width =
                std::min(box.width(), mm(QFontMetricsF(fontInTwips(face, last.points, last.bold))
                                             .horizontalAdvance(text)));
        }
    }
    double y = 0;
    for (const Lines& item : lines)
        for (const auto& [line, width] : item.text) {
            block.pieces.push_back(
                {line, QRectF(0, y, width, item.height), item.points, item.bold});
            y += item.height;
        }
    return block;
}

bool surelyFitsAcross(const std::vector<Item>& items, QSizeF box, const QString& face,
                      double points) {
    double height = 0;
    for (const Item& item : items) {
        const Measure& size = measure(face, points * item.scale, item.bold);
        bool latin = false;
        for (const QChar c : item.text) {
            const char16_t u = c.unicode();
            const bool wide = (u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFF5E);
            if (!wide && (u < 0x20 || u > 0x7E)) return false;  // a character of unknown width
            latin = latin || !wide;
        }
        const auto perLine = static_cast<long>(box.width() / size.em);
        if (perLine < 1) return false;
        // Words of Latin letters move whole to the next line: one spare line for what that wastes.
        const long lines = (item.text.size() + perLine - 1) / perLine + (latin ? 1 : 0);
        height += static_cast<double>(std::max(1L, lines)) * size.line;
    }
    return height <= box.height();
}

Block fitDown(const std::vector<Item>& items, QSizeF box, const QString& face, double largest,
              double smallest) {
    return shrinkUntilFits(largest, smallest, [&](Block& block, double points) {
        double right = box.width();
        for (const Item& item : items) {
            const double size = points * item.scale;
            const double cell = measure(face, size, item.bold).cell;
            const double pitch = cell * 1.3;  // a column and the gap before the next
            double y = 0;
            bool started = false;
            for (const QChar c : item.text) {
                if (c == QLatin1Char(' ')) {  // a blank is half a cell down the column
                    y += started ? cell / 2 : 0;
                    continue;
                }
                if (y + cell > box.height() + 1e-6) {  // the column is full: the next one
                    right -= pitch;
                    y = 0;
                }
                if (right - cell < -1e-6) return false;
                block.pieces.push_back(
                    {QString(c), QRectF(right - cell, y, cell, cell), size, item.bold, true});
                y += cell;
                started = true;
            }
            right -= pitch;
        }
        return true;
    });
}

QRectF extent(const Block& block) {
    QRectF all;
    for (const Piece& p : block.pieces) all = all.united(p.box);
    return all;
}

void draw(QPainter& painter, const Block& block, QPointF at, const QString& face) {
    painter.setPen(Qt::black);
    for (const Piece& p : block.pieces) {
        painter.setFont(fontInTwips(face, p.points, p.bold));
        const QRectF box = p.box.translated(at);
        painter.drawText(QRectF(box.x() * kTwipsPerMm, box.y() * kTwipsPerMm,
                                box.width() * kTwipsPerMm, box.height() * kTwipsPerMm),
                         p.upright ? int(Qt::AlignCenter)
                                   : int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                         p.text);
    }
}

}  // namespace mailings

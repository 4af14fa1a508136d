#pragma once

#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace store::mailing {
struct Addressee;
}

// Lays out an addressee's lines inside a box, largest type first and smaller until they fit:
// across in lines (labels, Western envelopes) or down in columns from the right (Chinese
// envelopes). Everything is in millimetres from the box's top left corner.
namespace mailings {

inline constexpr double kTwipsPerMm = 1440.0 / 25.4;

struct Piece {
    QString text;
    QRectF box;  // mm; the text lies inside it
    double points;
    bool bold = false;
    bool upright = false;  // one character of a column, centred in its square cell
};

struct Block {
    std::vector<Piece> pieces;
    double points = 0;  // the size the text came out at
    bool cut = false;   // not all of it fitted even at the smallest size; the end shows "…"
};

// One item of a block: a line (or column) of its own, wrapped when long.
struct Item {
    QString text;
    double scale = 1.0;  // against the block's size: a name set larger
    bool bold = false;
};

// The items of an addressee on a label or a Western envelope: postal code, address, company,
// name with title and 收.
std::vector<Item> addresseeLines(const store::mailing::Addressee& a);

// Lines across, wrapped at the box's width; `largest` down to `smallest` points in half points.
Block fitAcross(const std::vector<Item>& items, QSizeF box, const QString& face, double largest,
                double smallest);
// Whether fitAcross would keep every line at `points`, judged without laying the text out (an
// upper bound of each line's width): true only when that is sure.
bool surelyFitsAcross(const std::vector<Item>& items, QSizeF box, const QString& face,
                      double points);
// Columns down, one character a cell, the first column at the right and the next to its left.
Block fitDown(const std::vector<Item>& items, QSizeF box, const QString& face, double largest,
              double smallest);

// The rectangle the block's pieces take.
QRectF extent(const Block& block);

// Draws a block with its top left at `at` (mm) on a painter whose unit is twips.
void draw(QPainter& painter, const Block& block, QPointF at, const QString& face);

}  // namespace mailings

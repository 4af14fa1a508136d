#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

namespace platform {

// A command button: caption in bold 新細明體 12 points, at a place in pixels.
// What a screen reader says for a button with this English caption; empty: the caption itself.
QString spokenName(const QString& caption);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& place);

// The window or label's own background, and its text colour.
void setBackground(QWidget* widget, const QColor& color);
void setTextColor(QWidget* widget, const QColor& color);

}  // namespace platform

#pragma once

#include <QRect>
#include <cmath>

namespace platform {

// Places and sizes are given in twips; 15 twips make one logical pixel.
inline int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

inline QRect rectTwips(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// Widens a label placed in twips whose text the font here draws wider than the design allowed,
// so that the text is never cut off.
template <class Label>
void fitText(Label* label) {
    if (label->sizeHint().width() > label->width())
        label->resize(label->sizeHint().width(), label->height());
}

}  // namespace platform

#pragma once

#include <QFrame>
#include <vector>

class QLabel;
class QTimer;

namespace platform {

// A status bar of seven panels: two text panels, Caps Lock, Num Lock, Insert, time and date.
// Panels count from 1; the bar keeps panels 3 to 7 current by itself.
class StatusBar : public QFrame {
    Q_OBJECT
  public:
    // The panels, counted from 1 as the windows name them.
    enum Panel { Counter = 1, Marker, CapsLock, NumLock, Insert, Time, Date };

    explicit StatusBar(QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    QLabel* panel(int panel) const;
    // Reads the clock and the keyboard again.
    void refresh();
    // The lock panels for these states (`known` false: the desktop does not tell them).
    void showLockKeys(bool known, bool capsLock, bool numLock);

  private:
    std::vector<QLabel*> panels_;
    QTimer* timer_;
};

// The keyboard's lock lights; false when the desktop does not tell them (offscreen, Wayland).
bool readLockKeys(bool& capsLock, bool& numLock);

}  // namespace platform

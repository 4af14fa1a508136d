#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include "platform/datacontrol.h"
#include "store/fields.h"

namespace platform {

// Whether a box opens the Chinese input method when it has the focus: the fields' own setting.
using ImeMode = store::InputMethod;

// Leaving a box by switching to another program or opening a menu is not leaving it.
bool leavesTheBox(const QFocusEvent* event);

// Drops the box's list down below it, sized by the first entries only: a list over a million
// records opens at once.
void dropDownBelow(QComboBox* box);

// Makes a drop-down box change its entry only when the user really picks one (from the list,
// or with the arrow keys while it has the focus): text typed into it stays typed text even when
// it matches an entry (Qt would pick that entry when the focus leaves or Enter is pressed), and
// the mouse wheel over a box without the focus scrolls nothing.
void takeOnlyRealPicks(QComboBox* box);

// Opens the box's list at least as wide as its widest entry, now and whenever entries change,
// so no entry is shown cut short.
void fitListToEntries(QComboBox* box);

// The width a box or grid cell needs to show a whole date with a three-digit year
// ("115.12.06") in `metrics`' font, margins included.
int dateWidth(const QFontMetrics& metrics);
// Widens the box, if need be and only as much as needed, to show a whole such date, and one
// typed as 1999/12/31.
void widenForDate(QLineEdit* box);

// The background of a box (its text area).
void setBoxColor(QWidget* box, const QColor& color);

// A one-line text box with a length limit counted in Big5 bytes, a per-box input-method setting
// and the events the windows handle (key down with its key code, focus, click).
class TextBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent = nullptr);

    // 0 means no limit.
    void setByteLimit(int bytes);

    void setImeMode(ImeMode mode);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // How the focus last left the box: by a click elsewhere, Tab, ...
    Qt::FocusReason leftBy() const { return leftBy_; }

  signals:
    void keyDown(int keyCode);
    void gotFocus();
    void lostFocus();
    void clicked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Typing through an input method is typing too: it reports a key down.
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    int byteLimit_ = 0;
    ImeMode ime_ = ImeMode::Unchanged;
    Qt::FocusReason leftBy_ = Qt::OtherFocusReason;
};

// Keeps a box showing one field of a data control's current record and writes what the user
// types into the pending record.
class FieldBinding : public QObject {
    Q_OBJECT
  public:
    FieldBinding(QObject* owner, DataControl* control, const QString& field);
    QString field() const { return field_; }
    DataControl* control() const { return control_; }
    QString value() const;
    // The user's text; false (and a beep) when there is no record to take it.
    bool write(const QString& text);

  signals:
    void refresh();

  private:
    int column() const;

    QPointer<DataControl> control_;
    QString field_;
};

class BoundTextBox : public TextBox {
    Q_OBJECT
  public:
    explicit BoundTextBox(QWidget* parent = nullptr) : TextBox(parent) {}
    void bind(DataControl* control, const QString& field);
    QString field() const { return binding_ ? binding_->field() : QString(); }

  private:
    void showValue();
    FieldBinding* binding_ = nullptr;
};

// A box of several lines with a vertical scroll bar, bound like a text box; Enter starts a new
// line.
class BoundMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit BoundMemo(QWidget* parent = nullptr);
    void bind(DataControl* control, const QString& field);
    void setImeMode(ImeMode mode);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  signals:
    void keyDown(int keyCode);
    void gotFocus();
    void lostFocus();
    void clicked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void showValue();
    FieldBinding* binding_ = nullptr;
    ImeMode ime_ = ImeMode::Unchanged;
    bool showing_ = false;
};

// A read-only label showing one field of the current record.
class BoundLabel : public QLabel {
    Q_OBJECT
  public:
    explicit BoundLabel(QWidget* parent = nullptr) : QLabel(parent) {}
    void bind(DataControl* control, const QString& field);

  private:
    FieldBinding* binding_ = nullptr;
};

// A drop-down list that also takes typed text, bound like a text box.
class BoundComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit BoundComboBox(QWidget* parent = nullptr);
    void bind(DataControl* control, const QString& field);
    // The list entries; the box keeps showing its field.
    void setEntries(const QStringList& entries);
    TextBox* textBox() const { return box_; }

  signals:
    void keyDown(int keyCode);
    void gotFocus();
    void lostFocus();
    void clicked();
    void picked();  // an entry was chosen from the list

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void showValue();
    TextBox* box_;
    FieldBinding* binding_ = nullptr;
};

}  // namespace platform

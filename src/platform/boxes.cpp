#include "platform/boxes.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QListView>
#include <QProxyStyle>
#include <QValidator>

#include "platform/dialogs.h"
#include "platform/keys.h"
#include "platform/qtext.h"
#include "store/errors.h"
#include "store/text.h"

namespace platform {
namespace {

// Keeps a box's text within the limit in Big5 bytes. What was just typed or pasted ends at the
// cursor: as much of it is kept as fits, cut at a character boundary, so a paste of a longer
// text inserts its beginning instead of nothing. What is not taken is announced with a beep:
// "02-27001234" must not quietly become "02-2700123".
class ByteLimit : public QValidator {
  public:
    ByteLimit(int bytes, QObject* parent) : QValidator(parent), bytes_(bytes) {}
    State validate(QString& input, int& pos) const override {
        if (width(input) > bytes_) dialogs().beep();
        while (width(input) > bytes_) {
            if (pos <= 0) return Invalid;  // nothing before the cursor to give up
            const int from =
                pos > 1 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate()
                    ? pos - 2
                    : pos - 1;
            input.remove(from, pos - from);
            pos = from;
        }
        return Acceptable;
    }

  private:
    static int width(const QString& text) { return store::text::big5Width(text.toStdString()); }
    int bytes_;
};

// The popup style (list over the box) measures every entry before it opens.
class ListBelowStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// Eats the wheel over a drop-down box that does not have the focus: scrolling the window past
// it must not change a client's blood type.
class WheelOnlyWithFocus : public QObject {
  public:
    explicit WheelOnlyWithFocus(QComboBox* box) : QObject(box), box_(box) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        const bool focused = box_->hasFocus() || (box_->lineEdit() && box_->lineEdit()->hasFocus());
        if (focused) return false;
        event->ignore();
        return true;
    }

  private:
    QComboBox* box_;
};

// A box's answer to "do you take the input method?": its own setting, or Qt's when unchanged.
QVariant imeAnswer(ImeMode mode, const QVariant& qtAnswer) {
    return mode == ImeMode::Unchanged ? qtAnswer : QVariant(mode == ImeMode::On);
}

// A running input method only lets go of a box that says it takes none, when asked again.
void askImeAgain(ImeMode mode) {
    if (mode != ImeMode::Unchanged) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

}  // namespace

void dropDownBelow(QComboBox* box) {
    auto* style = new ListBelowStyle;
    style->setParent(box);
    box->setStyle(style);
    if (auto* list = qobject_cast<QListView*>(box->view())) list->setUniformItemSizes(true);
}

bool leavesTheBox(const QFocusEvent* event) {
    const Qt::FocusReason r = event->reason();
    return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason &&
           r != Qt::MenuBarFocusReason;
}

void takeOnlyRealPicks(QComboBox* box) {
    if (QLineEdit* edit = box->lineEdit()) {
        // Qt matches the typed text against the entries at these two signals.
        QObject::disconnect(edit, &QLineEdit::editingFinished, box, nullptr);
        QObject::disconnect(edit, &QLineEdit::returnPressed, box, nullptr);
        edit->installEventFilter(new WheelOnlyWithFocus(box));
    }
    box->setFocusPolicy(Qt::StrongFocus);
    box->installEventFilter(new WheelOnlyWithFocus(box));
}

void fitListToEntries(QComboBox* box) {
    auto fit = [box] {
        QAbstractItemView* list = box->view();
        int widest = 0;
        for (int i = 0; i < box->count(); ++i)
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(box->itemText(i)));
        const int chrome = 2 * list->frameWidth() + 16 +
                           list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
        list->setMinimumWidth(widest + chrome);
    };
    QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, box, fit);
    QObject::connect(box->model(), &QAbstractItemModel::modelReset, box, fit);
    fit();
}

int dateWidth(const QFontMetrics& metrics) {
    return metrics.horizontalAdvance(QStringLiteral("000.00.00")) + 12;
}

void widenForDate(QLineEdit* box) {
    const QMargins text = box->textMargins();
    // Room for a date as it is typed (1999/12/31) and as it is kept (115.12.31).
    const int typed = box->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 12;
    const int need = std::max(dateWidth(box->fontMetrics()), typed) + text.left() + text.right();
    if (box->width() < need) box->resize(need, box->height());
}

void setBoxColor(QWidget* box, const QColor& color) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, color);
    box->setPalette(p);
    if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(p);
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {}

void TextBox::setByteLimit(int bytes) {
    byteLimit_ = bytes;
    if (auto* old = validator()) const_cast<QValidator*>(old)->deleteLater();
    setValidator(bytes > 0 ? new ByteLimit(bytes, this) : nullptr);
}

void TextBox::setImeMode(ImeMode mode) {
    ime_ = mode;
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QVariant qt = QLineEdit::inputMethodQuery(query);
    return query == Qt::ImEnabled ? imeAnswer(ime_, qt) : qt;
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    emit keyDown(keyCode(event));
    QLineEdit::keyPressEvent(event);
}

void TextBox::inputMethodEvent(QInputMethodEvent* event) {
    if (isReadOnly()) return event->ignore();  // Qt's box would take the committed text
    emit keyDown(kKeyProcess);
    QLineEdit::inputMethodEvent(event);
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    askImeAgain(ime_);
    emit gotFocus();
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    leftBy_ = event->reason();
    if (leavesTheBox(event)) emit lostFocus();
}

void TextBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    emit clicked();
}

FieldBinding::FieldBinding(QObject* owner, DataControl* control, const QString& field)
    : QObject(owner), control_(control), field_(field) {
    // A screen reader says the title the user knows the field by, not its column name.
    if (auto* widget = qobject_cast<QWidget*>(owner))
        if (const int i = store::fieldIndex(field.toStdString()); i >= 0)
            widget->setAccessibleName(toQ(store::kFields[static_cast<std::size_t>(i)].title));
    connect(control, &DataControl::changed, this, &FieldBinding::refresh);
    connect(control, &DataControl::recordSetReplaced, this, &FieldBinding::refresh);
}

int FieldBinding::column() const {
    store::RecordSet* rs = control_ ? control_->recordSet() : nullptr;
    return rs ? rs->fieldIndex(field_.toStdString()) : -1;
}

QString FieldBinding::value() const {
    int c = column();
    if (c < 0) return {};
    auto v = control_->recordSet()->value(c);
    return toQ(v);
}

bool FieldBinding::write(const QString& text) {
    int c = column();
    if (c < 0) return false;
    try {
        control_->recordSet()->setValue(c, text.toStdString());
        return true;
    } catch (const store::StoreError&) {
        dialogs().beep();  // no current record to type into
        emit refresh();
        return false;
    }
}

void BoundTextBox::bind(DataControl* control, const QString& field) {
    delete binding_;
    binding_ = new FieldBinding(this, control, field);
    connect(binding_, &FieldBinding::refresh, this, &BoundTextBox::showValue);
    connect(this, &QLineEdit::textEdited, binding_, &FieldBinding::write);
    showValue();
}

void BoundTextBox::showValue() {
    QString v = binding_->value();
    if (v != text()) setText(v);
}

void BoundLabel::bind(DataControl* control, const QString& field) {
    delete binding_;
    binding_ = new FieldBinding(this, control, field);
    auto show = [this] { setText(binding_->value()); };
    connect(binding_, &FieldBinding::refresh, this, show);
    show();
}

BoundMemo::BoundMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_ && binding_) binding_->write(toPlainText());
    });
}

void BoundMemo::bind(DataControl* control, const QString& field) {
    delete binding_;
    binding_ = new FieldBinding(this, control, field);
    connect(binding_, &FieldBinding::refresh, this, &BoundMemo::showValue);
    showValue();
}

void BoundMemo::showValue() {
    QString v = binding_->value();
    if (v == toPlainText()) return;
    showing_ = true;
    setPlainText(v);
    showing_ = false;
}

void BoundMemo::setImeMode(ImeMode mode) {
    ime_ = mode;
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

QVariant BoundMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QVariant qt = QPlainTextEdit::inputMethodQuery(query);
    return query == Qt::ImEnabled ? imeAnswer(ime_, qt) : qt;
}

void BoundMemo::keyPressEvent(QKeyEvent* event) {
    emit keyDown(keyCode(event));
    QPlainTextEdit::keyPressEvent(event);
}

void BoundMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (isReadOnly()) return event->ignore();
    emit keyDown(kKeyProcess);
    QPlainTextEdit::inputMethodEvent(event);
}

void BoundMemo::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    askImeAgain(ime_);
    emit gotFocus();
}

void BoundMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (leavesTheBox(event)) emit lostFocus();
}

void BoundMemo::mousePressEvent(QMouseEvent* event) {
    QPlainTextEdit::mousePressEvent(event);
    emit clicked();
}

BoundComboBox::BoundComboBox(QWidget* parent) : QComboBox(parent), box_(new TextBox(this)) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setLineEdit(box_);
    setCompleter(nullptr);
    connect(box_, &TextBox::keyDown, this, &BoundComboBox::keyDown);
    connect(box_, &TextBox::gotFocus, this, &BoundComboBox::gotFocus);
    connect(box_, &TextBox::lostFocus, this, &BoundComboBox::lostFocus);
    connect(box_, &TextBox::clicked, this, &BoundComboBox::clicked);
    connect(this, &QComboBox::activated, this, [this](int) {
        if (binding_) binding_->write(currentText());
        emit picked();
    });
    takeOnlyRealPicks(this);
    fitListToEntries(this);
}

void BoundComboBox::bind(DataControl* control, const QString& field) {
    delete binding_;
    binding_ = new FieldBinding(this, control, field);
    connect(binding_, &FieldBinding::refresh, this, &BoundComboBox::showValue);
    connect(box_, &QLineEdit::textEdited, binding_, &FieldBinding::write);
    showValue();
}

void BoundComboBox::setEntries(const QStringList& entries) {
    clear();
    addItems(entries);
    setCurrentIndex(-1);
    if (binding_) {
        setEditText(QString());
        showValue();
    }
}

void BoundComboBox::showValue() {
    // The list stands on the shown value's entry (or none), so that the arrow keys pick from
    // there and not from an earlier record's entry.
    const QString v = binding_->value();
    const int entry = findText(v, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry != currentIndex()) setCurrentIndex(entry);
    if (v != currentText()) setEditText(v);
}

void BoundComboBox::mousePressEvent(QMouseEvent* event) {
    emit clicked();
    QComboBox::mousePressEvent(event);
}

}  // namespace platform

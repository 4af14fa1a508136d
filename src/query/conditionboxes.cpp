#include "query/conditionboxes.h"

#include <QComboBox>
#include <QLineEdit>

#include "platform/boxes.h"
#include "platform/qtext.h"
#include "platform/twips.h"

namespace query {

QComboBox* makeListBox(QWidget* parent, const QString& name, int left, int top, int width,
                       const QStringList& entries) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->addItems(entries);
    box->setCurrentIndex(-1);
    box->setGeometry(platform::rectTwips(left, top, width, 360));
    platform::takeOnlyRealPicks(box);
    platform::fitListToEntries(box);
    // A picked entry longer than the box shows its beginning.
    QObject::connect(box, &QComboBox::currentIndexChanged, box,
                     [box] { box->lineEdit()->setCursorPosition(0); });
    return box;
}

QLineEdit* makeValueBox(QWidget* parent, const QString& name, int left, int top, int width) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(platform::rectTwips(left, top, width, 375));
    return box;
}

void paint(QWidget* box, const QColor& color) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, color);
    p.setColor(QPalette::Button, color);
    box->setPalette(p);
    if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(p);
}

int pickedPosition(const QComboBox* box) {
    const int i = box->currentIndex();
    return i >= 0 && box->itemText(i) == box->currentText() ? i : -1;
}

QStringList operatorEntries() {
    QStringList list;
    for (const char* e : kOperators) list << QString::fromUtf8(e);
    return list;
}

QStringList connectorEntries() {
    QStringList list;
    for (const char* e : kConnectors) list << QString::fromUtf8(e);
    return list;
}

ConditionRow readRow(const QString& field, const QComboBox* op, const QLineEdit* value,
                     const QComboBox* connector) {
    ConditionRow row;
    row.field = platform::toStd(field);
    row.operatorText = platform::toStd(op->currentText());
    row.operatorPosition = pickedPosition(op);
    row.value = platform::toStd(value->text());
    if (connector) {
        row.connectorText = platform::toStd(connector->currentText());
        row.connectorPosition = pickedPosition(connector);
    }
    return row;
}

void clearBox(QComboBox* box) {
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

void nameRow(int row, QWidget* connector, QWidget* field, QWidget* op, QWidget* value) {
    const QString n = QString::number(row + 1);
    if (connector)
        connector->setAccessibleName(QStringLiteral("條件%1 與前一個條件：而且或或").arg(n));
    field->setAccessibleName(QStringLiteral("條件%1 的欄位").arg(n));
    op->setAccessibleName(QStringLiteral("條件%1 的比較方式").arg(n));
    value->setAccessibleName(QStringLiteral("條件%1 的值").arg(n));
}

}  // namespace query

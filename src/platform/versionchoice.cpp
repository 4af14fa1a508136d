#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/widgets.h"

namespace platform {

// A table of the fields both desks changed: read, stored by the other desk, typed here, and a
// box to keep what was typed (ticked: nothing typed is lost unless the user unticks it).
std::optional<std::vector<bool>> QtDialogs::chooseVersions(
    const QString& text, const std::vector<FieldVersions>& fields) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName("VersionChoice");
    dialog.setWindowTitle(QStringLiteral("另一台電腦也改了這位客戶"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* table = new QTableWidget(static_cast<int>(fields.size()), 5, &dialog);
    table->setObjectName("Versions");
    table->setHorizontalHeaderLabels({QStringLiteral("欄位"), QStringLiteral("讀取時"),
                                      QStringLiteral("對方存的"), QStringLiteral("你輸入的"),
                                      QStringLiteral("保留你的")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    std::vector<QCheckBox*> keep;
    for (int r = 0; r < static_cast<int>(fields.size()); ++r) {
        const FieldVersions& f = fields[static_cast<std::size_t>(r)];
        const QString cells[4] = {f.field, f.read, f.stored, f.typed};
        for (int c = 0; c < 4; ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
        auto* box = new QCheckBox(&dialog);
        box->setObjectName(QStringLiteral("Keep(%1)").arg(r));
        box->setChecked(true);
        table->setCellWidget(r, 4, box);
        keep.push_back(box);
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* save = buttons->addButton(QStringLiteral("存檔"), QDialogButtonBox::AcceptRole);
    save->setObjectName("Save");
    buttons->addButton(QStringLiteral("返回編輯"), QDialogButtonBox::RejectRole)
        ->setObjectName("Back");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(620, 200 + 30 * static_cast<int>(fields.size()));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<bool> chosen;
    for (QCheckBox* box : keep) chosen.push_back(box->isChecked());
    return chosen;
}

}  // namespace platform

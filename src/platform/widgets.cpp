#include "platform/widgets.h"

#include <QPushButton>
#include <map>

#include "platform/appsetup.h"

namespace platform {

QString spokenName(const QString& caption) {
    // The windows' English captions, as a screen reader should say them to the clerk.
    static const std::map<QString, QString> names = {
        {"ADD", "新增"},           {"DELETE", "刪除"},       {"SAVE", "存檔"},
        {"CANCEL", "取消"},        {"CONDIT", "條件查詢"},   {"QUICK", "泛查"},
        {"PRINTER", "列印"},       {"END", "結束"},          {"HOIST", "由小到大排序"},
        {"LOWER", "由大到小排序"}, {"EXECUTE", "執行"},      {"DECIDE", "確定"},
        {"BACKUP", "備份"},        {"IMPORT", "匯入"},       {"REPORT", "存下不能匯入的原因"},
        {"MOVE", "移回"},          {"ALL MOVE", "全部移回"},
    };
    const auto it = names.find(caption);
    return it == names.end() ? QString() : it->second;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& place) {
    auto* b = new QPushButton(caption, parent);
    b->setAccessibleName(spokenName(caption));
    b->setObjectName(name);
    b->setGeometry(place);
    b->setFont(mingFont(12, true));
    return b;
}

void setBackground(QWidget* widget, const QColor& color) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    widget->setPalette(p);
}

}  // namespace platform

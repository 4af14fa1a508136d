#include "mailings/addresseebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace mailings {

AddresseeBox::AddresseeBox(QWidget* parent)
    : QWidget(parent),
      AddressBox(new QComboBox(this)),
      CompanyBox(new QCheckBox(QStringLiteral("印公司名稱"), this)),
      TitleBox(new QComboBox(this)) {
    AddressBox->setObjectName("AddressBox");
    AddressBox->setAccessibleName(QStringLiteral("地址"));
    AddressBox->addItem(QStringLiteral("住宅地址"), static_cast<int>(store::ADDR_1));
    AddressBox->addItem(QStringLiteral("公司地址"), static_cast<int>(store::ADDR_2));
    CompanyBox->setObjectName("CompanyBox");
    TitleBox->setObjectName("TitleBox");
    TitleBox->setAccessibleName(QStringLiteral("稱呼"));
    TitleBox->addItems(
        {QStringLiteral("先生／小姐（依性別）"), QStringLiteral("君"), QStringLiteral("不加稱呼")});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* address = new QLabel(QStringLiteral("地址："), this);
    address->setBuddy(AddressBox);
    layout->addWidget(address);
    layout->addWidget(AddressBox);
    layout->addWidget(CompanyBox);
    auto* title = new QLabel(QStringLiteral("稱呼："), this);
    title->setBuddy(TitleBox);
    layout->addWidget(title);
    layout->addWidget(TitleBox);
    layout->addStretch(1);
    connect(AddressBox, &QComboBox::activated, this, &AddresseeBox::changed);
    connect(TitleBox, &QComboBox::activated, this, &AddresseeBox::changed);
    connect(CompanyBox, &QCheckBox::toggled, this, &AddresseeBox::changed);
}

namespace {

// A few codes, then how many more.
QString someCodes(const std::vector<std::string>& codes) {
    QStringList shown;
    for (std::size_t i = 0; i < codes.size() && i < 10; ++i)
        shown << QString::fromStdString(codes[i]);
    QString out = shown.join(QStringLiteral("、"));
    if (codes.size() > 10) out += QStringLiteral(" 等");
    return out;
}

}  // namespace

QString AddresseeBox::notice(long listed, const store::mailing::Recipients& recipients,
                             const std::vector<std::string>& cut, const QString& piece,
                             const QString& pages) const {
    QString out = QStringLiteral("瀏覽清單的 %1 位客戶，%2 %3%4。")
                      .arg(listed)
                      .arg(recipients.rows.size())
                      .arg(piece, pages);
    if (!recipients.without.empty())
        out += QStringLiteral("\n%1 位客戶沒有%2，沒有印：%3")
                   .arg(recipients.without.size())
                   .arg(AddressBox->currentText(), someCodes(recipients.without));
    if (!cut.empty())
        out += QStringLiteral("\n%1 %2的字太多，最小的字也放不下，印出來以「…」結尾：%3")
                   .arg(cut.size())
                   .arg(piece, someCodes(cut));
    return out;
}

store::mailing::Choices AddresseeBox::choices() const {
    store::mailing::Choices c;
    c.address = static_cast<store::Field>(AddressBox->currentData().toInt());
    c.company = CompanyBox->isChecked();
    c.title = static_cast<store::mailing::Title>(TitleBox->currentIndex());
    return c;
}

}  // namespace mailings

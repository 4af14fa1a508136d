#include "mailings/form63.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "mailings/addresseebox.h"
#include "mailings/envelope.h"
#include "platform/browselist.h"
#include "platform/reportpreview.h"
#include "platform/workspace.h"

namespace {

// Where the program keeps what the user entered once (the same place as the server's address).
QSettings settings() {
    return QSettings(QStringLiteral("VELKARD"), QStringLiteral("VELKARD"));
}

}  // namespace

Form63::Form63()
    : EnvelopeBox(new QComboBox(this)),
      Addressee(new mailings::AddresseeBox(this)),
      SenderName(new QLineEdit(this)),
      SenderPostcode(new QLineEdit(this)),
      SenderAddress(new QLineEdit(this)),
      ShowEnvelopes(new QPushButton(QStringLiteral("列出"), this)),
      Notice(new QLabel(this)),
      preview(new platform::report::Preview(this)) {
    setObjectName("Form63");
    setWindowTitle(QStringLiteral("信封"));
    resize(820, 700);
    EnvelopeBox->setObjectName("EnvelopeBox");
    EnvelopeBox->setAccessibleName(QStringLiteral("信封"));
    for (const auto& e : mailings::envelopes()) EnvelopeBox->addItem(e.name);
    ShowEnvelopes->setObjectName("ShowEnvelopes");
    Notice->setObjectName("Notice");
    Notice->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(6, 6, 6, 0);
    auto labelled = [&](const QString& caption, QWidget* box, int row, int column, int span) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1, 1, span);
    };
    labelled(QStringLiteral("信封："), EnvelopeBox, 0, 0, 3);
    grid->addWidget(ShowEnvelopes, 0, 4);
    grid->addWidget(Addressee, 1, 0, 1, 6);
    SenderName->setObjectName("SenderName");
    SenderName->setAccessibleName(QStringLiteral("寄件人"));
    SenderPostcode->setObjectName("SenderPostcode");
    SenderPostcode->setAccessibleName(QStringLiteral("寄件人郵遞區號"));
    SenderPostcode->setMaxLength(6);
    SenderAddress->setObjectName("SenderAddress");
    SenderAddress->setAccessibleName(QStringLiteral("寄件人地址"));
    labelled(QStringLiteral("寄件人："), SenderName, 2, 0, 1);
    labelled(QStringLiteral("郵遞區號："), SenderPostcode, 2, 2, 1);
    labelled(QStringLiteral("地址："), SenderAddress, 3, 0, 5);
    grid->setColumnStretch(5, 1);
    layout->addLayout(grid);
    Notice->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(Notice);
    layout->addWidget(preview, 1);

    QSettings kept = settings();
    const mailings::Sender remembered = mailings::loadSender(kept);
    SenderName->setText(remembered.name);
    SenderPostcode->setText(remembered.postcode);
    SenderAddress->setText(remembered.address);

    connect(EnvelopeBox, &QComboBox::activated, this, &Form63::showEnvelopes);
    connect(Addressee, &mailings::AddresseeBox::changed, this, &Form63::showEnvelopes);
    connect(ShowEnvelopes, &QPushButton::clicked, this, &Form63::showEnvelopes);
    // The sender is remembered as soon as a box of it is left.
    for (auto* box : {SenderName, SenderPostcode, SenderAddress})
        connect(box, &QLineEdit::editingFinished, this, [this] {
            QSettings kept = settings();
            mailings::saveSender(kept, sender());
            showEnvelopes();
        });
}

void Form63::Form_Load() {
    showEnvelopes();
}

mailings::Sender Form63::sender() const {
    return {SenderName->text().trimmed(), SenderAddress->text().trimmed(),
            SenderPostcode->text().trimmed()};
}

void Form63::showEnvelopes() {
    // A box that loses the focus as the windows close asks for nothing more.
    if (platform::forms::ending() || unloading()) return;
    store::RecordSet* clients = workspace().browseList().listRecords();
    if (!clients) return;
    const auto choices = Addressee->choices();
    auto recipients = store::mailing::recipients(*clients, choices);
    auto document = std::make_unique<mailings::EnvelopeDocument>(
        clients->cloneView(), recipients.rows, choices,
        mailings::envelopes()[static_cast<std::size_t>(EnvelopeBox->currentIndex())], sender());
    Notice->setText(Addressee->notice(clients->recordCount(), recipients, document->cutCodes(),
                                      QStringLiteral("個信封")));
    preview->setDocument(std::move(document));
}

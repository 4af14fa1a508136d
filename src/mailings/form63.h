#pragma once

#include "platform/forms.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace mailings {
class AddresseeBox;
struct Sender;
}  // namespace mailings
namespace platform::report {
class Preview;
}

// One envelope for each of the browse list's clients (as filtered and sorted), with the sender's
// block entered once and remembered; previewed, printed, saved as PDF.
class Form63 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("mailings"); }
    Form63();

    QComboBox* EnvelopeBox;
    mailings::AddresseeBox* Addressee;
    QLineEdit* SenderName;
    QLineEdit* SenderPostcode;
    QLineEdit* SenderAddress;
    QPushButton* ShowEnvelopes;
    QLabel* Notice;
    platform::report::Preview* preview;

    void Form_Load() override;
    // Lays out the envelopes as the boxes say.
    void showEnvelopes();
    mailings::Sender sender() const;
};

// The window by its role: envelopes.
using Envelopes = Form63;

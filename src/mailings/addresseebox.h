#pragma once

#include <QWidget>

#include "store/addressee.h"

class QCheckBox;
class QComboBox;

namespace mailings {

// What a label or an envelope says of the client: which address, the company or not, which
// title after the name.
class AddresseeBox : public QWidget {
    Q_OBJECT
  public:
    explicit AddresseeBox(QWidget* parent = nullptr);
    store::mailing::Choices choices() const;
    // What the window tells of the mail it made: how many, who has no address (and so gets
    // nothing), whose text did not fit; `piece` names one piece of mail (張標籤, 個信封).
    QString notice(long listed, const store::mailing::Recipients& recipients,
                   const std::vector<std::string>& cut, const QString& piece,
                   const QString& pages = {}) const;

    QComboBox* AddressBox;
    QCheckBox* CompanyBox;
    QComboBox* TitleBox;

  signals:
    void changed();
};

}  // namespace mailings

#pragma once

#include <memory>
#include <vector>

#include "platform/forms.h"
#include "store/search.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Finding a client by anything: one box, searched as the user types through every field of
// every client (a phone number by its digits), the matches listed with the field that matched.
// Enter or a double-click makes the client current in the list or the editor.
class Form51 : public platform::Form {
    Q_OBJECT
  public:
    QString helpChapter() const override { return QStringLiteral("finding"); }
    Form51();
    ~Form51() override;
    bool staysAboveFrame() const override { return true; }

    QLineEdit* SearchText;
    QLabel* SearchCount;
    QTableWidget* SearchResults;
    QPushButton* ShowClient;
    QPushButton* CloseButton;

    // Matches listed at most; the count goes on past them.
    static constexpr int kListed = 500;
    // A slice of the search lasts about this long (the next keystroke waits no longer), in steps
    // of this many clients (on both cores); tests make them small.
    static inline int sliceMs = 15;
    static inline long rowsPerStep = 20000;

    void Form_Load() override;
    // Starts the search for what the box holds, dropping the one under way.
    void search();
    // Makes the chosen match's client current where the user works with clients.
    void showChosen();
    // The search under way has looked at every client.
    bool finished() const { return !scan_ || scan_->looked() == scan_->total(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Looks at the next clients for a moment, lists what matched and comes back for the rest
    // after the keys typed meanwhile were handled.
    void slice();
    void showCount();

    std::unique_ptr<store::RecordSet> clients_;
    std::unique_ptr<store::search::Scan> scan_;
    std::vector<store::search::Hit> hits_;
    std::size_t listed_ = 0;
    unsigned generation_ = 0;  // a slice of an older search does nothing
};

// The window by its role: finding a client by anything.
using ClientSearch = Form51;

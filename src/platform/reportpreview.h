#pragma once

#include <QWidget>
#include <memory>

#include "platform/report.h"

class QLabel;
class QScrollArea;
class QToolButton;

namespace platform::report {

// The report on screen, one page at a time, with its own commands: print (the desktop's print
// dialog), save as PDF, landscape, and the first, previous, next and last page.
class Preview : public QWidget {
    Q_OBJECT
  public:
    explicit Preview(QWidget* parent = nullptr);

    void setDocument(std::unique_ptr<Document> document);
    Document* document() const { return document_.get(); }
    int page() const { return page_; }
    void showPage(int page);
    QLabel* pageImage() const { return image_; }

    void print();
    void savePdf();
    void setLandscape(bool landscape);

  private:
    std::unique_ptr<Document> document_;
    int page_ = 0;
    QLabel* image_;
    QLabel* pageLabel_;
    QScrollArea* scroll_;
    QToolButton* landscape_;
};

}  // namespace platform::report

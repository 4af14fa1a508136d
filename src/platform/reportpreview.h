#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/report.h"

class QHBoxLayout;
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

    void setDocument(std::unique_ptr<Printable> document);
    Printable* printable() const { return document_.get(); }
    // The report shown, when it is a report of rows.
    Document* document() const { return dynamic_cast<Document*>(document_.get()); }
    int page() const { return page_; }
    void showPage(int page);

    void print();
    void savePdf();
    void setLandscape(bool landscape);
    // A further command of the window that shows the report, after the PDF command.
    void addCommand(const char* name, const QString& text, std::function<void()> act);

  private:
    QHBoxLayout* bar_;
    int commands_ = 2;  // where the next command goes: after Print and SavePdf
    std::unique_ptr<Printable> document_;
    int page_ = 0;
    QLabel* image_;
    QLabel* pageLabel_;
    QScrollArea* scroll_;
    QToolButton* landscape_;
};

}  // namespace platform::report

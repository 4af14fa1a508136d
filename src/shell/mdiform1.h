#pragma once

#include <QMainWindow>

class QMdiArea;

// The program's frame: a multiple-document window whose children are the browse list, the
// editor and the full record list.
class MDIForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit MDIForm1(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return area_; }

  private:
    QMdiArea* area_;
};

#include "shell/mdiform1.h"

#include <QMdiArea>

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent), area_(new QMdiArea(this)) {
    setObjectName("MDIForm1");
    setWindowTitle(QStringLiteral("VELKARD DATA MANAGEMENT SYSTEM   Version 1.0  For  Windows 95") +
                   QString(37, QLatin1Char(' ')) + QStringLiteral("ORBEL Creator"));
    area_->setObjectName("MDIClient");
    setCentralWidget(area_);
    // 9480 x 6510 twips of client area at 15 twips a pixel.
    resize(632, 434);
    move(4, 22);
}

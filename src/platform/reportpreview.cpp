#include "platform/reportpreview.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"

namespace platform::report {
namespace {

// Pages are drawn at this many screen pixels per inch.
constexpr double kPreviewDpi = 72.0;

}  // namespace

Preview::Preview(QWidget* parent)
    : QWidget(parent), image_(new QLabel), pageLabel_(new QLabel), scroll_(new QScrollArea(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* bar = bar_ = new QHBoxLayout;
    auto button = [&](const char* name, const QString& text, auto slot) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        connect(b, &QToolButton::clicked, this, slot);
        bar->addWidget(b);
        return b;
    };
    button("Print", QStringLiteral("列印..."), [this] { print(); });
    button("SavePdf", QStringLiteral("另存 PDF..."), [this] { savePdf(); });
    landscape_ = button("Landscape", QStringLiteral("橫印"), [this](bool on) { setLandscape(on); });
    landscape_->setCheckable(true);
    bar->addSpacing(12);
    // The arrows are named for screen readers by what they do.
    button("FirstPage", QStringLiteral("|◀"), [this] {
        showPage(0);
    })->setAccessibleName(QStringLiteral("第一頁"));
    button("PreviousPage", QStringLiteral("◀"), [this] {
        showPage(page_ - 1);
    })->setAccessibleName(QStringLiteral("上一頁"));
    pageLabel_->setObjectName("PageLabel");
    bar->addWidget(pageLabel_);
    button("NextPage", QStringLiteral("▶"), [this] {
        showPage(page_ + 1);
    })->setAccessibleName(QStringLiteral("下一頁"));
    button("LastPage", QStringLiteral("▶|"), [this] {
        if (document_) showPage(document_->pageCount() - 1);
    })->setAccessibleName(QStringLiteral("最後一頁"));
    bar->addStretch(1);
    layout->addLayout(bar);
    image_->setObjectName("PageImage");
    scroll_->setAccessibleName(QStringLiteral("報表的一頁"));
    image_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(image_);
    scroll_->setWidgetResizable(true);
    scroll_->setBackgroundRole(QPalette::Dark);
    layout->addWidget(scroll_, 1);
}

void Preview::setDocument(std::unique_ptr<Printable> document) {
    document_ = std::move(document);
    landscape_->setVisible(!document_ || document_->turns());
    if (document_ && document_->turns())
        document_->setOrientation(landscape_->isChecked() ? QPageLayout::Landscape
                                                          : QPageLayout::Portrait);
    showPage(0);
}

void Preview::showPage(int page) {
    if (!document_) {
        image_->clear();
        pageLabel_->clear();
        return;
    }
    page_ = std::clamp(page, 0, document_->pageCount() - 1);
    const QSizeF points = document_->paper().fullRectPoints().size();
    QImage sheet((points * kPreviewDpi / 72.0).toSize(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(kPreviewDpi / 1440.0, kPreviewDpi / 1440.0);
    document_->drawPage(painter, page_);
    painter.end();
    image_->setPixmap(QPixmap::fromImage(sheet));
    pageLabel_->setText(
        QStringLiteral(" 第 %1 / %2 頁 ").arg(page_ + 1).arg(document_->pageCount()));
    scroll_->verticalScrollBar()->setValue(0);
}

void Preview::setLandscape(bool landscape) {
    landscape_->setChecked(landscape);
    if (!document_ || !document_->turns()) return;
    document_->setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    showPage(0);
}

void Preview::print() {
    if (!document_) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(document_->paper());
    if (!dialogs().choosePrinter(printer)) return;
    try {
        document_->printTo(printer);
    } catch (const std::exception& e) {
        showError(e);
    }
}

void Preview::addCommand(const char* name, const QString& text, std::function<void()> act) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    connect(b, &QToolButton::clicked, this, std::move(act));
    bar_->insertWidget(commands_++, b);
}

void Preview::savePdf() {
    if (!document_) return;
    const QString path = dialogs().saveFileName(QStringLiteral("另存 PDF"), document_->pdfName(),
                                                QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    try {
        document_->writePdf(path);
    } catch (const std::exception& e) {
        showError(e);
    }
}

}  // namespace platform::report

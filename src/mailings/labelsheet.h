#pragma once

#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <span>

#include "mailings/clientpages.h"
#include "mailings/layout.h"

// Address labels on A4 sheets: the sheets, where each label lies, and a document of one label
// per client that previews, prints and saves as PDF.
namespace mailings {

// A sheet of labels, in millimetres from the top left corner of the A4 page.
struct Sheet {
    QString name;
    int columns = 0, rows = 0;
    double width = 0, height = 0;   // a label
    double left = 0, top = 0;       // the first label's corner
    double pitchX = 0, pitchY = 0;  // from one label's corner to the next one's
    int perSheet() const { return columns * rows; }
    // The label at `slot` (0-based, across then down).
    QRectF label(int slot) const;
    // Where the text of that label goes: clear of its edges and of the paper's.
    QRectF textArea(int slot) const;
};

// The common sheets on A4.
std::span<const Sheet> sheets();

// Why a sheet cannot be printed on A4 (labels off the page or over one another); empty when it can.
QString sheetProblem(const Sheet& sheet);

class LabelDocument : public ClientPages {
  public:
    // The clients' labels from label `start` (0-based) of the first sheet on.
    LabelDocument(std::unique_ptr<store::RecordSet> rows, std::vector<store::Bookmark> recipients,
                  store::mailing::Choices choices, Sheet sheet, int start);

    const QPageLayout& paper() const override { return paper_; }
    int pageCount() const override;
    void drawPage(QPainter& painter, int page) const override;
    QString pdfName() const override { return QStringLiteral("地址標籤.pdf"); }

    const Sheet& sheet() const { return sheet_; }
    // Where the `index`th client's label lies (page, slot) and its text inside it.
    int pageOf(long index) const { return static_cast<int>((index + start_) / sheet_.perSheet()); }
    int slotOf(long index) const { return static_cast<int>((index + start_) % sheet_.perSheet()); }
    Block fitted(long index) const;

  protected:
    bool isCut(long index) const override;

  private:
    Sheet sheet_;
    int start_;
    QPageLayout paper_;
};

}  // namespace mailings

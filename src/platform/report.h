#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QPagedPaintDevice;

namespace store {
class RecordSet;
}

// The report runtime: a definition of named sections holding labels, bound text boxes and lines
// placed in twips, paged over a record set and drawn to the preview, a printer or a PDF.
namespace platform::report {

struct Font {
    QString name;
    int size = 9;  // points
    bool bold = false;
};

struct Control {
    enum Kind { Label, TextBox, Line } kind = Label;
    QString name;
    int left = 0, top = 0, width = 0, height = 0;  // twips
    QString caption;                               // labels; "%d" stands for the print date
    QString dataField;                             // text boxes
    bool visible = true;
    // Keep the text within its box (narrowed, or cut with a mark), so columns never overlap.
    bool clip = true;
    Font font;
};

struct Section {
    enum Role { ReportHeader, PageHeader, Detail, PageFooter, ReportFooter } role;
    QString name;
    int height = 0;  // twips
    std::vector<Control> controls;
};

struct Definition {
    int width = 9600;
    int leftMargin = 100, rightMargin = 100, topMargin = 1440, bottomMargin = 1440;
    Font font;
    std::vector<Section> sections;

    // Looked up without regard to case; nullptr when there is none.
    Section* section(const QString& name);
    Control* control(const QString& name);
    const Section* sectionOf(Section::Role role) const;
};

// Where each page's records start, worked out from the section heights: a page is laid out only
// when it is drawn, so a long report opens at once.
class Pages {
  public:
    Pages(const Definition& definition, long records, const QPageLayout& paper);
    int count() const { return count_; }
    long firstRecord(int page) const;  // 0-based
    long endRecord(int page) const;
    bool hasReportHeader(int page) const { return page == 0; }
    bool hasReportFooter(int page) const { return page == count_ - 1; }

  private:
    long records_;
    long perFirst_, perOther_;
    int count_ = 1;
};

// Pages to preview, print and save as PDF, drawn with the painter's logical unit set to twips.
class Printable {
  public:
    virtual ~Printable() = default;
    virtual const QPageLayout& paper() const = 0;
    virtual int pageCount() const = 0;
    virtual void drawPage(QPainter& painter, int page) const = 0;
    // Whether the pages may be printed across the paper (a list may; a label sheet may not).
    virtual bool turns() const { return false; }
    virtual void setOrientation(QPageLayout::Orientation) {}
    // The name the PDF is offered under.
    virtual QString pdfName() const = 0;

    // Every page to a printer or a PDF writer; throws std::runtime_error when it fails.
    void printTo(QPagedPaintDevice& device) const;
    void writePdf(const QString& path) const;
};

// A definition bound to the rows it prints (a copy of the source's view, so the source's current
// record never moves), on a paper size and orientation.
class Document : public Printable {
  public:
    Document(Definition definition, std::unique_ptr<store::RecordSet> rows, QPageLayout paper,
             QString printDate);
    ~Document();

    const QPageLayout& paper() const override { return paper_; }
    bool turns() const override { return true; }
    void setOrientation(QPageLayout::Orientation orientation) override;
    int pageCount() const override { return pages_.count(); }
    QString pdfName() const override { return QStringLiteral("客戶基本資料表.pdf"); }
    long recordCount() const;
    // The rows it prints, in their order (for an export of the same list).
    const store::RecordSet& rows() const { return *rows_; }

    void drawPage(QPainter& painter, int page) const override;

  private:
    void drawSection(QPainter& painter, const Section& section, int top, long record) const;

    Definition definition_;
    std::unique_ptr<store::RecordSet> rows_;
    QPageLayout paper_;
    QString printDate_;
    Pages pages_;
};

// The A4 paper of the report, portrait.
QPageLayout a4();

// A face at a size in points, for a painter whose unit is the twip.
QFont fontInTwips(const QString& face, double points, bool bold);

}  // namespace platform::report

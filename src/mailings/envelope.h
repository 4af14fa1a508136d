#pragma once

#include <QPageLayout>
#include <QString>
#include <span>

#include "mailings/clientpages.h"
#include "mailings/layout.h"

class QSettings;

// Envelopes, one per client: the Chinese sizes written down the envelope in columns from the
// right, the Western ones across.
namespace mailings {

struct Envelope {
    QString name;
    QPageSize::PageSizeId size;
    bool vertical;
};

std::span<const Envelope> envelopes();

// The sender's block, entered once and remembered.
struct Sender {
    QString name, address, postcode;
};
Sender loadSender(QSettings& settings);
void saveSender(QSettings& settings, const Sender& sender);

// Text to stand upright in a column: digits and Latin letters full width (as envelopes are
// written by hand), brackets and dashes in their forms for vertical writing.
QString uprightText(const QString& text);

// The blocks of one envelope, each with its top left corner on the envelope (mm).
struct EnvelopeFace {
    std::vector<std::pair<Block, QPointF>> blocks;
    bool cut() const;
};
EnvelopeFace layOutEnvelope(const Envelope& envelope, const store::mailing::Addressee& to,
                            const Sender& from);
// The face the envelopes are written in.
QString envelopeFace();

class EnvelopeDocument : public ClientPages {
  public:
    EnvelopeDocument(std::unique_ptr<store::RecordSet> rows,
                     std::vector<store::Bookmark> recipients, store::mailing::Choices choices,
                     Envelope envelope, const Sender& sender);

    const QPageLayout& paper() const override { return paper_; }
    int pageCount() const override { return std::max(1L, mailCount()); }
    void drawPage(QPainter& painter, int page) const override;
    QString pdfName() const override { return QStringLiteral("信封.pdf"); }

  protected:
    bool isCut(long index) const override;

  private:
    Envelope envelope_;
    EnvelopeFace sender_;
    QPageLayout paper_;
};

}  // namespace mailings

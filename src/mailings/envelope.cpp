#include "mailings/envelope.h"

#include <QPainter>
#include <QSettings>
#include <array>

#include "platform/appsetup.h"
#include "platform/qtext.h"
#include "store/addressee.h"

namespace mailings {
namespace {

const std::array<Envelope, 4> kEnvelopes = {{
    {QStringLiteral("中式 3 號（125 × 176 公釐，直式）"), QPageSize::EnvelopePrc3, true},
    {QStringLiteral("中式 5 號（110 × 220 公釐，直式）"), QPageSize::EnvelopePrc5, true},
    {QStringLiteral("DL（220 × 110 公釐，橫式）"), QPageSize::EnvelopeDL, false},
    {QStringLiteral("#10（241 × 105 公釐，橫式）"), QPageSize::Envelope10, false},
}};

constexpr double kMargin = 10;  // mm kept clear at the envelope's edges

QString nameWithTitle(const store::mailing::Addressee& to) {
    QString name = platform::toQ(to.name);
    if (!to.title.empty()) name += QLatin1Char(' ') + platform::toQ(to.title);
    return name + QStringLiteral(" 收");
}

// Placed so that its columns end at `right`.
std::pair<Block, QPointF> atRight(Block block, QRectF area) {
    return {block, QPointF(area.right() - extent(block).right(), area.top())};
}

EnvelopeFace downwardTo(QSizeF paper, const store::mailing::Addressee& to) {
    const double w = paper.width(), h = paper.height();
    const QString face = envelopeFace();
    EnvelopeFace out;
    // The recipient's postal code across at the top right, where the post office reads it.
    if (!to.postcode.empty()) {
        Block code = fitAcross({{platform::toQ(to.postcode)}}, QSizeF(45, 9), face, 16, 10);
        out.blocks.emplace_back(code, QPointF(w - kMargin - extent(code).width(), kMargin));
    }
    // The address (and company) down the right-hand side.
    std::vector<Item> right = {{uprightText(platform::toQ(to.address))}};
    if (!to.company.empty()) right.push_back({uprightText(platform::toQ(to.company))});
    const QRectF addressArea(w * 0.62, kMargin + 16, w * 0.38 - kMargin, h - 2 * kMargin - 26);
    out.blocks.push_back(atRight(fitDown(right, addressArea.size(), face, 16, 9), addressArea));
    // The name down the middle, largest.
    if (!to.name.empty()) {
        const QRectF nameArea(w * 0.3, kMargin + 22, w * 0.34, h - 2 * kMargin - 38);
        Block name =
            fitDown({{uprightText(nameWithTitle(to)), 1.0, true}}, nameArea.size(), face, 28, 14);
        const QRectF e = extent(name);
        out.blocks.emplace_back(
            name, QPointF(w / 2 - e.center().x(), nameArea.center().y() - e.center().y()));
    }
    return out;
}

EnvelopeFace downwardFrom(QSizeF paper, const Sender& from) {
    const double w = paper.width(), h = paper.height();
    const QString face = envelopeFace();
    EnvelopeFace out;
    // The sender at the lower left, the postal code across beneath.
    std::vector<Item> sender;
    if (!from.address.isEmpty()) sender.push_back({uprightText(from.address)});
    if (!from.name.isEmpty()) sender.push_back({uprightText(from.name + QStringLiteral(" 寄"))});
    if (!sender.empty()) {
        const QRectF senderArea(kMargin, h * 0.45, w * 0.28 - kMargin, h * 0.55 - kMargin - 12);
        out.blocks.push_back(atRight(fitDown(sender, senderArea.size(), face, 12, 8), senderArea));
    }
    if (!from.postcode.isEmpty())
        out.blocks.emplace_back(fitAcross({{from.postcode}}, QSizeF(40, 7), face, 12, 9),
                                QPointF(kMargin, h - kMargin - 7));
    return out;
}

EnvelopeFace acrossTo(QSizeF paper, const store::mailing::Addressee& to) {
    const double w = paper.width(), h = paper.height();
    const QRectF toArea(w * 0.38, h * 0.42, w * 0.62 - 1.5 * kMargin, h * 0.58 - kMargin);
    EnvelopeFace out;
    out.blocks.emplace_back(fitAcross(addresseeLines(to), toArea.size(), envelopeFace(), 14, 8),
                            toArea.topLeft());
    return out;
}

EnvelopeFace acrossFrom(QSizeF paper, const Sender& from) {
    std::vector<Item> sender;
    if (!from.name.isEmpty()) sender.push_back({from.name});
    const QString fromAddress = (from.postcode + QLatin1Char(' ') + from.address).trimmed();
    if (!fromAddress.isEmpty()) sender.push_back({fromAddress});
    EnvelopeFace out;
    if (!sender.empty())
        out.blocks.emplace_back(
            fitAcross(sender, QSizeF(paper.width() * 0.45, paper.height() * 0.3), envelopeFace(),
                      10, 7),
            QPointF(kMargin, kMargin));
    return out;
}

// The envelope in mm as it is written on: the Western ones across.
QSizeF writtenOn(const Envelope& envelope) {
    const QSizeF paper = QPageSize(envelope.size).size(QPageSize::Millimeter);
    return envelope.vertical ? paper : paper.transposed();
}

EnvelopeFace recipientFace(const Envelope& envelope, const store::mailing::Addressee& to) {
    return envelope.vertical ? downwardTo(writtenOn(envelope), to)
                             : acrossTo(writtenOn(envelope), to);
}

EnvelopeFace senderFace(const Envelope& envelope, const Sender& from) {
    return envelope.vertical ? downwardFrom(writtenOn(envelope), from)
                             : acrossFrom(writtenOn(envelope), from);
}

}  // namespace

std::span<const Envelope> envelopes() {
    return kEnvelopes;
}

QString envelopeFace() {
    return platform::kKaiFace;
}

Sender loadSender(QSettings& settings) {
    settings.beginGroup(QStringLiteral("sender"));
    Sender s{settings.value("name").toString(), settings.value("address").toString(),
             settings.value("postcode").toString()};
    settings.endGroup();
    return s;
}

void saveSender(QSettings& settings, const Sender& s) {
    settings.beginGroup(QStringLiteral("sender"));
    settings.setValue("name", s.name);
    settings.setValue("address", s.address);
    settings.setValue("postcode", s.postcode);
    settings.endGroup();
}

QString uprightText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'-' || u == u'－' || u == u'—' || u == u'─')
            out += QChar(u'︱');
        else if (u == u'(' || u == u'（')
            out += QChar(u'︵');
        else if (u == u')' || u == u'）')
            out += QChar(u'︶');
        else if (u > 0x20 && u < 0x7F)  // the rest of ASCII to its full-width form
            out += QChar(static_cast<char16_t>(u - 0x21 + 0xFF01));
        else
            out += c;
    }
    return out;
}

bool EnvelopeFace::cut() const {
    return std::any_of(blocks.begin(), blocks.end(), [](const auto& b) { return b.first.cut; });
}

EnvelopeFace layOutEnvelope(const Envelope& envelope, const store::mailing::Addressee& to,
                            const Sender& from) {
    EnvelopeFace face = recipientFace(envelope, to);
    for (auto& block : senderFace(envelope, from).blocks) face.blocks.push_back(std::move(block));
    return face;
}

EnvelopeDocument::EnvelopeDocument(std::unique_ptr<store::RecordSet> rows,
                                   std::vector<store::Bookmark> recipients,
                                   store::mailing::Choices choices, Envelope envelope,
                                   const Sender& sender)
    : ClientPages(std::move(rows), std::move(recipients), choices),
      envelope_(std::move(envelope)),
      sender_(senderFace(envelope_, sender)),
      paper_(QPageSize(envelope_.size),
             envelope_.vertical ? QPageLayout::Portrait : QPageLayout::Landscape,
             QMarginsF(0, 0, 0, 0)) {}

bool EnvelopeDocument::isCut(long index) const {
    return sender_.cut() || recipientFace(envelope_, addressee(index)).cut();
}

void EnvelopeDocument::drawPage(QPainter& painter, int page) const {
    if (page >= mailCount()) return;
    // The sender's block is the same on every envelope: laid out once.
    for (const EnvelopeFace& face : {recipientFace(envelope_, addressee(page)), sender_})
        for (const auto& [block, at] : face.blocks) draw(painter, block, at, envelopeFace());
}

}  // namespace mailings

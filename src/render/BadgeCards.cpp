#include "render/BadgeCards.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <memory>

#include <zint.h>

namespace {

constexpr qreal CardWidth = 85.6; // mm, ISO/IEC 7810 ID-1
constexpr qreal CardHeight = 54.0;
constexpr int Columns = 2;
constexpr int Rows = CardsPerSheet / Columns;
constexpr qreal Padding = 4.0;
constexpr qreal QrSide = 24.0;
constexpr qreal CutMarkGap = 1.0;
constexpr qreal CutMarkLength = 3.0;
constexpr qreal PrintableEdge = 5.0; // mm from the paper's edge that printers are sure to print
constexpr int PdfResolution = 600;

// Millimetres on the paper to the device's pixels.
class Paper
{
public:
    explicit Paper(const QPaintDevice& device) : m_dotsPerMm(device.logicalDpiX() / 25.4) {}
    qreal px(qreal mm) const { return mm * m_dotsPerMm; }
    QRectF px(const QRectF& mm) const
    {
        return {px(mm.x()), px(mm.y()), px(mm.width()), px(mm.height())};
    }

private:
    qreal m_dotsPerMm;
};

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// The symbol's dark modules fill area: scaled to it whole, or keeping its proportions and centred.
Result<> paintSymbol(QPainter& painter, int symbology, const QString& code, const QRectF& area,
                     bool keepProportions)
{
    const Symbol symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol)
        return Failure(QStringLiteral("the barcode encoder has no memory"));
    symbol->symbology = symbology;
    symbol->show_hrt = 0;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray data = code.toLatin1();
    int error = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                int(data.size()));
    if (error < ZINT_ERROR)
        error = ZBarcode_Buffer_Vector(symbol.get(), 0);
    if (error >= ZINT_ERROR || !symbol->vector || symbol->vector->width <= 0)
        return Failure(QStringLiteral("the code \"%1\" cannot be drawn as a barcode (%2)")
                           .arg(code, QString::fromLatin1(symbol->errtxt)));
    qreal sx = area.width() / symbol->vector->width;
    qreal sy = area.height() / symbol->vector->height;
    if (keepProportions)
        sx = sy = qMin(sx, sy);
    const QPointF origin =
        area.center() - QPointF(symbol->vector->width * sx, symbol->vector->height * sy) / 2;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        if (r->colour == -1)
            painter.fillRect(QRectF(origin.x() + r->x * sx, origin.y() + r->y * sy, r->width * sx,
                                    r->height * sy),
                             Qt::black);
    }
    return Result<>();
}

void paintText(QPainter& painter, const QRectF& area, const QString& text, QFont font)
{
    painter.setFont(font);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, int(area.width())));
}

Result<> paintCard(QPainter& painter, const Paper& paper, const QRectF& card, const BadgeCard& b)
{
    const qreal left = card.left() + Padding;
    const qreal textWidth = CardWidth - 3 * Padding - QrSide;
    QFont company(QStringLiteral("Arial"));
    company.setPointSizeF(9);
    paintText(painter, paper.px(QRectF(left, card.top() + Padding, textWidth, 5)), b.company,
              company);
    QFont name(QStringLiteral("Arial"));
    name.setPointSizeF(14);
    name.setBold(true);
    paintText(painter, paper.px(QRectF(left, card.top() + 10, textWidth, 8)), b.employee, name);
    QFont code(QStringLiteral("Courier New"));
    code.setPointSizeF(9);
    paintText(painter, paper.px(QRectF(left, card.top() + 20, textWidth, 5)), b.code, code);
    const QRectF qr(card.right() - Padding - QrSide, card.top() + Padding, QrSide, QrSide);
    if (Result<> r = paintSymbol(painter, BARCODE_QRCODE, b.code, paper.px(qr), true); r.failed())
        return r;
    const QRectF bars(left, card.top() + 30, CardWidth - 2 * Padding, CardHeight - 30 - Padding);
    return paintSymbol(painter, BARCODE_CODE128, b.code, paper.px(bars), false);
}

// Short lines in the margins along each edge of the cards, for the guillotine. Many printers
// print nothing within a few millimetres of the paper's edge: where a margin is too narrow for
// its marks (the top and bottom of Letter), each card gets a faint outline to cut along instead.
void paintCutMarks(QPainter& painter, const Paper& paper, const QSizeF& paperMm,
                   const QList<QRectF>& places)
{
    const QRectF grid = places.first().united(places.last());
    const qreal reach = CutMarkGap + CutMarkLength + PrintableEdge;
    const bool topAndBottom = grid.top() >= reach && paperMm.height() - grid.bottom() >= reach;
    const bool sides = grid.left() >= reach && paperMm.width() - grid.right() >= reach;
    painter.setPen(QPen(Qt::black, paper.px(0.2)));
    for (int column = 0; topAndBottom && column <= Columns; ++column) {
        const qreal x = grid.left() + column * CardWidth;
        painter.drawLine(QPointF(paper.px(x), paper.px(grid.top() - CutMarkGap)),
                         QPointF(paper.px(x), paper.px(grid.top() - CutMarkGap - CutMarkLength)));
        painter.drawLine(
            QPointF(paper.px(x), paper.px(grid.bottom() + CutMarkGap)),
            QPointF(paper.px(x), paper.px(grid.bottom() + CutMarkGap + CutMarkLength)));
    }
    for (int row = 0; sides && row <= Rows; ++row) {
        const qreal y = grid.top() + row * CardHeight;
        painter.drawLine(QPointF(paper.px(grid.left() - CutMarkGap), paper.px(y)),
                         QPointF(paper.px(grid.left() - CutMarkGap - CutMarkLength), paper.px(y)));
        painter.drawLine(QPointF(paper.px(grid.right() + CutMarkGap), paper.px(y)),
                         QPointF(paper.px(grid.right() + CutMarkGap + CutMarkLength), paper.px(y)));
    }
    if (topAndBottom && sides)
        return;
    painter.setPen(QPen(Qt::gray, paper.px(0.1)));
    for (const QRectF& card : places)
        painter.drawRect(paper.px(card));
}

} // namespace

QList<QRectF> CardPlaces(const QSizeF& paperMm)
{
    const qreal left = (paperMm.width() - Columns * CardWidth) / 2;
    const qreal top = (paperMm.height() - Rows * CardHeight) / 2;
    QList<QRectF> places;
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column)
            places.append(
                QRectF(left + column * CardWidth, top + row * CardHeight, CardWidth, CardHeight));
    }
    return places;
}

Result<> PaintBadgeCards(QPainter& painter, QPagedPaintDevice& device,
                         const QList<BadgeCard>& cards)
{
    const Paper paper(device);
    const QSizeF paperMm = device.pageLayout().fullRect(QPageLayout::Millimeter).size();
    const QList<QRectF> places = CardPlaces(paperMm);
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const qsizetype place = i % CardsPerSheet;
        if (place == 0 && i > 0 && !device.newPage())
            return Failure(QStringLiteral("a new sheet could not be started"));
        if (place == 0)
            paintCutMarks(painter, paper, paperMm, places);
        if (Result<> r = paintCard(painter, paper, places[place], cards[i]); r.failed())
            return r;
    }
    return Result<>();
}

Result<QByteArray> BadgeCardsPdf(const QList<BadgeCard>& cards, const QPageSize& paper)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(PdfResolution);
    writer.setTitle(QStringLiteral("Badges"));
    writer.setCreator(QStringLiteral("Horodex"));
    writer.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return Failure(QStringLiteral("the cards could not be laid out"));
    const Result<> painted = PaintBadgeCards(painter, writer, cards);
    if (!painter.end() && painted.ok())
        return Failure(QStringLiteral("the cards could not be laid out"));
    if (painted.failed())
        return painted.error();
    buffer.close();
    return pdf;
}

IoResult BadgeCardsPdf(const QList<BadgeCard>& cards, const QPageSize& paper, QByteArray* pdf)
{
    const Result<QByteArray> made = BadgeCardsPdf(cards, paper);
    *pdf = made.valueOr(QByteArray());
    return made.failure();
}

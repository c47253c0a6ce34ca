#include "reports/ReportArt.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace ReportArt {

QPixmap BackgroundTile()
{
    constexpr int Size = 54;
    QPixmap tile(Size, Size);
    tile.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter p(&tile);
    p.setPen(Qt::NoPen);
    // Two interlaced diamonds, light over grey, so the seams of the tiles do not show.
    const int h = Size / 2;
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawPolygon(QPolygon({QPoint(h, 2), QPoint(Size - 2, h), QPoint(h, Size - 2), QPoint(2, h)}));
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawPolygon(
        QPolygon({QPoint(h, 10), QPoint(Size - 10, h), QPoint(h, Size - 10), QPoint(10, h)}));
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawPoint(0, 0);
    p.drawPoint(h, h);
    return tile;
}

QPixmap ReportIcon()
{
    QPixmap icon(48, 48);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    // A sheet with a folded corner.
    const QPolygonF sheet(
        {QPointF(8, 3), QPointF(33, 3), QPointF(41, 11), QPointF(41, 45), QPointF(8, 45)});
    p.setPen(QPen(QColor(0x00, 0x00, 0x80), 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawPolygon(QPolygonF({QPointF(33, 3), QPointF(33, 11), QPointF(41, 11)}));
    // Lines of text and a total.
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.5));
    for (int y = 15; y <= 31; y += 4)
        p.drawLine(QPointF(12, y), QPointF(y == 15 ? 29 : 37, y));
    p.setPen(QPen(QColor(0x00, 0x80, 0x00), 2));
    p.drawLine(QPointF(12, 36), QPointF(37, 36));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(12, 36, 25, 9), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("$"));
    return icon;
}

} // namespace ReportArt

void TileBitmap(QWidget* TheForm, const QPixmap& theBitmap)
{
    // A texture brush repeats from the widget's origin and is redrawn by Qt on every paint.
    QPalette palette = TheForm->palette();
    palette.setBrush(QPalette::Window, QBrush(theBitmap));
    TheForm->setPalette(palette);
    TheForm->setAutoFillBackground(true);
}

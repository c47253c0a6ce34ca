#include "station/StationBackground.h"

#include <QPainter>

StationBackground::StationBackground(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StationBackground"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPixmap StationBackground::PaintBackground(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    const double unit = size.height() / 130.0; // the client area is 130 units high
    // Bands 100 pixels wide, one a unit lower than the other, each painted over the one before:
    // what shows of each is the strip from its top edge to the next one's, which is filled alone
    // rather than painting over the same pixels a hundred times.
    constexpr double Reach = 50;
    for (int i = 1; i <= 130; ++i) {
        const double top = i * unit - Reach;
        const double bottom = i == 130 ? i * unit + Reach : (i + 1) * unit - Reach;
        p.fillRect(QRectF(0, top, size.width(), bottom - top), QColor(80 + i, 186, 222));
    }
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, size.width(), 0);
    p.setPen(Qt::white);
    p.drawLine(0, 1, size.width(), 1);
    return pixmap;
}

void StationBackground::paintEvent(QPaintEvent*)
{
    // The picture depends on the size alone: paint it once for the whole run.
    static QPixmap cache;
    if (cache.size() != size())
        cache = PaintBackground(size());
    QPainter(this).drawPixmap(0, 0, cache);
}

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
    for (int i = 1; i <= 130; ++i) {
        p.setPen(QPen(QColor(80 + i, 186, 222), 100, Qt::SolidLine, Qt::FlatCap));
        const double y = i * unit;
        p.drawLine(QPointF(0, y), QPointF(size.width(), y));
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

#include "station/PunchButtonArt.h"

#include <QPainter>
#include <QPainterPath>

QPixmap PunchButtonPicture(bool isIn)
{
    QPixmap pixmap(80, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Arrow: a shaft and a head, pointing down for IN and up for OUT.
    QPainterPath arrow;
    if (isIn) {
        arrow.addRect(10, 3, 8, 14);
        arrow.moveTo(3, 16);
        arrow.lineTo(25, 16);
        arrow.lineTo(14, 29);
        arrow.closeSubpath();
    } else {
        arrow.addRect(10, 15, 8, 14);
        arrow.moveTo(3, 16);
        arrow.lineTo(25, 16);
        arrow.lineTo(14, 3);
        arrow.closeSubpath();
    }
    p.fillPath(arrow.simplified(), Qt::black);

    QFont font(QStringLiteral("Arial"), 1, QFont::Bold);
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(isIn ? QColor(0, 100, 0) : QColor(200, 0, 0));
    p.drawText(QRect(30, 0, 50, 32), Qt::AlignVCenter | Qt::AlignLeft,
               isIn ? QStringLiteral("In") : QStringLiteral("Out"));
    return pixmap;
}

#include "admin/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>

#include <functional>

namespace Artwork {
namespace {

const QColor Ink(40, 48, 64);
const QColor Navy(30, 70, 140);
const QColor Sky(90, 150, 220);
const QColor Gold(230, 175, 40);
const QColor Paper(250, 250, 245);
const QColor Desktop(0, 128, 128);
const QColor Panel(200, 200, 200);

using Drawing = std::function<void(QPainter&)>;

// Draws at the screen's pixel density on a transparent background.
QPixmap draw(int width, int height, const Drawing& paint)
{
    const qreal ratio = qMax<qreal>(1.0, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
    QPixmap pixmap(qRound(width * ratio), qRound(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pixmap;
}

QIcon icon(const Drawing& paint)
{
    QIcon result;
    for (int size : {16, 24, 32}) {
        result.addPixmap(draw(size, size, [&](QPainter& p) {
            p.scale(size / 16.0, size / 16.0); // every icon is drawn on a 16-unit grid
            paint(p);
        }));
    }
    return result;
}

void raisedPanel(QPainter& p, const QRectF& r, const QColor& face)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(face);
    p.drawRect(r);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.topRight() + QPointF(-1, 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.bottomLeft() + QPointF(1, -1));
}

} // namespace

QIcon generalIcon()
{
    // A sheet with a time-format clock face.
    return icon([](QPainter& p) {
        p.setPen(QPen(Ink, 1));
        p.setBrush(Paper);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
        p.setBrush(Sky);
        p.drawEllipse(QRectF(4, 4, 8, 8));
        p.setPen(QPen(Ink, 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(8, 5.5));
        p.drawLine(QPointF(8, 8), QPointF(10, 8));
    });
}

QIcon passwordsIcon()
{
    // A key.
    return icon([](QPainter& p) {
        p.setPen(QPen(Ink, 1));
        p.setBrush(Gold);
        p.drawEllipse(QRectF(1.5, 4.5, 6, 6));
        p.setBrush(Ink);
        p.drawEllipse(QRectF(3.5, 6.5, 2, 2));
        p.setBrush(Gold);
        // The shaft with its two teeth.
        p.drawPolygon(QPolygonF({{7.5, 6.5},
                                 {14.5, 6.5},
                                 {14.5, 10.5},
                                 {13, 10.5},
                                 {13, 8.5},
                                 {11.5, 8.5},
                                 {11.5, 10},
                                 {10, 10},
                                 {10, 8.5},
                                 {7.5, 8.5}}));
    });
}

QIcon employeesIcon()
{
    // Two people, one behind the other.
    return icon([](QPainter& p) {
        p.setPen(QPen(Ink, 1));
        p.setBrush(Sky);
        p.drawEllipse(QRectF(8.5, 1.5, 5, 5));
        p.drawChord(QRectF(6.5, 7, 9, 9), 0, 180 * 16);
        p.setBrush(Navy);
        p.drawEllipse(QRectF(3, 3.5, 5.5, 5.5));
        p.drawChord(QRectF(0.5, 9.5, 10.5, 11), 0, 180 * 16);
    });
}

QIcon securityIcon()
{
    // A padlock.
    return icon([](QPainter& p) {
        p.setPen(QPen(Ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 1.5, 8, 9), 0, 180 * 16);
        p.drawLine(QPointF(4, 6), QPointF(4, 7.5));
        p.drawLine(QPointF(12, 6), QPointF(12, 7.5));
        p.setPen(QPen(Ink, 1));
        p.setBrush(Gold);
        p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
        p.setBrush(Ink);
        p.drawEllipse(QRectF(7, 9.5, 2, 2));
        p.drawRect(QRectF(7.6, 11, 0.8, 2.2));
    });
}

QList<QIcon> optionsTabIcons()
{
    return {generalIcon(), passwordsIcon(), employeesIcon(), securityIcon()};
}

QPixmap taskbarPicture()
{
    return draw(128, 24, [](QPainter& p) {
        raisedPanel(p, QRectF(0.5, 0.5, 127, 23), Panel);
        // Start button, two window buttons and the clock tray.
        raisedPanel(p, QRectF(3.5, 3.5, 26, 17), Panel);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 60, 40));
        p.drawRect(QRectF(7, 7, 4, 4));
        p.setBrush(QColor(60, 170, 60));
        p.drawRect(QRectF(12, 7, 4, 4));
        p.setBrush(Sky);
        p.drawRect(QRectF(7, 12, 4, 4));
        p.setBrush(Gold);
        p.drawRect(QRectF(12, 12, 4, 4));
        p.setPen(QPen(Ink, 1));
        p.drawLine(QPointF(19, 12), QPointF(27, 12));
        for (int i = 0; i < 2; ++i) {
            raisedPanel(p, QRectF(33.5 + i * 32, 3.5, 29, 17), QColor(215, 215, 215));
            p.setPen(QPen(Ink, 1));
            p.drawLine(QPointF(38 + i * 32, 12), QPointF(57 + i * 32, 12));
        }
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(99.5, 3.5, 25, 17));
        p.setPen(QPen(Ink, 1));
        p.drawLine(QPointF(104, 12), QPointF(120, 12));
    });
}

QPixmap desktopIconsPicture()
{
    return draw(64, 64, [](QPainter& p) {
        p.setPen(QPen(Ink, 1));
        p.setBrush(Desktop);
        p.drawRect(QRectF(0.5, 0.5, 63, 63));
        // A computer, a folder and a document, each with its caption line.
        p.setBrush(Panel);
        p.drawRect(QRectF(6.5, 5.5, 14, 10));
        p.setBrush(Sky);
        p.drawRect(QRectF(8.5, 7.5, 10, 6));
        p.setBrush(Panel);
        p.drawRect(QRectF(9.5, 16.5, 8, 2));
        p.setBrush(Gold);
        p.drawPolygon(QPolygonF(
            {{38.5, 8.5}, {44.5, 8.5}, {46.5, 10.5}, {56.5, 10.5}, {56.5, 19.5}, {38.5, 19.5}}));
        p.setBrush(Paper);
        p.drawRect(QRectF(9.5, 35.5, 11, 14));
        p.drawLine(QPointF(12, 40), QPointF(18, 40));
        p.drawLine(QPointF(12, 43), QPointF(18, 43));
        p.drawLine(QPointF(12, 46), QPointF(16, 46));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(7, 24), QPointF(21, 24));
        p.drawLine(QPointF(40, 24), QPointF(55, 24));
        p.drawLine(QPointF(8, 55), QPointF(22, 55));
    });
}

QPixmap startMenuPicture()
{
    return draw(48, 72, [](QPainter& p) {
        raisedPanel(p, QRectF(0.5, 0.5, 47, 71), Panel);
        // The side stripe and the menu entries, the second one highlighted.
        p.setPen(Qt::NoPen);
        p.setBrush(Navy);
        p.drawRect(QRectF(2, 2, 9, 68));
        for (int i = 0; i < 6; ++i) {
            const qreal y = 6 + i * 11;
            if (i == 1) {
                p.setBrush(Sky);
                p.drawRect(QRectF(13, y - 3, 33, 10));
            }
            p.setBrush(i % 2 ? Gold : QColor(60, 170, 60));
            p.drawRect(QRectF(15, y, 5, 5));
            p.setPen(QPen(Ink, 1));
            p.drawLine(QPointF(23, y + 2.5), QPointF(42, y + 2.5));
            p.setPen(Qt::NoPen);
        }
    });
}

QPixmap programPicture(int size)
{
    return draw(size, size, [size](QPainter& p) {
        p.scale(size / 64.0, size / 64.0);
        // A punch clock: a clock face above the card slot, with a time card in it.
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(Navy);
        p.drawRoundedRect(QRectF(8, 2, 48, 58), 6, 6);
        p.setBrush(Paper);
        p.drawEllipse(QRectF(15, 5, 34, 34));
        p.setPen(QPen(Ink, 1.5, Qt::SolidLine, Qt::RoundCap));
        for (int hour = 0; hour < 12; ++hour) {
            p.save();
            p.translate(32, 22);
            p.rotate(hour * 30.0);
            p.drawLine(QPointF(0, -14), QPointF(0, hour % 3 ? -12.5 : -11));
            p.restore();
        }
        p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(32, 22), QPointF(32, 13));
        p.drawLine(QPointF(32, 22), QPointF(39, 26));
        p.setPen(QPen(QColor(200, 40, 40), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(32, 22), QPointF(25, 30));
        // The card stands in the slot, its foot hidden by the slot.
        p.setPen(QPen(Ink, 1));
        p.setBrush(Gold);
        p.drawRect(QRectF(22.5, 41.5, 19, 12));
        p.drawLine(QPointF(25, 45), QPointF(39, 45));
        p.drawLine(QPointF(25, 48), QPointF(35, 48));
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(Ink);
        p.drawRect(QRectF(18, 51, 28, 4));
    });
}

} // namespace Artwork

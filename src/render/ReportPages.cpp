#include "render/ReportPages.h"

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

namespace {

constexpr double TwipsPerInch = 1440.0;

double toDevice(int twips, int dpi)
{
    return twips * dpi / TwipsPerInch;
}

// Lays out one line of the text in width; a line longer than the width wraps.
void layOut(QTextLayout& layout, double width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setLeadingIncluded(true);
    }
    layout.endLayout();
}

} // namespace

QFont ReportFont()
{
    QFont font(QStringLiteral("Courier"));
    font.setPointSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

bool PaintTextPages(QPainter& painter, QPagedPaintDevice& device, int dpi, const QRectF& paper,
                    const QString& text, const QFont& font, const PrintMargins& margins)
{
    const double left = toDevice(margins.left, dpi);
    const double top = toDevice(margins.top, dpi);
    const double width = paper.width() - left - toDevice(margins.right, dpi);
    const double bottom = paper.height() - toDevice(margins.bottom, dpi);
    if (width <= 0 || bottom <= top)
        return false;

    const QFont deviceFont(font, &device);
    painter.setFont(deviceFont);
    painter.setPen(Qt::black);
    double y = top;
    bool pageIsEmpty = true;
    const QStringList lines = text.split(u'\n');
    for (const QString& textLine : lines) {
        QTextLayout layout(textLine, deviceFont, &device);
        layOut(layout, width);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (!pageIsEmpty && y + line.height() > bottom) {
                if (!device.newPage())
                    return false;
                y = top;
            }
            line.draw(&painter, QPointF(left, y - line.y()));
            y += line.height();
            pageIsEmpty = false;
        }
    }
    return true;
}

#include "station/LastActionStrip.h"

#include <QPainter>

LastActionStrip::LastActionStrip(QWidget* parent) : QLabel(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text.setTextFormat(Qt::PlainText);
    m_text.setPerformanceHint(QStaticText::AggressiveCaching);
}

QPointF LastActionStrip::textOrigin() const
{
    // A framed label indents its text by half an "x" from the top and the left.
    const int indent = this->indent() >= 0 ? this->indent()
                                           : fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    const QRect inside = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    return QPointF(inside.left() + indent, inside.top() + indent);
}

void LastActionStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!text().isEmpty()) {
        // Laid out again only when the text or the painter's font has changed.
        if (m_text.text() != text())
            m_text.setText(text());
        painter.setPen(palette().color(foregroundRole()));
        painter.drawStaticText(textOrigin(), m_text);
    }
    // A sunken panel one pixel wide, over the text as a label draws it: shadow above and to the
    // left, light below and to the right.
    const QRect r = rect();
    const QBrush shade = palette().dark();
    const QBrush light = palette().light();
    painter.fillRect(r.left(), r.top(), r.width() - 1, 1, shade);
    painter.fillRect(r.left(), r.top() + 1, 1, r.height() - 2, shade);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, light);
    painter.fillRect(r.right(), r.top(), 1, r.height() - 1, light);
}

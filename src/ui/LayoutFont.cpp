#include "ui/LayoutFont.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>

namespace {

// The average letter width and the line height, in pixels at 96 dpi, of the 8-point dialog font
// the layouts were drawn with; measured as dialog units are, over the 52 letters.
constexpr double DesignLetterWidth = 5.5;
constexpr double DesignLineHeight = 13.0;

QFont eightPoint(QFont font)
{
    font.setPointSize(8);
    return font;
}

double scaleFor(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double letterWidth = metrics.horizontalAdvance(letters) / letters.size();
    return std::max({1.0, letterWidth / DesignLetterWidth, metrics.height() / DesignLineHeight});
}

} // namespace

QFont LayoutFont()
{
    return eightPoint(QApplication::font());
}

void UseLayoutFont(QWidget* window)
{
    window->setFont(eightPoint(window->font()));
}

void UseLayoutFontEverywhere()
{
    QApplication::setFont(LayoutFont());
}

double LayoutFontScale()
{
    // Measured again only when the desktop's font changes.
    static QFont measured;
    static double scale = 0;
    const QFont font = LayoutFont();
    if (scale == 0 || font != measured) {
        measured = font;
        scale = scaleFor(font);
    }
    return scale;
}

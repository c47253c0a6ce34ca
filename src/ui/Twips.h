#pragma once

#include <QRect>

// Window geometry is given in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int Twips(int twips)
{
    return twips / 15;
}
inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

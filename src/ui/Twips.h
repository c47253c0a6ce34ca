#pragma once

#include <QRect>

// Window geometry is given in twips: 1440 to the inch, 15 to a pixel at 96 dpi, for the dialog
// font the layouts were drawn with. Where the layout font is larger, every position and size
// grows with it, as dialog units do.
int Twips(int twips);
QRect TwipsRect(int left, int top, int width, int height);

#include "ui/Twips.h"

#include "ui/LayoutFont.h"

int Twips(int twips)
{
    // Truncated as a whole pixel count, so that a layout font of the design's size keeps the
    // design's pixels.
    return static_cast<int>(twips * LayoutFontScale() / 15.0);
}

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

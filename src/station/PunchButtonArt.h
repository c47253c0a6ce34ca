#pragma once

#include <QPixmap>

// The 80 x 32 pictures of the IN and OUT buttons: an arrow and the word, on a transparent ground.
QPixmap PunchButtonPicture(bool isIn);

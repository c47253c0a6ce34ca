#pragma once

#include "data/FileStore.h"
#include "render/BadgeCards.h"

class QWidget;

// Prints the cards through the program's print dialog (printer and copies), one job per copy, or
// saves them as a PDF file the user names. *done tells whether they were printed or saved: false
// when the user cancelled, or when it failed (the error then says why).
IoResult OutputBadgeCards(const QList<BadgeCard>& cards, CardOutput output, QWidget* parent,
                          bool* done);

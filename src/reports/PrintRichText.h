#pragma once

#include "data/FileStore.h"

class QTextEdit;

// Prints the whole contents of box, in its font, as one job called jobName on the current printer.
// Reports nothing to the user: a failure ends this job only, and its error says why.
IoResult PrintRichText(const QTextEdit* box, const QString& jobName, int leftMargin, int topMargin,
                       int rightMargin, int bottomMargin);

#pragma once

#include "data/Result.h"

class QTextEdit;

// Prints the whole contents of box, in its font, as one job called jobName on the current printer.
// Reports nothing to the user: a failure ends this job only, and its error says why.
Result<> PrintRichText(const QTextEdit* box, const QString& jobName, int leftMargin, int topMargin,
                       int rightMargin, int bottomMargin);

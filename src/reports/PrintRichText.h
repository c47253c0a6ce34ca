#pragma once

class QTextEdit;

// Prints the whole contents of box, in its font, as one job on the current printer. Reports
// nothing to the user: a failure ends this job only, and returns false.
bool PrintRichText(const QTextEdit* box, int leftMargin, int topMargin, int rightMargin,
                   int bottomMargin);

#include "data/ShiftCharacters.h"

Result<QString> ShiftCharacters(int length, const QString& text, int shift)
{
    QString result = text;
    const int count = qMin(length, int(text.size()));
    for (int i = 0; i < count; ++i) {
        const int code = result.at(i).unicode();
        if (code == 10 || code == 13)
            continue;
        const int shifted = code + shift;
        // Below 0 can only come from a hand-edited file; it gets the same answer as above 255.
        if (shifted > 255 || shifted < 0)
            return Failure(QStringLiteral("Encodage/Décodage non permis"));
        result[i] = QChar(char16_t(shifted));
    }
    return result;
}

bool IsLatin1(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 255)
            return false;
    }
    return true;
}

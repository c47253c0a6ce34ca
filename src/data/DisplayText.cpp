#include "data/DisplayText.h"

#include <QDir>

namespace FileStore {

QString displayPath(const QString& path)
{
    constexpr int Max = 160;
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() <= Max)
        return native;
    return native.left(Max / 3) + QStringLiteral("…") + native.right(Max - Max / 3 - 1);
}

QString displayText(const QString& text)
{
    constexpr int Max = 40;
    QString shown = text.size() <= Max ? text : text.left(Max - 1) + QStringLiteral("…");
    // An escape sequence in a hand-edited file must not reach the terminal or a message box.
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return shown;
}

} // namespace FileStore

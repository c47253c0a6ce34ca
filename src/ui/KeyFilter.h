#pragma once

#include <QValidator>

#include <functional>

class QLineEdit;
class QPlainTextEdit;

// Lets only the accepted characters into a box. Works on the text itself rather than on key
// codes, so typed, pasted, dropped and input-method text are all filtered alike; Backspace and
// the editing keys are never affected because they only remove characters. Only what was just
// inserted is filtered: a stored value that the filter would change stays as it was loaded. The
// paste keys insert the clipboard already filtered, so that junk in it does not use up the box's
// maximum length.
class KeyFilter : public QValidator
{
    Q_OBJECT
public:
    using Accepts = std::function<bool(QChar)>;

    KeyFilter(Accepts accepts, QObject* parent);

    State validate(QString& input, int& pos) const override;
    QString filtered(const QString& text) const;

    // Installs a filter on box, owned by the box.
    static void install(QLineEdit* box, Accepts accepts);

    // Accepted-character predicates used by the windows.
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
    static bool isDigitOrDash(QChar c) { return isDigit(c) || c == u'-'; }
    static bool isDigitOrDot(QChar c) { return isDigit(c) || c == u'.'; }
    // "0" to "z" in character code: the characters a password may hold.
    static bool isPasswordCharacter(QChar c) { return c >= u'0' && c <= u'z'; }

    // Shows every character of the box as "*".
    static void showAsStars(QLineEdit* box);

    // Shows a stored value whole, past the box's filter and maximum length: a hand-edited value
    // changed on loading would otherwise be saved changed without a word.
    static void setStoredText(QLineEdit* box, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Accepts m_accepts;
    // The box's text as last accepted: what a new text adds to it is what the filter judges.
    mutable QString m_accepted;
};

// A multi-line box has no maximum length of its own. Limits plainText to maxChars characters,
// counting each line break as the two characters CR LF that it takes in the file; whatever was
// just typed or pasted beyond the limit is cut off at the cursor.
void LimitPlainTextLength(QPlainTextEdit* box, int maxChars);

// The box's text with its line breaks as CR LF, as it is stored.
QString PlainTextWithCrLf(const QPlainTextEdit* box);

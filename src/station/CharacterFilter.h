#pragma once

#include <QValidator>

#include <functional>

class QLineEdit;

// Lets through exactly the characters that the predicate accepts, whether typed or pasted;
// Backspace and deletions always pass. A text with any other character is refused whole.
class CharacterFilter : public QValidator
{
public:
    using Predicate = std::function<bool(QChar)>;
    CharacterFilter(Predicate accept, QObject* parent);

    State validate(QString& input, int& pos) const override;

    // Shows every character of the box as "*".
    static void showAsStars(QLineEdit* box);
    // Installs a filter on the box.
    static void install(QLineEdit* box, Predicate accept);
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
    // "0" to "z" in character code: the characters a password may hold.
    static bool isPasswordCharacter(QChar c) { return c >= u'0' && c <= u'z'; }

private:
    Predicate m_accept;
};

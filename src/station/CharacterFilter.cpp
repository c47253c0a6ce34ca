#include "station/CharacterFilter.h"

#include <QLineEdit>

CharacterFilter::CharacterFilter(Predicate accept, QObject* parent)
    : QValidator(parent), m_accept(std::move(accept))
{
}

QValidator::State CharacterFilter::validate(QString& input, int&) const
{
    for (QChar c : input) {
        if (!m_accept(c))
            return Invalid;
    }
    return Acceptable;
}

void CharacterFilter::install(QLineEdit* box, Predicate accept)
{
    box->setValidator(new CharacterFilter(std::move(accept), box));
}

void CharacterFilter::showAsStars(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

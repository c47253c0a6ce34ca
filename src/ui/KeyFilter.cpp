#include "ui/KeyFilter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <memory>

KeyFilter::KeyFilter(Accepts accepts, QObject* parent)
    : QValidator(parent), m_accepts(std::move(accepts))
{
}

QValidator::State KeyFilter::validate(QString& input, int& pos) const
{
    // The inserted part is what lies between the text's unchanged start and unchanged end.
    const qsizetype shorter = qMin(input.size(), m_accepted.size());
    qsizetype head = 0;
    while (head < shorter && input.at(head) == m_accepted.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           input.at(input.size() - 1 - tail) == m_accepted.at(m_accepted.size() - 1 - tail))
        ++tail;

    QString kept = input.left(head);
    kept.reserve(input.size());
    int newPos = pos;
    for (qsizetype i = head; i < input.size() - tail; ++i) {
        if (m_accepts(input.at(i)))
            kept.append(input.at(i));
        else if (i < pos)
            --newPos;
    }
    kept.append(input.right(tail));
    if (kept.size() != input.size()) {
        input = kept;
        pos = newPos;
    }
    m_accepted = input;
    return Acceptable;
}

QString KeyFilter::filtered(const QString& text) const
{
    QString kept;
    for (QChar c : text) {
        if (m_accepts(c))
            kept.append(c);
    }
    return kept;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && !box->isReadOnly() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        box->insert(filtered(QGuiApplication::clipboard()->text()));
        return true;
    }
    return QValidator::eventFilter(watched, event);
}

void KeyFilter::install(QLineEdit* box, Accepts accepts)
{
    auto* filter = new KeyFilter(std::move(accepts), box);
    box->setValidator(filter);
    box->installEventFilter(filter);
}

void KeyFilter::setStoredText(QLineEdit* box, const QString& text)
{
    if (text.size() > box->maxLength())
        box->setMaxLength(int(text.size()));
    if (auto* filter = qobject_cast<const KeyFilter*>(box->validator()))
        filter->m_accepted = text; // nothing inserted: nothing to filter
    box->setText(text);
}

void KeyFilter::showAsStars(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

QString PlainTextWithCrLf(const QPlainTextEdit* box)
{
    QString text = box->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void LimitPlainTextLength(QPlainTextEdit* box, int maxChars)
{
    auto cutting = std::make_shared<bool>(false);
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, maxChars, cutting] {
        if (*cutting || PlainTextWithCrLf(box).size() <= maxChars)
            return;
        *cutting = true; // the cut below changes the text again
        QTextCursor cursor = box->textCursor();
        cursor.clearSelection();
        while (PlainTextWithCrLf(box).size() > maxChars) {
            if (!cursor.atStart())
                cursor.deletePreviousChar();
            else
                cursor.deleteChar(); // only when the text was set whole, with no typing
        }
        box->setTextCursor(cursor);
        *cutting = false;
    });
}

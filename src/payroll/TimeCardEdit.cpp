#include "payroll/TimeCardEdit.h"

IoResult TimeCardEdit::open(const QString& employee)
{
    TimeCard card;
    if (IoResult read = m_store.readTimeCard(employee, &card); !read)
        return read;
    m_employee = employee;
    m_card = card;
    m_lines = card.lines;
    m_corrections.clear();
    return IoResult::success();
}

void TimeCardEdit::note(Correction::Kind kind, const QByteArray& oldLine, const QByteArray& newLine,
                        const QString& reason)
{
    m_corrections.append({QDateTime(), m_employee, kind, oldLine, newLine, reason});
}

bool TimeCardEdit::add(bool isIn, QDate date, QTime time, const QString& reason)
{
    if (m_employee.isEmpty() || reason.trimmed().isEmpty())
        return false;
    m_lines.append(TimeCardLine::punch(isIn, date, time));
    note(Correction::Kind::Added, {}, m_lines.last().text(), reason);
    return true;
}

bool TimeCardEdit::change(int line, bool isIn, QDate date, QTime time, const QString& reason)
{
    if (line < 0 || line >= m_lines.size() || reason.trimmed().isEmpty())
        return false;
    const QByteArray old = m_lines[line].text();
    m_lines[line] = TimeCardLine::punch(isIn, date, time);
    note(Correction::Kind::Changed, old, m_lines[line].text(), reason);
    return true;
}

bool TimeCardEdit::remove(int line, const QString& reason)
{
    if (line < 0 || line >= m_lines.size() || reason.trimmed().isEmpty())
        return false;
    const QByteArray old = m_lines[line].text();
    m_lines.removeAt(line);
    note(Correction::Kind::Deleted, old, {}, reason.simplified());
    return true;
}

void TimeCardEdit::discard()
{
    m_lines = m_card.lines;
    m_corrections.clear();
}

IoResult TimeCardEdit::save(const QDateTime& now)
{
    if (m_employee.isEmpty())
        return IoResult::failure(QStringLiteral("No time card is open."));
    QList<Correction> made = m_corrections;
    for (Correction& c : made)
        c.when = now;
    if (IoResult saved = m_store.saveCorrections(m_employee, m_card, m_lines, made); !saved)
        return saved;
    return open(m_employee);
}

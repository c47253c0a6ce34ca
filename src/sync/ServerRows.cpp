#include "sync/ServerRows.h"

#include "sync/LibpqCalls.h"

#include <QDateTime>
#include <QTimeZone>

namespace {

// Type numbers of the server's catalog (pg_type.oid), fixed since long.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

// The bytes of bytea's hex output ("\x0a1b").
QByteArray ByteaBytes(QByteArrayView text)
{
    if (!text.startsWith("\\x"))
        return text.toByteArray();
    return QByteArray::fromHex(text.sliced(2).toByteArray());
}

int Digits(QByteArrayView text, qsizetype at, int count, bool* ok)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = at + i < text.size() ? text[at + i] : 'x';
        if (c < '0' || c > '9') {
            *ok = false;
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QDateTime ServerMoment(QByteArrayView text)
{
    // yyyy-MM-dd hh:mm:ss[.ffffff][+hh[:mm[:ss]]]
    bool ok = true;
    const int year = Digits(text, 0, 4, &ok), month = Digits(text, 5, 2, &ok),
              day = Digits(text, 8, 2, &ok), hour = Digits(text, 11, 2, &ok),
              minute = Digits(text, 14, 2, &ok), second = Digits(text, 17, 2, &ok);
    if (!ok || text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return {};
    qsizetype at = 19;
    int ms = 0;
    if (at < text.size() && text[at] == '.') {
        int scale = 100;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            ms += (text[at] - '0') * scale;
            scale /= 10;
        }
    }
    int offset = 0;
    if (at < text.size()) {
        const int sign = text[at] == '-' ? -1 : 1;
        if (text[at] != '+' && text[at] != '-')
            return {};
        offset = Digits(text, at + 1, 2, &ok) * 3600;
        if (at + 3 < text.size() && text[at + 3] == ':')
            offset += Digits(text, at + 4, 2, &ok) * 60;
        if (!ok)
            return {};
        offset *= sign;
    }
    const QDateTime when(QDate(year, month, day), QTime(hour, minute, second, ms),
                         Qt::OffsetFromUTC, offset);
    return when.isValid() ? when.toUTC() : QDateTime();
}

ServerRows::ServerRows(pg_result* result)
    : m_result(result, [](pg_result* r) {
          if (const LibpqCalls* libpq = Libpq())
              libpq->clear(r);
      })
{
}

bool ServerRows::next()
{
    if (m_row + 1 >= size())
        return false;
    ++m_row;
    return true;
}

int ServerRows::size() const
{
    return m_result ? Libpq()->ntuples(m_result.get()) : 0;
}

QVariant ServerRows::value(int column) const
{
    const LibpqCalls* libpq = Libpq();
    pg_result* result = m_result.get();
    if (!result || m_row < 0 || m_row >= size() || column < 0 || column >= libpq->nfields(result) ||
        libpq->getisnull(result, m_row, column))
        return {};
    const QByteArrayView text(libpq->getvalue(result, m_row, column),
                              libpq->getlength(result, m_row, column));
    switch (libpq->ftype(result, column)) {
    case BoolOid:
        return text == "t";
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
        return text.toByteArray().toLongLong();
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return text.toByteArray().toDouble();
    case ByteaOid:
        return ByteaBytes(text);
    case TimestampOid:
    case TimestampTzOid:
        return ServerMoment(text);
    default:
        return QString::fromUtf8(text);
    }
}

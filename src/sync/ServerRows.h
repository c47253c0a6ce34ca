#pragma once

#include <QDateTime>
#include <QVariant>

#include <memory>

struct pg_result;

// The rows of one statement's answer, read forward as a QSqlQuery is: next() moves to the first
// row, then to each following one. Values come typed as the server names their columns (a
// boolean, a whole number, a number, bytes, a moment, else text); a NULL is a null QVariant.
class ServerRows
{
public:
    ServerRows() = default;
    // Takes the result, and frees it with the last copy.
    explicit ServerRows(pg_result* result);

    bool next();
    QVariant value(int column) const;
    int size() const;

private:
    std::shared_ptr<pg_result> m_result;
    int m_row = -1;
};

// A moment in the server's ISO text ("2026-12-08 23:29:43.123456+00"); invalid when it is not.
QDateTime ServerMoment(QByteArrayView text);

#pragma once

#include <libpq-fe.h>

// The libpq calls Horodex talks to the server with, looked up in libpq.so.5 when the first
// connection string is read or the first connection opens: a program that never connects never
// loads libpq, nor the TLS, Kerberos and LDAP libraries behind it. For this folder's sources only
// (the build gives them libpq's declarations).
struct LibpqCalls
{
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQsetNoticeProcessor) setNoticeProcessor = nullptr;
    decltype(&PQconninfoParse) conninfoParse = nullptr;
    decltype(&PQconninfoFree) conninfoFree = nullptr;
    decltype(&PQconnectdbParams) connectdbParams = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQfinish) finish = nullptr;
    decltype(&PQserverVersion) serverVersion = nullptr;
    decltype(&PQsslInUse) sslInUse = nullptr;
    decltype(&PQexec) exec = nullptr;
    decltype(&PQexecParams) execParams = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQresultErrorField) resultErrorField = nullptr;
    decltype(&PQcmdStatus) cmdStatus = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQftype) ftype = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQgetlength) getlength = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQclear) clear = nullptr;
};

// Loads libpq on the first call; null when it is not installed or lacks a call. Once found, kept
// loaded for the rest of the run.
const LibpqCalls* Libpq();

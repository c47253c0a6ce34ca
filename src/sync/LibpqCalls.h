#pragma once

#include <libpq-fe.h>

// The libpq calls Qt SQL does not offer, taken from the libpq that Qt's PostgreSQL driver loaded:
// a program that never connects never loads libpq, nor the TLS, Kerberos and LDAP libraries
// behind it. For this folder's sources only (the build gives them libpq's declarations).
struct LibpqCalls
{
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQsetNoticeProcessor) setNoticeProcessor = nullptr;
    decltype(&PQconninfoParse) conninfoParse = nullptr;
    decltype(&PQconninfoFree) conninfoFree = nullptr;
};

// Null while nothing has loaded libpq; once found, kept loaded for the rest of the run.
const LibpqCalls* Libpq();

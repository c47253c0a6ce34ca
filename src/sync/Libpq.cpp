#include "sync/Libpq.h"

#include "sync/LibpqCalls.h"

// libpq's declarations only: its calls are looked up (dlfcn), so that it loads when needed.
#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace {

// The library under soname, holding a reference to it, when it offers every call; load: whether
// to load it when no one did yet.
void* FindLibpqCalls(const char* soname, LibpqCalls* calls, bool load)
{
    void* library = dlopen(soname, RTLD_NOW | (load ? RTLD_LOCAL : RTLD_NOLOAD));
    if (!library)
        return nullptr;
    const auto find = [library](auto* call, const char* name) {
        *call = reinterpret_cast<std::remove_pointer_t<decltype(call)>>(dlsym(library, name));
        return *call != nullptr;
    };
    const bool all =
        find(&calls->socket, "PQsocket") &&
        find(&calls->setNoticeProcessor, "PQsetNoticeProcessor") &&
        find(&calls->conninfoParse, "PQconninfoParse") &&
        find(&calls->conninfoFree, "PQconninfoFree") &&
        find(&calls->connectdbParams, "PQconnectdbParams") && find(&calls->status, "PQstatus") &&
        find(&calls->errorMessage, "PQerrorMessage") && find(&calls->finish, "PQfinish") &&
        find(&calls->serverVersion, "PQserverVersion") && find(&calls->sslInUse, "PQsslInUse") &&
        find(&calls->exec, "PQexec") && find(&calls->execParams, "PQexecParams") &&
        find(&calls->resultStatus, "PQresultStatus") &&
        find(&calls->resultErrorField, "PQresultErrorField") &&
        find(&calls->cmdStatus, "PQcmdStatus") && find(&calls->ntuples, "PQntuples") &&
        find(&calls->nfields, "PQnfields") && find(&calls->ftype, "PQftype") &&
        find(&calls->getvalue, "PQgetvalue") && find(&calls->getlength, "PQgetlength") &&
        find(&calls->getisnull, "PQgetisnull") && find(&calls->clear, "PQclear");
    if (!all) {
        dlclose(library);
        return nullptr;
    }
    return library;
}

} // namespace

const LibpqCalls* Libpq()
{
    static std::mutex mutex;
    static LibpqCalls calls;
    static void* library = nullptr;
    std::lock_guard lock(mutex);
    if (!library)
        library = FindLibpqCalls(LibpqSoname, &calls, true);
    return library ? &calls : nullptr;
}

QString LibpqMissing()
{
    return QStringLiteral("PostgreSQL's client library %1 (package libpq5) is not installed.")
        .arg(QLatin1String(LibpqSoname));
}

bool LibpqCallsLoaded(const char* soname)
{
    LibpqCalls calls;
    void* library = FindLibpqCalls(soname, &calls, false);
    if (library)
        dlclose(library);
    return library != nullptr;
}

IoResult ReadConnectionString(const QString& text, QList<QPair<QString, QString>>* parameters)
{
    parameters->clear();
    const LibpqCalls* libpq = Libpq();
    if (!libpq)
        return IoResult::failure(LibpqMissing());
    PQconninfoOption* options = libpq->conninfoParse(text.toUtf8().constData(), nullptr);
    if (!options)
        return IoResult::failure(QStringLiteral(
            "it is not a URI of the form postgresql://user@host:port/database, nor key=value "
            "words, as libpq reads them"));
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (option->val)
            parameters->append(
                {QString::fromUtf8(option->keyword), QString::fromUtf8(option->val)});
    }
    libpq->conninfoFree(options);
    return IoResult::success();
}

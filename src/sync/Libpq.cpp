#include "sync/Libpq.h"

#include "sync/LibpqCalls.h"

#include <QSqlDatabase>

// libpq's declarations only: its calls are looked up (dlfcn) in the copy Qt's driver loads.
#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace {

// The library already loaded under soname, holding a reference to it, when it offers every call.
void* FindLibpqCalls(const char* soname, LibpqCalls* calls)
{
    void* library = dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return nullptr;
    const auto find = [library](auto* call, const char* name) {
        *call = reinterpret_cast<std::remove_pointer_t<decltype(call)>>(dlsym(library, name));
        return *call != nullptr;
    };
    const bool all = find(&calls->socket, "PQsocket") &&
                     find(&calls->setNoticeProcessor, "PQsetNoticeProcessor") &&
                     find(&calls->conninfoParse, "PQconninfoParse") &&
                     find(&calls->conninfoFree, "PQconninfoFree");
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
        library = FindLibpqCalls(LibpqSoname, &calls);
    return library ? &calls : nullptr;
}

bool LibpqCallsLoaded(const char* soname)
{
    LibpqCalls calls;
    void* library = FindLibpqCalls(soname, &calls);
    if (library)
        dlclose(library);
    return library != nullptr;
}

IoResult ReadConnectionString(const QString& text, QList<QPair<QString, QString>>* parameters)
{
    parameters->clear();
    const LibpqCalls* libpq = Libpq();
    if (!libpq && QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        // Making the driver loads its plugin, and libpq with it; Qt never unloads them.
        const QString probe = QStringLiteral("horodex-libpq-probe");
        QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), probe);
        QSqlDatabase::removeDatabase(probe);
        libpq = Libpq();
    }
    if (!libpq)
        return IoResult::failure(
            QStringLiteral("Qt's PostgreSQL driver (package libqt6sql6-psql) is not installed."));
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

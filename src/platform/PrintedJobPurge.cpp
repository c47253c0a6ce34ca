#include "platform/PrintedJobPurge.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <ctime>
#include <dlfcn.h>

namespace {

// The part of libcups's cups_job_t that is read here; its layout has not changed since CUPS 1.1.
struct CupsJob
{
    int id;
    char* dest;
    char* title;
    char* user;
    char* format;
    int state;
    int size;
    int priority;
    time_t completedTime;
    time_t creationTime;
    time_t processingTime;
};

constexpr int AllJobs = -1;           // CUPS_WHICHJOBS_ALL
constexpr int FirstFinishedState = 7; // IPP_JSTATE_CANCELED; then aborted and completed

// libcups as Qt loaded it to print; absent when the platform printed without it.
class Cups
{
public:
    Cups() : m_library(dlopen("libcups.so.2", RTLD_NOW | RTLD_NOLOAD))
    {
        if (!m_library)
            return;
        m_getJobs = reinterpret_cast<GetJobs>(dlsym(m_library, "cupsGetJobs2"));
        m_freeJobs = reinterpret_cast<FreeJobs>(dlsym(m_library, "cupsFreeJobs"));
        m_cancelJob = reinterpret_cast<CancelJob>(dlsym(m_library, "cupsCancelJob2"));
    }
    ~Cups()
    {
        if (m_library)
            dlclose(m_library);
    }
    Cups(const Cups&) = delete;
    Cups& operator=(const Cups&) = delete;

    explicit operator bool() const { return m_getJobs && m_freeJobs && m_cancelJob; }

    // The newest job of this user on printer with title; 0 for none.
    int newestJob(const QByteArray& printer, const QByteArray& title) const
    {
        int newest = 0;
        forEachJob(printer, [&](const CupsJob& job) {
            if (job.title && title == job.title && job.id > newest)
                newest = job.id;
        });
        return newest;
    }

    // The job's state; 0 once the server no longer has it.
    int stateOf(const QByteArray& printer, int id) const
    {
        int state = 0;
        forEachJob(printer, [&](const CupsJob& job) {
            if (job.id == id)
                state = job.state;
        });
        return state;
    }

    // Cancel-Job with purge-job: a finished job leaves the history, its document deleted.
    void purge(const QByteArray& printer, int id) const
    {
        m_cancelJob(nullptr, printer.constData(), id, 1);
    }

private:
    using GetJobs = int (*)(void* http, CupsJob** jobs, const char* name, int myJobs, int which);
    using FreeJobs = void (*)(int count, CupsJob* jobs);
    using CancelJob = int (*)(void* http, const char* name, int id, int purge);

    template <typename Visit> void forEachJob(const QByteArray& printer, Visit visit) const
    {
        CupsJob* jobs = nullptr;
        const int count = m_getJobs(nullptr, &jobs, printer.constData(), 1, AllJobs);
        for (int i = 0; i < count; ++i)
            visit(jobs[i]);
        if (count > 0)
            m_freeJobs(count, jobs);
    }

    void* m_library;
    GetJobs m_getJobs = nullptr;
    FreeJobs m_freeJobs = nullptr;
    CancelJob m_cancelJob = nullptr;
};

// Asks after the job at growing intervals, and purges it once it is finished.
class JobWatch final : public QObject
{
public:
    JobWatch(QByteArray printer, int id)
        : QObject(QCoreApplication::instance()), m_printer(std::move(printer)), m_id(id),
          m_deadline(PrintedJobPurge::WatchMs)
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &JobWatch::look);
        look();
    }

private:
    static constexpr int FirstLookMs = 250;
    static constexpr int LongestPauseMs = 15000;

    void look()
    {
        const Cups cups;
        const int state = cups ? cups.stateOf(m_printer, m_id) : 0;
        if (state >= FirstFinishedState)
            cups.purge(m_printer, m_id);
        if (state == 0 || state >= FirstFinishedState || m_deadline.hasExpired()) {
            deleteLater();
            return;
        }
        m_pauseMs = m_pauseMs == 0 ? FirstLookMs : qMin(m_pauseMs * 2, LongestPauseMs);
        m_timer.start(m_pauseMs);
    }

    QByteArray m_printer;
    int m_id;
    QDeadlineTimer m_deadline;
    QTimer m_timer;
    int m_pauseMs = 0;
};

} // namespace

namespace PrintedJobPurge {

void purgeOncePrinted(const QString& printer, const QString& title)
{
    const Cups cups;
    if (!cups || !QCoreApplication::instance())
        return;
    const QByteArray queue = printer.toUtf8();
    if (const int id = cups.newestJob(queue, title.toUtf8()); id > 0)
        new JobWatch(queue, id);
}

} // namespace PrintedJobPurge

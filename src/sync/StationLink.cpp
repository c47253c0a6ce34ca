#include "sync/StationLink.h"

#include "sync/ServerCorrections.h"
#include "sync/ServerReports.h"
#include "sync/ServerWhoIsIn.h"
#include "sync/SyncDatabase.h"

namespace {

StationConfig InGroupOfItsOwn(StationConfig config)
{
    config.database.abortGroup = SyncDatabase::newAbortGroup();
    return config;
}

} // namespace

StationLink::StationLink(const StationConfig& config, QObject* parent)
    : QObject(parent), m_config(InGroupOfItsOwn(config)), m_thread(std::make_unique<QThread>()),
      m_sync(new StationSync(m_config)), m_asker(m_config)
{
    m_sync->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_sync, &QObject::deleteLater);
    connect(m_sync, &StationSync::roundFinished, this, [this](const SyncStatus& status) {
        {
            QMutexLocker lock(&m_mutex);
            m_status = status;
        }
        Q_EMIT statusChanged(status);
        if (!status.replaced.isEmpty())
            Q_EMIT sharedFilesReplaced(status.replaced);
    });
    m_thread->start();
    QMetaObject::invokeMethod(m_sync, &StationSync::start, Qt::QueuedConnection);
}

std::unique_ptr<StationLink> StationLink::fromDataFolder(IoResult* result)
{
    std::optional<StationConfig> config;
    *result = ReadStationConfig(&config);
    if (!*result || !config)
        return nullptr;
    return std::make_unique<StationLink>(*config);
}

StationLink::~StationLink()
{
    // The program is ending: no exchange may keep it waiting on a frozen server.
    m_thread->quit();
    SyncDatabase::abortGroup(m_config.database.abortGroup);
    if (!m_thread->wait(ExitWaitMs)) {
        // Still connecting: left to end on its own, with what it uses.
        disconnect(m_sync, nullptr, this, nullptr);
        (void)m_thread.release();
    }
}

SyncStatus StationLink::status() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

std::optional<TimeRecord> StationLink::lastPunch(const QString& employee, LastActionSource* source,
                                                 IoResult* result)
{
    return m_asker.lastPunch(employee, source, result);
}

IoResult StationLink::windowDatabase(SyncDatabase** database)
{
    if (!m_windowDatabase)
        m_windowDatabase = std::make_unique<SyncDatabase>(m_config.database);
    *database = m_windowDatabase.get();
    return m_windowDatabase->isOpen() ? IoResult::success() : m_windowDatabase->open();
}

IoResult StationLink::dropOnFailure(const IoResult& result)
{
    // A connection that failed may be broken: the next window connects afresh.
    if (!result && m_windowDatabase)
        m_windowDatabase->close();
    return result;
}

Result<ReportTexts>
StationLink::serverReport(const std::function<Result<ReportTexts>(SyncDatabase&)>& build)
{
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return Failure{r.error, QString()};
    Result<ReportTexts> report = build(*database);
    if (!report)
        dropOnFailure(IoResult::failure(report.failure().message));
    return report;
}

Result<ReportTexts> StationLink::singleReport(const SingleReportInput& input)
{
    return serverReport(
        [&input](SyncDatabase& database) { return CreateSingleReportFromServer(database, input); });
}

Result<ReportTexts> StationLink::multipleReport(const MultipleReportInput& input)
{
    return serverReport([&input](SyncDatabase& database) {
        return CreateMultipleReportFromServer(database, input);
    });
}

IoResult StationLink::lastRecords(const QStringList& employees, QHash<QString, TimeRecord>* records)
{
    records->clear();
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return r;
    return dropOnFailure(NewestPunchesEverywhere(*database, m_config.station, employees, records));
}

IoResult StationLink::whoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                              const QTimeZone& zone, WhoIsInList* list)
{
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return r;
    return dropOnFailure(
        FindWhoIsInEverywhere(*database, m_config.station, employees, now, zone, list));
}

IoResult StationLink::readTimeCard(const QString& employee, TimeCard* card)
{
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return r;
    return dropOnFailure(ReadServerTimeCard(*database, employee, card));
}

IoResult StationLink::saveCorrections(const QString& employee, const TimeCard& read,
                                      const QList<TimeCardLine>& corrected,
                                      const QList<Correction>& corrections)
{
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return r;
    return dropOnFailure(SaveServerCorrections(*database, employee, read, corrected, corrections));
}

IoResult StationLink::correctionLogHead(CorrectionLogHead* head)
{
    SyncDatabase* database = nullptr;
    if (IoResult r = windowDatabase(&database); !r)
        return r;
    return dropOnFailure(ReadServerCorrectionHead(*database, head));
}

void StationLink::exchangeNow()
{
    QMetaObject::invokeMethod(m_sync, &StationSync::start, Qt::QueuedConnection);
}

QString ManagedAtHeadText(const QString& headStation)
{
    if (headStation.isEmpty())
        return QStringLiteral("Employees and options are managed at the head station.");
    return QStringLiteral("Employees and options are managed at the head station \"%1\".")
        .arg(headStation);
}

QString PayrollAtHeadText(const QString& station)
{
    return QStringLiteral("Payroll reports are built at the head station, or with "
                          "horodex-report --database on a computer trusted with pay: punch "
                          "station \"%1\" keeps no pay rates.")
        .arg(FileStore::displayText(station));
}

QString WaitingPunchesText(qint64 waiting)
{
    if (waiting <= 0)
        return QString();
    return waiting == 1 ? QStringLiteral("1 punch waits to be sent")
                        : QStringLiteral("%1 punches wait to be sent").arg(waiting);
}

QString StationStatusText(const StationConfig& config, const SyncStatus& status)
{
    QStringList lines{
        QStringLiteral("Station \"%1\" (%2) of the shared database %3.")
            .arg(config.station,
                 config.isHead() ? QStringLiteral("head station") : QStringLiteral("punch station"),
                 config.database.describe())};
    if (!config.isHead())
        lines.append(ManagedAtHeadText(status.headStation));
    if (const QString waiting = WaitingPunchesText(status.waiting); !waiting.isEmpty())
        lines.append(waiting + u'.');
    if (!status.error.isEmpty())
        lines.append(QStringLiteral("Last exchange: %1").arg(status.error));
    // Other computers of this name, and time files that cannot be sent.
    lines += status.problems;
    return lines.join(u'\n');
}

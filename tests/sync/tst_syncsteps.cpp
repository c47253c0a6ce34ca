// Every path of the exchange failed at each of its steps on purpose: an error, a reply lost after
// the server did the work, the link cut, the record of sent lines not written. The next rounds
// must leave the server holding each line any computer wrote exactly once, and the record of
// corrections intact.
#include "data/CorrectionLog.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "sync/StationConfig.h"
#include "sync/StationSync.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace {

using Fault = SyncDatabase::Fault;

const QString Kim = QStringLiteral("Kim.txt");

// One round of the station whose folder this is, in this process.
SyncStatus Round(const DataFolder& folder)
{
    Environment::setDataDirectory(folder.path());
    std::optional<StationConfig> config;
    if (!ReadStationConfig(&config) || !config)
        qFatal("test station file unreadable");
    StationSync sync(*config);
    const SyncStatus status = sync.runRound();
    Environment::setDataDirectory(QString());
    return status;
}

// Rounds until one finishes with nothing waiting (a few at most).
bool Settle(const DataFolder& folder)
{
    for (int i = 0; i < 4; ++i) {
        const SyncStatus status = Round(folder);
        if (status.error.isEmpty() && status.waiting == 0)
            return true;
    }
    return false;
}

// A path of the exchange: the folders it needs made ready, the round under test to run, and
// the lines and corrections the server must hold in the end.
struct Path
{
    // Makes the state before the round under test; returns the folder that runs it.
    std::function<void(const QString& uri, QList<DataFolder*>& folders)> prepare;
    std::function<QList<QByteArray>(const QList<DataFolder*>& folders)> expected;
    int corrections = 0;
};

void MakeStation(DataFolder* folder, const QString& uri,
                 const QString& role = QStringLiteral("punch"))
{
    folder->writeStation(uri, QStringLiteral("front"), role);
    folder->writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    folder->writeDefaultOptions();
}

QList<QByteArray> FileLines(const QList<DataFolder*>& folders)
{
    return SplitLines(folders.constFirst()->read(Kim));
}

QByteArray Rewritten()
{
    const QByteArray before = KimPunches(0, 4);
    return before.left(62) + before.mid(93) + punchLine("IN ", "03/11/2008", "07:00") +
           punchLine("OUT", "03/11/2008", "15:00");
}

QByteArray OneCorrectionLog()
{
    const QDateTime when(QDate(2008, 3, 12), QTime(9, 0), QTimeZone::utc());
    return FormatCorrections({{when,
                               QStringLiteral("Kim"),
                               Correction::Kind::Added,
                               {},
                               punchLine("IN ", "03/12/2008", "08:00").chopped(2),
                               QStringLiteral("forgot")},
                              {when,
                               QStringLiteral("Kim"),
                               Correction::Kind::Deleted,
                               punchLine("OUT", "03/12/2008", "08:01").chopped(2),
                               {},
                               QStringLiteral("twice")}},
                             CorrectionChainStart());
}

QHash<QString, Path> Paths()
{
    QHash<QString, Path> paths;
    paths.insert(QStringLiteral("append"), {[](const QString& uri, QList<DataFolder*>& f) {
                                                MakeStation(f[0], uri);
                                                f[0]->write(Kim, KimPunches(0, 4));
                                                QVERIFY(Settle(*f[0]));
                                                f[0]->append(Kim, KimPunches(4, 3));
                                            },
                                            FileLines, 0});
    paths.insert(QStringLiteral("new file"), {[](const QString& uri, QList<DataFolder*>& f) {
                                                  MakeStation(f[0], uri);
                                                  f[0]->write(Kim, KimPunches(0, 5));
                                              },
                                              FileLines, 0});
    paths.insert(QStringLiteral("rewrite re-send"), {[](const QString& uri, QList<DataFolder*>& f) {
                                                         MakeStation(f[0], uri);
                                                         f[0]->write(Kim, KimPunches(0, 4));
                                                         QVERIFY(Settle(*f[0]));
                                                         f[0]->write(Kim, Rewritten());
                                                     },
                                                     FileLines, 3});
    paths.insert(QStringLiteral("station.sent lost"),
                 {[](const QString& uri, QList<DataFolder*>& f) {
                      MakeStation(f[0], uri);
                      f[0]->write(Kim, KimPunches(0, 4));
                      QVERIFY(Settle(*f[0]));
                      QFile::remove(f[0]->file(QStringLiteral("station.sent")));
                      f[0]->append(Kim, KimPunches(4, 2));
                  },
                  FileLines, 0});
    // The old computer sent eight lines; the new one has the backup of five and punched once.
    const auto restored = [](bool withRecord) {
        return [withRecord](const QString& uri, QList<DataFolder*>& f) {
            MakeStation(f[1], uri);
            f[1]->write(Kim, KimPunches(0, 5));
            QVERIFY(Settle(*f[1]));
            CopyFolder(*f[1], *f[0]);
            if (!withRecord)
                QFile::remove(f[0]->file(QStringLiteral("station.sent")));
            f[1]->append(Kim, KimPunches(5, 3));
            QVERIFY(Settle(*f[1]));
            f[0]->append(Kim, punchLine("IN ", "03/14/2008", "08:00"));
        };
    };
    const auto both = [](const QList<DataFolder*>& f) {
        return SplitLines(f[1]->read(Kim)) + SplitLines(f[0]->read(Kim)).mid(5);
    };
    paths.insert(QStringLiteral("restored with its record"), {restored(true), both, 0});
    paths.insert(QStringLiteral("restored without its record"), {restored(false), both, 0});
    paths.insert(QStringLiteral("copied folder"),
                 {[](const QString& uri, QList<DataFolder*>& f) {
                      MakeStation(f[1], uri);
                      f[1]->write(Kim, KimPunches(0, 2));
                      QVERIFY(Settle(*f[1]));
                      CopyFolder(*f[1], *f[0]);
                      f[1]->append(Kim, KimPunches(2, 1));
                      QVERIFY(Settle(*f[1]));
                      f[0]->append(Kim, punchLine("IN ", "03/10/2008", "17:45"));
                  },
                  [](const QList<DataFolder*>& f) {
                      return SplitLines(f[1]->read(Kim)) + SplitLines(f[0]->read(Kim)).mid(2);
                  },
                  0});
    paths.insert(QStringLiteral("head: shared files and the record carried over"),
                 {[](const QString& uri, QList<DataFolder*>& f) {
                      MakeStation(f[0], uri, QStringLiteral("head"));
                      f[0]->write(Kim, KimPunches(0, 3));
                      f[0]->write(QStringLiteral("corrections.log"), OneCorrectionLog());
                  },
                  FileLines, 2});
    return paths;
}

// The statements a round of the path runs when nothing fails.
int CountSteps(const QString& uri, const Path& path)
{
    DataFolder a, b;
    QList<DataFolder*> folders{&a, &b};
    path.prepare(uri, folders);
    int steps = 0;
    SyncDatabase::setFaultHook([&steps](const char*) {
        ++steps;
        return Fault::None;
    });
    Round(a);
    SyncDatabase::setFaultHook({});
    return steps;
}

void Empty(const QString& uri)
{
    ServerExec(uri, QStringLiteral("TRUNCATE horodex_punch, horodex_punch_tally, "
                                   "horodex_correction, horodex_origin, horodex_station, "
                                   "horodex_head, horodex_shared_file"));
}

} // namespace

class TestSyncSteps : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void everyStepFailed_nextRoundsHoldEachLineOnce_data();
    void everyStepFailed_nextRoundsHoldEachLineOnce();
    void stationSentUnwritable_roundsAfterRoundsStoreNothingTwice_data();
    void stationSentUnwritable_roundsAfterRoundsStoreNothingTwice();

private:
    QString m_uri;
};

void TestSyncSteps::init()
{
    REQUIRE_TEST_SERVER();
    if (m_uri.isEmpty()) {
        m_uri = FreshDatabaseUri();
        // A first round makes the schema.
        DataFolder first;
        MakeStation(&first, m_uri);
        Round(first);
    }
    Empty(m_uri);
}

void TestSyncSteps::cleanup()
{
    SyncDatabase::setFaultHook({});
    FileStore::setFaultHook({});
}

void TestSyncSteps::everyStepFailed_nextRoundsHoldEachLineOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("fault");
    const QStringList names{QStringLiteral("append"),
                            QStringLiteral("new file"),
                            QStringLiteral("rewrite re-send"),
                            QStringLiteral("station.sent lost"),
                            QStringLiteral("restored with its record"),
                            QStringLiteral("restored without its record"),
                            QStringLiteral("copied folder"),
                            QStringLiteral("head: shared files and the record carried over")};
    const QStringList faults{QStringLiteral("error"), QStringLiteral("lost reply"),
                             QStringLiteral("cut link"), QStringLiteral("station.sent unwritten")};
    for (const QString& name : names) {
        for (int fault = 0; fault < faults.size(); ++fault)
            QTest::addRow("%s, %s", qPrintable(name), qPrintable(faults.at(fault)))
                << name << fault;
    }
}

void TestSyncSteps::everyStepFailed_nextRoundsHoldEachLineOnce()
{
    QFETCH(QString, path);
    QFETCH(int, fault);
    const Path p = Paths().value(path);
    const int steps = CountSteps(m_uri, p);
    QVERIFY(steps > 3);
    // station.sent unwritten is one case: every write of it in the round fails.
    const int cases = fault == 3 ? 1 : steps;
    for (int step = 0; step < cases; ++step) {
        Empty(m_uri);
        DataFolder a, b;
        QList<DataFolder*> folders{&a, &b};
        p.prepare(m_uri, folders);
        if (QTest::currentTestFailed())
            return;
        int at = 0;
        if (fault == 3) {
            FileStore::setFaultHook([](const char* call, const QString& file) {
                return qstrcmp(call, "rename") == 0 && file.endsWith(QLatin1String("station.sent"))
                           ? ENOSPC
                           : 0;
            });
        } else {
            const Fault kind = fault == 0   ? Fault::Fail
                               : fault == 1 ? Fault::LoseReply
                                            : Fault::CutLink;
            SyncDatabase::setFaultHook(
                [&at, step, kind](const char*) { return at++ == step ? kind : Fault::None; });
        }
        Round(a);
        SyncDatabase::setFaultHook({});
        FileStore::setFaultHook({});
        QVERIFY2(Settle(a), qPrintable(QStringLiteral("step %1").arg(step)));
        const QList<QByteArray> live =
            ServerLines(m_uri, QStringLiteral("SELECT line FROM horodex_punch WHERE NOT removed"));
        QCOMPARE(SortedLines(live), SortedLines(p.expected(folders)));
        QByteArray record;
        for (const QByteArray& line :
             ServerLines(m_uri, QStringLiteral("SELECT line FROM horodex_correction ORDER BY seq")))
            record += line + '\n';
        const CorrectionLogContents contents = ParseCorrectionLog(record);
        QVERIFY2(contents.intact(), qPrintable(QStringLiteral("step %1").arg(step)));
        QCOMPARE(contents.hashes.size(), p.corrections);
        // What the tally counts is what the reports read.
        QCOMPARE(ServerLines(m_uri, QStringLiteral("SELECT COALESCE(sum(lines), 0)::text FROM "
                                                   "horodex_punch_tally")),
                 QList<QByteArray>{QByteArray::number(live.size())});
    }
}

void TestSyncSteps::stationSentUnwritable_roundsAfterRoundsStoreNothingTwice_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("append") << QStringLiteral("append");
    QTest::newRow("rewrite re-send") << QStringLiteral("rewrite re-send");
    QTest::newRow("restored with its record") << QStringLiteral("restored with its record");
}

void TestSyncSteps::stationSentUnwritable_roundsAfterRoundsStoreNothingTwice()
{
    QFETCH(QString, path);
    const Path p = Paths().value(path);
    DataFolder a, b;
    QList<DataFolder*> folders{&a, &b};
    p.prepare(m_uri, folders);
    FileStore::setFaultHook([](const char* call, const QString& file) {
        return qstrcmp(call, "rename") == 0 && file.endsWith(QLatin1String("station.sent")) ? ENOSPC
                                                                                            : 0;
    });
    for (int i = 0; i < 3; ++i)
        QVERIFY(!Round(a).error.isEmpty());
    FileStore::setFaultHook({});
    QVERIFY(Settle(a));
    QCOMPARE(
        SortedLines(ServerLines(m_uri, QStringLiteral("SELECT line FROM horodex_punch WHERE NOT "
                                                      "removed"))),
        SortedLines(p.expected(folders)));
    QCOMPARE(ServerLines(m_uri, QStringLiteral("SELECT count(*)::text FROM horodex_correction")),
             QList<QByteArray>{QByteArray::number(p.corrections)});
}

QTEST_GUILESS_MAIN(TestSyncSteps)
#include "tst_syncsteps.moc"

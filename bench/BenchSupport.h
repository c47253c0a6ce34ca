#pragma once

#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QObject>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

// Runs body repeatedly and returns the median duration in microseconds.
inline double medianMicros(int repetitions, const std::function<void()>& body)
{
    std::vector<double> samples;
    samples.reserve(size_t(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// A program directory with a data folder holding the settings of a first run and 1,000
// employees, "Employee 0000" onwards, installed as the program's directory.
inline bool PrepareStationFolder(const QString& dir)
{
    if (!QDir(dir).mkdir(QStringLiteral("data")))
        return false;
    Environment::setProgramDirectoryForTesting(dir);
    QByteArray names;
    for (int i = 0; i < 1000; ++i) {
        EmployeeRecord r;
        r.Name = QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
        r.Pin = ScramblePin(QStringLiteral("1234"));
        r.SSN = QStringLiteral("000-00-0000");
        r.RegularRate = QStringLiteral("8.00");
        r.OvertimeRate = QStringLiteral("12.00");
        r.Shift = QStringLiteral("1");
        names += SerializeEmployeeRecord(r);
    }
    return WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("bench123"))) &&
           FileStore::replaceFile(EmployeeListPath(), names);
}

// The bare minimum of a punch: a 31-byte line appended to a file of the data folder and flushed
// with fdatasync, once.
inline void bareAppend()
{
    static const QByteArray line("IN    01/15/2001        08:05\r\n");
    const QByteArray rawPath =
        QFile::encodeName(Environment::dataFilePath(QStringLiteral("raw.txt")));
    // The benchmark's own file, but even here a link is not followed.
    const int fd =
        ::open(rawPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::perror("open");
        return;
    }
    if (::write(fd, line.constData(), size_t(line.size())) != line.size())
        std::perror("write");
    ::fdatasync(fd);
    ::close(fd);
}

// Counts the paints of the objects it watches: a punch must paint its strip before it returns.
struct PaintCount : QObject
{
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// Times one punch in microseconds; it counts in unpainted when it returned without painting
// what paints watches (the strip that tells the employee his punch is on disk).
inline double timePaintedPunch(const PaintCount& paints, int* unpainted,
                               const std::function<void()>& punch)
{
    const int paintsBefore = paints.count;
    QElapsedTimer timer;
    timer.start();
    punch();
    const double micros = double(timer.nsecsElapsed()) / 1000.0;
    *unpainted += paints.count == paintsBefore ? 1 : 0;
    return micros;
}

// The median of bareAppend in microseconds.
inline double bareAppendMicros(int repetitions)
{
    return medianMicros(repetitions, bareAppend);
}

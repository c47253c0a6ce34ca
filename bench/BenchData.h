#pragma once

// Time files as the punch recording writes them, and timing helpers, for the benchmarks.
#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

inline void put2(char* p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
}

// One line as the punch recording writes it, straight into the buffer.
inline void appendPunch(QByteArray& out, bool in, QDate day, int hour, int minute)
{
    char line[31];
    std::memcpy(line, in ? "IN          " : "OUT         ", 6);
    put2(line + 6, day.month());
    line[8] = '/';
    put2(line + 9, day.day());
    line[11] = '/';
    put2(line + 12, day.year() / 100);
    put2(line + 14, day.year() % 100);
    std::memset(line + 16, ' ', 8);
    put2(line + 24, hour);
    line[26] = ':';
    put2(line + 27, minute);
    line[29] = '\r';
    line[30] = '\n';
    out.append(line, sizeof line);
}

// Two IN/OUT pairs a day, Monday to Friday, from first to last.
inline QByteArray tenYearFile(QDate first, QDate last, int seed)
{
    QByteArray bytes;
    bytes.reserve(first.daysTo(last) * 4 * 31 * 5 / 7 + 1024);
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        if (d.dayOfWeek() > 5)
            continue;
        const int m = (seed + d.day()) % 15;
        appendPunch(bytes, true, d, 8, m);
        appendPunch(bytes, false, d, 12, m);
        appendPunch(bytes, true, d, 13, (m + 7) % 60);
        appendPunch(bytes, false, d, 17, (m * 3) % 60);
    }
    return bytes;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline std::vector<double> timeRuns(int runs, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

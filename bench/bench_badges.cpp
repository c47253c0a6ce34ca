// Prints how long a badge scan takes from its Enter to the flushed line and the repainted strip,
// against a bare append + fdatasync and against choosing the name and pressing IN or OUT, and
// checks that 30 badges scanned in a row each punch once.
#include "BenchSupport.h"

#include "app/Application.h"
#include "data/BadgeFile.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "station/frmHorodex.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Badges = 30;

QString employeeName(int i)
{
    return QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
}

QString codeOf(int i)
{
    return QStringLiteral("BADGE%1").arg(i, 4, 10, QLatin1Char('0'));
}

void sendKey(QWindow* window, int key, const QString& text, quint64 at)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    press.setTimestamp(at);
    QCoreApplication::sendEvent(window, &press);
}

// The code as a reader types it, 5 ms a key; the Enter that ends it is left to the caller.
void typeCode(QWindow* window, const QString& code, quint64* clock)
{
    for (const QChar c : code)
        sendKey(window, c.unicode(), QString(c), *clock += 5);
}

qint64 timeFileSize(int i)
{
    return FileStore::examine(Environment::dataFilePath(employeeName(i) + QStringLiteral(".txt")))
        .size;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !PrepareStationFolder(dir.path())) {
        std::fprintf(stderr, "cannot prepare a data folder\n");
        return 1;
    }
    // Each card comes back within the minute here: the minimum time between punches would
    // answer it without a punch, and the scan's cost is what is measured.
    OptionsRecord options;
    const bool settings = bool(ReadOptionsFile(&options));
    options.setPunchGapMinutes(0);
    if (!settings || !WriteOptionsFile(options)) {
        std::fprintf(stderr, "cannot write the settings\n");
        return 1;
    }
    for (int i = 0; i < Badges; ++i) {
        if (!IssueBadge(employeeName(i), codeOf(i), QDate(2026, 12, 7))) {
            std::fprintf(stderr, "cannot issue the badges\n");
            return 1;
        }
    }
    frmHorodex w;
    StartMainWindow(&w);
    w.show();
    QWindow* window = w.windowHandle();
    // One second between scans, as at a queue: the same card again later is a new punch.
    quint64 clock = 1000;
    // Scans and bare appends take turns, so that both meet the disk in the same mood.
    std::vector<double> samples;
    std::vector<double> bare;
    std::vector<double> byHand;
    PaintCount stripPaints;
    w.picLastAction->installEventFilter(&stripPaints);
    int unpainted = 0;
    for (int scan = 0; scan < 101; ++scan) {
        bare.push_back(medianMicros(1, bareAppend));
        clock += 1000;
        typeCode(window, codeOf(scan % Badges), &clock);
        // What the code's own keys did in the list (its keyboard search) is not the scan's.
        QCoreApplication::processEvents();
        // The scan's queued punch, which paints the strip itself before it returns; the list
        // and the buttons are painted after it.
        samples.push_back(timePaintedPunch(stripPaints, &unpainted, [&] {
            sendKey(window, Qt::Key_Return, QStringLiteral("\r"), clock += 5);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        }));
        QCoreApplication::processEvents();
        // The same punch by hand, another employee: his name clicked, then IN or OUT.
        const int row = w.lstNames->row(
            w.lstNames->findItems(employeeName((scan + Badges / 2) % Badges), Qt::MatchExactly)
                .constFirst());
        byHand.push_back(medianMicros(1, [&w, row] {
            w.lstNames->setCurrentRow(row);
            w.lstNames_Click();
            if (w.cmdIn->isEnabled())
                w.cmdIn_Click();
            else
                w.cmdOut_Click();
            w.picLastAction->repaint();
        }));
        QCoreApplication::processEvents();
    }
    std::sort(samples.begin(), samples.end());
    std::sort(bare.begin(), bare.end());
    std::sort(byHand.begin(), byHand.end());
    const double scanned = samples[samples.size() / 2];
    const double chosen = byHand[byHand.size() / 2];
    const double raw = bare[bare.size() / 2];

    // Thirty badges in a row, each once: every one must give one line, none lost or doubled.
    QList<qint64> before;
    for (int i = 0; i < Badges; ++i)
        before.append(timeFileSize(i));
    for (int i = 0; i < Badges; ++i) {
        clock += 1000;
        typeCode(window, codeOf(i), &clock);
        sendKey(window, Qt::Key_Return, QStringLiteral("\r"), clock += 5);
        QCoreApplication::processEvents();
    }
    int lost = 0;
    int doubled = 0;
    for (int i = 0; i < Badges; ++i) {
        const qint64 added = timeFileSize(i) - before[i];
        lost += added == 0 ? 1 : 0;
        doubled += added > 31 ? 1 : 0;
    }

    QTextStream out(stdout);
    out << "Badge scan, Enter to flushed line and repainted strip: median " << scanned / 1000.0
        << " ms; bare 31-byte append + fdatasync " << raw / 1000.0 << " ms; ratio "
        << scanned / raw;
    if (unpainted > 0)
        out << "; but " << unpainted << " scans returned without painting the strip";
    out << "\n";
    out << "The same punch by hand, name clicked then IN or OUT, the whole window repainted: "
           "median "
        << chosen / 1000.0 << " ms; scan / by hand " << scanned / chosen << " (goal <= 1.0)\n";
    out << Badges << " badges scanned in a row, 1 s apart: " << Badges - lost - doubled
        << " punched once, " << lost << " lost, " << doubled << " doubled\n";
    // A scan must cost no more than the punch it replaces, and lose or double nothing.
    return lost + doubled + unpainted == 0 && scanned <= chosen ? 0 : 1;
}

// Prints how long the punch station takes to start with 1,000 employees and to record a punch,
// each against the bare minimum the platform needs for the same thing.
#include "BenchSupport.h"
#include "ListNames.h"

#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "station/StationBackground.h"
#include "station/frmHorodex.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !PrepareStationFolder(dir.path())) {
        std::fprintf(stderr, "cannot prepare a data folder\n");
        return 1;
    }

    const int reps = 31;
    const double station = medianMicros(reps, [] {
        frmHorodex w;
        StartMainWindow(&w);
        QApplication::processEvents();
    });
    if (qEnvironmentVariableIsSet("HORODEX_BENCH_DETAIL")) {
        QTextStream(stdout) << "construct " << medianMicros(reps, [] { frmHorodex w; }) << " us\n";
        QTextStream(stdout) << "names " << medianMicros(reps, [] { EmployeeNames(); }) << " us\n";
        QTextStream(stdout) << "bg " << medianMicros(reps, [] {
            StationBackground::PaintBackground(QSize(447, 239));
        }) << " us\n";
    }
    // The yardstick holds the same 1,000 names, read from the same file as the bare list program
    // reads them.
    const double bare = medianMicros(reps, [] {
        const QStringList names = ListNames(EmployeeListPath());
        QMainWindow w;
        auto* list = new QListWidget;
        list->setUniformItemSizes(true);
        list->addItems(names);
        w.setCentralWidget(list);
        w.show();
        QApplication::processEvents();
    });

    frmHorodex w;
    StartMainWindow(&w);
    // Shown, so that the strip is really painted.
    w.show();
    QApplication::processEvents();
    w.lstNames->setCurrentRow(0);
    // Punches and bare appends take turns, so that both meet the disk in the same mood; what a
    // punch leaves for the next paint (the list and the buttons) is done between them, untimed.
    std::vector<double> punches;
    std::vector<double> bareAppends;
    PaintCount stripPaints;
    w.picLastAction->installEventFilter(&stripPaints);
    int unpainted = 0;
    for (int i = 0; i < 101; ++i) {
        bareAppends.push_back(medianMicros(1, bareAppend));
        punches.push_back(timePaintedPunch(stripPaints, &unpainted, [&w] {
            if (w.cmdIn->isEnabled())
                w.cmdIn_Click();
            else
                w.cmdOut_Click();
        }));
        QApplication::processEvents();
    }
    std::sort(punches.begin(), punches.end());
    std::sort(bareAppends.begin(), bareAppends.end());
    const double punch = punches[punches.size() / 2];
    const double raw = bareAppends[bareAppends.size() / 2];

    QTextStream out(stdout);
    out << "Main window with 1,000 employees: median " << station / 1000.0
        << " ms; bare window with the same names " << bare / 1000.0 << " ms; ratio "
        << station / bare << " (goal <= 1.5)\n";
    out << "Punch, click to flushed line and repainted strip (painted by the punch): median "
        << punch / 1000.0 << " ms; bare 31-byte append + fdatasync " << raw / 1000.0
        << " ms; ratio " << punch / raw << " (goal <= 1.3)";
    if (unpainted > 0)
        out << "; but " << unpainted << " punches returned without painting the strip";
    out << "\n";
    return unpainted == 0 ? 0 : 1;
}

#pragma once

#include <QString>

#include <optional>

// What the main window says of the station it runs at, one of several: the program fills it from
// the exchange at start and after each round. A station alone keeps the defaults.
struct StationRole
{
    QString caption;       // what the administrator's caption adds: punches waiting, the clock
    QString about;         // what the About box says of the station, one fact a line
    QString managedAtHead; // said instead of opening the employees, badges or options; empty here
    QString payrollAtHead; // said instead of opening a payroll report; empty here
    // The head of the record of corrections as the About box shows it; none: this data folder's,
    // read when asked.
    std::optional<QString> correctionHead;
};

#pragma once

#include <memory>

class StationLink;
class frmHorodex;

// Builds the application, runs the start-up sequence and the event loop; returns the exit code.
int RunHorodex(int argc, char* argv[]);

// Prepares the data folder's files and runs the main window's start-up sequence; false when the
// program must end at once (the message has been shown).
bool StartMainWindow(frmHorodex* window);

// The link of a station of several, from station.ini; none without the file. A file that cannot
// be used is said once, naming it, and the station then punches on its own files.
std::unique_ptr<StationLink> OpenStationLink();

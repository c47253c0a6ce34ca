#pragma once

#include <memory>

class StationLink;

// Builds the application, runs the start-up sequence and the event loop; returns the exit code.
int RunHorodex(int argc, char* argv[]);

// The link of a station of several, from station.ini; none without the file. A file that cannot
// be used is said once, naming it, and the station then punches on its own files.
std::unique_ptr<StationLink> OpenStationLink();

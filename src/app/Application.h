#pragma once

// Builds the application, runs the start-up sequence and the event loop; returns the exit code.
int RunHorodex(int argc, char* argv[]);

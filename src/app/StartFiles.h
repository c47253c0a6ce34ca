#pragma once

// The data folder's files at start, before the main window opens.
enum class StartFiles {
    Failed,   // the folder or the settings cannot be used: said, and the program ends
    FirstRun, // no settings yet: every option is off until the first password is set
    Settings, // the settings have been read
};

// Creates the data folder and the employee list when they are missing and reads the settings
// into the program's options. An employee list that cannot be made is said and start goes on.
StartFiles PrepareStartFiles();

#include "app/StartFiles.h"

#include "data/ClockZone.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "ui/Messages.h"

StartFiles PrepareStartFiles()
{
    // The data directory belongs beside the program; create it rather than fail every write.
    if (const IoResult dir = FileStore::ensureDirectory(Environment::dataDirectory()); !dir) {
        Messages::show(Messages::Icon::Critical, dir.error);
        return StartFiles::Failed;
    }
    const bool haveSettings = OptionsFileExists();
    if (haveSettings) {
        OptionsRecord record;
        const IoResult read = ReadOptionsFile(&record);
        if (!read) {
            // Never overwrite a settings file that cannot be read: the administrator decides.
            Messages::show(Messages::Icon::Critical, read.error);
            return StartFiles::Failed;
        }
        GlobalOptions() = record;
    } else {
        GlobalOptions() = OptionsRecord{};
    }
    if (const IoResult made = EnsureEmployeeListFile(); !made)
        Messages::show(Messages::Icon::Critical, made.error);
    // The clock's zone stays with the data, so that reports made elsewhere pay the same hours.
    if (const IoResult zone = EnsureClockZoneFile(); !zone)
        Messages::show(Messages::Icon::Critical, zone.error);
    return haveSettings ? StartFiles::Settings : StartFiles::FirstRun;
}

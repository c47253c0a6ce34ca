#include "station/PunchRecording.h"

#include "data/Messages.h"
#include "data/TimeFile.h"

bool RecordPunchOrSaySo(const QString& name, bool isIn)
{
    const IoResult written = RecordPunch(name, isIn);
    if (written)
        return true;
    Messages::show(Messages::Icon::Critical,
                   QStringLiteral("The punch was NOT recorded. %1 Please tell your "
                                  "administrator, then try again.")
                       .arg(written.error));
    return false;
}

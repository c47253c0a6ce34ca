#include "station/PunchRecording.h"

#include "data/TimeFile.h"
#include "ui/Messages.h"

bool RecordPunchOrSaySo(const QString& name, bool isIn, TimeRecord* recorded)
{
    const IoResult written = RecordPunch(name, isIn, recorded);
    if (written)
        return true;
    Messages::show(Messages::Icon::Critical,
                   QStringLiteral("The punch was NOT recorded. %1 Please tell your "
                                  "administrator, then try again.")
                       .arg(written.error));
    return false;
}

#include "ui/ProgramIcon.h"

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/org.horodex.Horodex.svg"));
}

#include "ui/ProgramIcon.h"

#include "ui/AfterFirstPaint.h"

#include <QApplication>

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/org.horodex.Horodex.svg"));
}

void SetProgramIconAfterFirstPaint()
{
    RunAfterFirstPaint(QCoreApplication::instance(),
                       [] { QApplication::setWindowIcon(ProgramIcon()); });
}

#pragma once

#include <QDialog>

class QLabel;

// The program's icon, name, version and a link to its documentation, closed with OK; of a
// station of several, also how its exchange with the server stands; and the head of the record
// of corrections, where an administrator can copy it down.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr, const QString& stationText = QString(),
                      const QString& recordHeadText = QString());

    QLabel* imgLogo;
    QLabel* lblAbout;
    QLabel* lblStation = nullptr;    // only with a station text
    QLabel* lblRecordHead = nullptr; // only with a head text
};

// The documentation the About box links to: the README installed with the program, else, run
// from the build folder, the source tree's; empty when neither exists.
QString DocumentationPath();

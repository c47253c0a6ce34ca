#pragma once

#include <QDialog>

class QLabel;
class QUrl;

// The program's icon, name, version, its data folder and a link to its guide, which opens inside
// the program, closed with OK; of a
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
    QLabel* lblDataFolder;
    QLabel* lblStation = nullptr;    // only with a station text
    QLabel* lblRecordHead = nullptr; // only with a head text

    // Shows the guide the link names in a window of the program's own.
    void showDocumentation(const QUrl& link);
};

// The documentation the About box links to: the guide installed with the program (else the
// README installed beside it), else, run from the build folder, the source tree's; empty when
// none exists.
QString DocumentationPath();

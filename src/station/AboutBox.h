#pragma once

#include <QDialog>

class QLabel;

// The program's name, version and where to get help, closed with OK; of a station of several,
// also how its exchange with the server stands.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr, const QString& stationText = QString());

    QLabel* lblStation = nullptr; // only with a station text
};

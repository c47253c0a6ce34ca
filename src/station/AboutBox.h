#pragma once

#include <QDialog>

class QLabel;

// The program's icon, name, version and a link to its documentation, closed with OK.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* imgLogo;
    QLabel* lblAbout;
};

// The documentation the About box links to: the README installed with the program, else, run
// from the build folder, the source tree's; empty when neither exists.
QString DocumentationPath();

#pragma once

#include <QDialog>

// The program's name, version and where to get help, closed with OK.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

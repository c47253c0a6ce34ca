// The controls of the main window: the employee list, the clock, IN and OUT, the last-action strip
// and the menus, placed in twips in the middle of the full-screen background.
#include "station/EmployeeListBox.h"
#include "station/LastActionStrip.h"
#include "station/MainWindowRules.h"
#include "station/StationBackground.h"
#include "station/frmHorodex.h"
#include "ui/Twips.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

void frmHorodex::buildControls()
{
    // Full screen, the gradient fills the window and the controls keep their size in its middle.
    auto* background = new StationBackground(this);
    setCentralWidget(background);
    auto* client = new QWidget(background);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Twips(6705), Twips(3585));
    auto* centring = new QGridLayout(background);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addWidget(client, 0, 0, Qt::AlignCenter);

    lstNames = new EmployeeListBox(client);
    lstNames->setObjectName(QStringLiteral("lstNames"));
    lstNames->setGeometry(TwipsRect(120, 240, 3135, 2790));
    // Every row has the same height: lets a long list lay out without measuring each name.
    lstNames->setUniformItemSizes(true);
    // A mouse press makes the row current before it selects it: follow the selection.
    connect(lstNames, &QListWidget::itemSelectionChanged, this, [this] { lstNames_Click(); });

    lblTimeLabel = new QLabel(client);
    lblTimeLabel->setObjectName(QStringLiteral("lblTimeLabel"));
    lblTimeLabel->setGeometry(TwipsRect(3480, 840, 3015, 615));
    lblTimeLabel->setAlignment(Qt::AlignCenter);

    lblDate = new QLabel(client);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setGeometry(TwipsRect(3360, 1680, 3255, 375));

    const auto pictureButton = [client](const char* name, QRect geometry) {
        auto* button = new QPushButton(client);
        button->setObjectName(QLatin1String(name));
        button->setIconSize(QSize(80, 32));
        button->setGeometry(geometry);
        return button;
    };
    cmdIn = pictureButton("cmdIn", TwipsRect(3360, 2400, 1575, 615));
    cmdIn->setAccessibleName(QStringLiteral("In"));
    cmdOut = pictureButton("cmdOut", TwipsRect(5040, 2400, 1575, 615));
    cmdOut->setAccessibleName(QStringLiteral("Out"));
    connect(cmdIn, &QPushButton::clicked, this, &frmHorodex::cmdIn_Click);
    connect(cmdOut, &QPushButton::clicked, this, &frmHorodex::cmdOut_Click);

    picLastAction = new LastActionStrip(client);
    picLastAction->setObjectName(QStringLiteral("picLastAction"));
    picLastAction->setGeometry(TwipsRect(120, 3120, 6495, 375));
    QFont stripFont(QStringLiteral("Arial"));
    stripFont.setBold(true);
    stripFont.setPointSizeF(11.25);
    picLastAction->setFont(stripFont);
    QPalette stripPalette = picLastAction->palette();
    stripPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    picLastAction->setPalette(stripPalette);
}

void frmHorodex::buildMenus()
{
    const auto entry = [this](QMenu* menu, const char* name, const QString& caption,
                              void (frmHorodex::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    mnuFile = menu("mnuFile", QStringLiteral("File"));
    mnuAdminLogin = entry(mnuFile, "mnuAdminLogin", AdminLoginEntryText(false),
                          &frmHorodex::mnuAdminLogin_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuLine"));
    mnuExit = entry(mnuFile, "mnuExit", QStringLiteral("Exit"), &frmHorodex::mnuExit_Click);

    mnuManage = menu("mnuManage", QStringLiteral("Manage"));
    mnuCreateNewRecord =
        entry(mnuManage, "mnuCreateNewRecord", QStringLiteral("Add An Employee ..."),
              &frmHorodex::mnuCreateNewRecord_Click);
    mnuDeleteRecord = entry(mnuManage, "mnuDeleteRecord", QStringLiteral("Delete An Employee ..."),
                            &frmHorodex::mnuDeleteRecord_Click);
    mnuManage->addSeparator()->setObjectName(QStringLiteral("mnuLine2"));
    mnuModifyRecord =
        entry(mnuManage, "mnuModifyRecord", QStringLiteral("Modify Employee Info ..."),
              &frmHorodex::mnuModifyRecord_Click);
    mnuCorrectTimeCard =
        entry(mnuManage, "mnuCorrectTimeCard", QStringLiteral("Correct Time Card ..."),
              &frmHorodex::mnuCorrectTimeCard_Click);
    mnuBadges =
        entry(mnuManage, "mnuBadges", QStringLiteral("Badges ..."), &frmHorodex::mnuBadges_Click);
    mnuShifts =
        entry(mnuManage, "mnuShifts", QStringLiteral("Shifts ..."), &frmHorodex::mnuShifts_Click);
    mnuManage->addSeparator()->setObjectName(QStringLiteral("mnuLine3"));
    mnuOptions = entry(mnuManage, "mnuOptions", QStringLiteral("Options ..."),
                       &frmHorodex::mnuOptions_Click);

    mnuView = menu("mnuView", QStringLiteral("Reports"));
    mnuEmployeeReport =
        entry(mnuView, "mnuEmployeeReport", QStringLiteral("Single Payroll Report ..."),
              &frmHorodex::mnuEmployeeReport_Click);
    mnuMultiplePayrollReport =
        entry(mnuView, "mnuMultiplePayrollReport", QStringLiteral("Multiple Payroll Report ..."),
              &frmHorodex::mnuMultiplePayrollReport_Click);
    mnuWhoIsIn = entry(mnuView, "mnuWhoIsIn", QStringLiteral("Who Is In ..."),
                       &frmHorodex::mnuWhoIsIn_Click);
    mnuExceptions = entry(mnuView, "mnuExceptions", QStringLiteral("Exceptions ..."),
                          &frmHorodex::mnuExceptions_Click);

    mnuHelp = menu("mnuHelp", QStringLiteral("Help"));
    mnuAbout = entry(mnuHelp, "mnuAbout", QStringLiteral("About"), &frmHorodex::mnuAbout_Click);

    // The caption says it too, but a kiosk compositor shows no caption.
    lblAdmin = new QLabel(AdminLoggedInText(), menuBar());
    lblAdmin->setObjectName(QStringLiteral("lblAdmin"));
    lblAdmin->setTextFormat(Qt::PlainText);
    QFont adminFont = lblAdmin->font();
    adminFont.setBold(true);
    lblAdmin->setFont(adminFont);
    lblAdmin->setContentsMargins(0, 0, 8, 0);
    menuBar()->setCornerWidget(lblAdmin, Qt::TopRightCorner);
    lblAdmin->hide();
}

void frmHorodex::setControlFonts()
{
    lstNames->setFont([] {
        QFont f;
        f.setPointSize(12);
        f.setBold(true);
        return f;
    }());
    lblTimeLabel->setFont(QFont(QStringLiteral("Times New Roman"), 26, QFont::Bold));
    lblDate->setFont(QFont(QStringLiteral("Times New Roman"), 12, QFont::Bold));
    lblDate->setAlignment(Qt::AlignCenter);
}

// The controls of the options window: the tab strip, its four pages and the two buttons.
#include "admin/Artwork.h"
#include "admin/frmOptions.h"
#include "platform/Workstation.h"
#include "ui/KeyFilter.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

// In twips, like the page positions.
constexpr int WindowWidth = 9600;
constexpr int WindowHeight = 6060;
constexpr int PageWidth = 9120;
constexpr int PageHeight = 4710;
constexpr int Margin = 120;

template <typename W, typename... Args> W* named(const char* name, Args&&... args)
{
    W* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* box(const char* name, int maxLength, QWidget* parent)
{
    QLineEdit* b = named<QLineEdit>(name, parent);
    b->setMaxLength(maxLength);
    return b;
}

QLabel* picture(const char* name, const QPixmap& pixmap, QWidget* parent)
{
    QLabel* l = named<QLabel>(name, parent);
    l->setPixmap(pixmap);
    l->setAlignment(Qt::AlignCenter);
    // A hidden picture keeps its place, so the others do not move.
    QSizePolicy policy = l->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    l->setSizePolicy(policy);
    return l;
}

} // namespace

void frmOptions::buildControls()
{
    setFixedSize(Twips(WindowWidth), Twips(WindowHeight));

    // The raised body of the tab strip, behind the pages.
    auto* body = named<QFrame>("fraTabBody", this);
    body->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);

    tbsOptions = named<QTabBar>("tbsOptions", this);
    tbsOptions->setDrawBase(false);
    tbsOptions->setExpanding(false);
    tbsOptions->setIconSize(QSize(16, 16));
    ilsIcons = Artwork::optionsTabIcons();
    struct Tab
    {
        const char* caption;
        const char* key;
        const char* toolTip;
    };
    const Tab tabs[PageCount] = {{"General", "Group1", "Set Options for Group 1"},
                                 {"Passwords", "Group2", "Set Options for Group 2"},
                                 {"Employees", "Group3", "Set Options for Group 3"},
                                 {"Security", "", ""}};
    for (const Tab& tab : tabs) {
        // Each tab has its icon from the start, so that the strip is made tall enough for it.
        const int index =
            tbsOptions->addTab(ilsIcons.value(tbsOptions->count()), QLatin1String(tab.caption));
        tbsOptions->setTabData(index, QLatin1String(tab.key));
        tbsOptions->setTabToolTip(index, QLatin1String(tab.toolTip));
    }
    const int tabHeight = tbsOptions->sizeHint().height();
    const int pageTop = Twips(frmOptions::PageTop);
    const int stripWidth = Twips(WindowWidth - 2 * Margin);
    tbsOptions->setGeometry(Twips(Margin), pageTop - 2 - tabHeight, stripWidth, tabHeight);
    body->setGeometry(Twips(Margin), pageTop - 3, stripWidth, Twips(PageHeight + Margin));

    m_picOptions = {buildGeneralPage(), buildPasswordsPage(), buildEmployeesPage(),
                    buildSecurityPage()};
    for (int k = 0; k < PageCount; ++k) {
        m_picOptions[k]->setObjectName(QStringLiteral("picOptions%1").arg(k));
        m_picOptions[k]->resize(Twips(PageWidth), Twips(PageHeight));
    }

    cmdApply = named<QPushButton>("cmdApply", QStringLiteral("Apply"), this);
    cmdCancel = named<QPushButton>("cmdCancel", QStringLiteral("Cancel"), this);
    const QSize button(Twips(1440), Twips(420));
    cmdCancel->setGeometry(QRect(
        QPoint(Twips(WindowWidth - Margin) - button.width(), Twips(WindowHeight - 540)), button));
    cmdApply->setGeometry(cmdCancel->geometry().translated(-button.width() - Twips(Margin), 0));
}

QWidget* frmOptions::buildGeneralPage()
{
    auto* page = new QWidget(this);
    txtCompany = box("txtCompany", 20, page);
    txtAddress = named<QPlainTextEdit>("txtAddress", page);
    txtAddress->setTabChangesFocus(true);
    LimitPlainTextLength(txtAddress, 120);

    auto* format = named<QGroupBox>("fraTimeFormat", QStringLiteral("Display time using: "), page);
    optCivilianTimeFormat = named<QRadioButton>(
        "optCivilianTimeFormat", QStringLiteral("Civilian Format: 04:35 PM"), format);
    optMilitaryTimeFormat = named<QRadioButton>("optMilitaryTimeFormat",
                                                QStringLiteral("Military Format: 16:35"), format);
    auto* formats = new QVBoxLayout(format);
    formats->addWidget(optCivilianTimeFormat);
    formats->addWidget(optMilitaryTimeFormat);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Company name:"), page));
    layout->addWidget(txtCompany);
    layout->addWidget(
        new QLabel(QStringLiteral("Company address that will be used for payroll reports:"), page));
    layout->addWidget(txtAddress, 1);
    layout->addWidget(format);
    return page;
}

QWidget* frmOptions::buildPasswordsPage()
{
    auto* page = new QWidget(this);
    chkAskForPin = named<QCheckBox>(
        "chkAskForPin", QStringLiteral("Require employee PIN for punching in and out"), page);

    auto* frame =
        named<QGroupBox>("fraPassword", QStringLiteral("Change Administrator Password"), page);
    txtPassword = box("txtPassword", 10, frame);
    txtPassword2 = box("txtPassword2", 10, frame);
    for (QLineEdit* b : {txtPassword, txtPassword2})
        KeyFilter::showAsStars(b);
    KeyFilter::install(txtPassword, &frmOptions::txtPassword_KeyPress);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("New Password:"), frame), 0, 0);
    grid->addWidget(txtPassword, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Confirm New Password:"), frame), 1, 0);
    grid->addWidget(txtPassword2, 1, 1);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkAskForPin);
    layout->addSpacing(12);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

QWidget* frmOptions::buildEmployeesPage()
{
    auto* page = new QWidget(this);
    auto* frame = named<QGroupBox>("fraOvertime", QStringLiteral("Overtime"), page);
    optDailyOvertime = named<QRadioButton>("optDailyOvertime", QStringLiteral("Daily:"), frame);
    optWeeklyOvertime = named<QRadioButton>("optWeeklyOvertime", QStringLiteral("Weekly:"), frame);
    txtDailyOvertime = box("txtDailyOvertime", 2, frame);
    txtWeeklyOvertime = box("txtWeeklyOvertime", 5, frame);
    KeyFilter::install(txtDailyOvertime, &frmOptions::txtDailyOvertime_KeyPress);
    KeyFilter::install(txtWeeklyOvertime, &frmOptions::txtWeeklyOvertime_KeyPress);
    auto* grid = new QGridLayout(frame);
    int row = 0;
    for (auto [option, hours] : {std::pair{optDailyOvertime, txtDailyOvertime},
                                 std::pair{optWeeklyOvertime, txtWeeklyOvertime}}) {
        hours->setFixedWidth(64);
        grid->addWidget(option, row, 0);
        grid->addWidget(new QLabel(QStringLiteral("after"), frame), row, 1);
        grid->addWidget(hours, row, 2);
        grid->addWidget(new QLabel(QStringLiteral("hours"), frame), row, 3);
        ++row;
    }
    grid->setColumnStretch(4, 1);

    cboTimeRounding = named<QComboBox>("cboTimeRounding", page);
    auto* rounding = new QHBoxLayout;
    rounding->addWidget(new QLabel(QStringLiteral("Time rounding for Payroll Report :"), page));
    rounding->addWidget(cboTimeRounding);
    rounding->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addSpacing(12);
    layout->addLayout(rounding);
    layout->addStretch();
    return page;
}

QWidget* frmOptions::buildSecurityPage()
{
    auto* page = new QWidget(this);
    chkAskOnStart = named<QCheckBox>(
        "chkAskOnStart", QStringLiteral("Ask for administrator password each time Horodex starts"),
        page);
    chkAskOnExit = named<QCheckBox>(
        "chkAskOnExit",
        QStringLiteral("Make Horodex impossible to close without the administrative password"),
        page);
    chkSecurityEnabled =
        named<QCheckBox>("chkSecurityEnabled",
                         QStringLiteral("Hide Windows taskbar, desktop icons and the start menu "
                                        "when administrator is not logged in"),
                         page);
    auto* text = named<QLabel>(
        "lblSecurity",
        QStringLiteral("Horodex offers advanced security options to prevent employees from running "
                       "other applications or changing the system settings including time and "
                       "date."),
        page);
    text->setWordWrap(true);
    auto* notice = named<QLabel>("lblPanelNotice", CurrentWorkstation().panelNotice(), page);
    notice->setWordWrap(true);
    notice->setVisible(!notice->text().isEmpty());

    imgTaskbar = picture("imgTaskbar", Artwork::taskbarPicture(), page);
    imgIcons = picture("imgIcons", Artwork::desktopIconsPicture(), page);
    imgStart = picture("imgStart", Artwork::startMenuPicture(), page);
    imgHorodex = picture("imgHorodex", Artwork::programPicture(), page);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(imgTaskbar);
    pictures->addWidget(imgIcons);
    pictures->addWidget(imgStart);
    pictures->addStretch();
    pictures->addWidget(imgHorodex);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkAskOnStart);
    layout->addWidget(chkAskOnExit);
    layout->addWidget(chkSecurityEnabled);
    layout->addSpacing(8);
    layout->addWidget(text);
    layout->addWidget(notice);
    layout->addStretch();
    layout->addLayout(pictures);
    return page;
}

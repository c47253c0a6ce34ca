#include "admin/frmOptions.h"

#include "data/OptionsRecord.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowFrames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>

namespace {

const QString CivilianFormat = QStringLiteral("hh:nn AM/PM");
const QString MilitaryFormat = QStringLiteral("hh:mm");
const QString DefaultDailyHours = QStringLiteral("8");
const QString DefaultWeeklyHours = QStringLiteral("40");
const QString PasswordMismatchMessage =
    QStringLiteral("The new and confirmed passwords do not match. Please type them again.");
const QString PasswordLengthMessage =
    QStringLiteral("Sorry, password must be between 6 and 10 characters long!");

// The threshold as the rest of the program reads it (its leading number), in its shortest
// decimal form: 40 for "40", 37.5 for "37.50". Empty when the text does not start with a number.
QString thresholdText(const OptionsRecord& options)
{
    const QString stored = OptionsRecord::trimmed(options.OvertimeThreshold);
    const bool startsWithNumber =
        !stored.isEmpty() &&
        (stored.at(0).isDigit() ||
         (stored.size() > 1 && stored.at(0) == u'.' && stored.at(1).isDigit()));
    if (!startsWithNumber)
        return QString();
    return QString::number(options.overtimeThresholdHours(), 'g', 15);
}

bool isChecked(const QCheckBox* box)
{
    return box->checkState() == Qt::Checked;
}

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    buildControls();
    Form_Load();

    connect(tbsOptions, &QTabBar::currentChanged, this, &frmOptions::tbsOptions_Click);
    connect(optDailyOvertime, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optDailyOvertime_Click();
    });
    connect(optWeeklyOvertime, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optWeeklyOvertime_Click();
    });
    connect(chkSecurityEnabled, &QCheckBox::toggled, this, &frmOptions::chkSecurityEnabled_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);

    // Ctrl+Tab turns the pages wherever the focus is, so the window sees every key first.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void frmOptions::Form_Load()
{
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    const OptionsRecord& options = GlobalOptions();
    const Result<QString> password = UnscramblePassword(options);
    if (!password)
        Messages::attention(password.message());
    CurrentPassword = password.valueOr(QString());
    txtPassword->clear();
    txtPassword2->clear();

    KeyFilter::setStoredText(txtCompany, OptionsRecord::trimmed(options.Company));
    QString address = OptionsRecord::trimmed(options.Address);
    address.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtAddress->setPlainText(address);
    if (options.timeFormat() == CivilianFormat)
        optCivilianTimeFormat->setChecked(true);
    else
        optMilitaryTimeFormat->setChecked(true);
    chkAskForPin->setChecked(OptionsRecord::isOn(options.AskForPin));
    chkAskOnStart->setChecked(OptionsRecord::isOn(options.AskOnStart));
    chkAskOnExit->setChecked(OptionsRecord::isOn(options.AskOnExit));
    chkSecurityEnabled->setChecked(OptionsRecord::isOn(options.SecurityEnabled));
    chkSecurityEnabled_Click();

    loadOvertime();

    for (int n = 0; n < PageCount; ++n)
        tbsOptions->setTabIcon(n, ilsIcons.value(n));
    tbsOptions->setCurrentIndex(0);
    for (int k = 0; k < PageCount; ++k) {
        m_picOptions[k]->move(Twips(k == 0 ? FirstPageLeft : HiddenPageLeft), Twips(PageTop));
        m_picOptions[k]->setEnabled(k == 0);
    }

    cboTimeRounding->addItems({QStringLiteral("No Rounding"), QStringLiteral("15 Minute Rounding"),
                               QStringLiteral("30 Minute Rounding")});
    // A value outside the list (a hand-edited file) shows the first item.
    const int rounding = options.timeRoundingValue();
    cboTimeRounding->setCurrentIndex(rounding >= 0 && rounding < cboTimeRounding->count() ? rounding
                                                                                          : 0);

    // Cancel comes first in the tab order and has the focus when the window opens.
    cmdCancel->setFocus();
}

void frmOptions::loadOvertime()
{
    const OptionsRecord& options = GlobalOptions();
    const bool daily = OptionsRecord::isOn(options.DailyOvertime);
    optDailyOvertime->setChecked(daily);
    optWeeklyOvertime->setChecked(!daily);
    txtDailyOvertime->setEnabled(daily);
    txtWeeklyOvertime->setEnabled(!daily);
    KeyFilter::setStoredText(txtDailyOvertime, daily ? thresholdText(options) : DefaultDailyHours);
    KeyFilter::setStoredText(txtWeeklyOvertime,
                             daily ? DefaultWeeklyHours : thresholdText(options));
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && Form_KeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool frmOptions::Form_KeyDown(const QKeyEvent* event)
{
    if (event->key() != Qt::Key_Tab || event->modifiers() != Qt::ControlModifier)
        return false;
    tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % PageCount);
    return true;
}

void frmOptions::tbsOptions_Click()
{
    const int selected = tbsOptions->currentIndex();
    for (int k = 0; k < PageCount; ++k) {
        m_picOptions[k]->move(Twips(k == selected ? PageLeft : HiddenPageLeft), Twips(PageTop));
        m_picOptions[k]->setEnabled(k == selected);
    }
}

void frmOptions::optDailyOvertime_Click()
{
    txtDailyOvertime->setEnabled(true);
    txtWeeklyOvertime->setEnabled(false);
}

void frmOptions::optWeeklyOvertime_Click()
{
    txtDailyOvertime->setEnabled(false);
    txtWeeklyOvertime->setEnabled(true);
}

void frmOptions::chkSecurityEnabled_Click()
{
    // The pictures show what the lock-down hides, so they go while it is chosen.
    const bool visible = !isChecked(chkSecurityEnabled);
    for (QLabel* picture : {imgTaskbar, imgIcons, imgStart})
        picture->setVisible(visible);
}

void frmOptions::cmdApply_Click()
{
    OptionsRecord record; // all zero: the reserved fields stay zero
    record.setTimeFormat(optCivilianTimeFormat->isChecked() ? CivilianFormat : MilitaryFormat);
    const QLineEdit* hours = optDailyOvertime->isChecked() ? txtDailyOvertime : txtWeeklyOvertime;
    record.setOvertimeThreshold(OptionsRecord::trimmed(hours->text()));
    record.setAskOnStart(isChecked(chkAskOnStart));
    record.setAskForPin(isChecked(chkAskForPin));
    record.setSecurityEnabled(isChecked(chkSecurityEnabled));
    record.setAskOnExit(isChecked(chkAskOnExit));
    record.setTimeRounding(cboTimeRounding->currentIndex());
    record.setAddress(OptionsRecord::trimmed(PlainTextWithCrLf(txtAddress)));
    record.setCompany(OptionsRecord::trimmed(txtCompany->text()));
    record.setDailyOvertime(optDailyOvertime->isChecked());
    record.PunchGapMinutes = GlobalOptions().PunchGapMinutes; // not on these pages: kept

    const QString typed = OptionsRecord::trimmed(txtPassword->text());
    const QString confirmed = OptionsRecord::trimmed(txtPassword2->text());
    if (typed.isEmpty() && confirmed.isEmpty()) {
        // An unreadable stored password unscrambles to nothing; keep it rather than erase it.
        record.AdminPassword = CurrentPassword.isEmpty()
                                   ? GlobalOptions().AdminPassword
                                   : OptionsRecord::fit(ScramblePassword(CurrentPassword), 10);
    } else if (typed != confirmed) {
        Messages::warning(PasswordMismatchMessage);
        return;
    } else if (typed.size() >= 6 && typed.size() <= 10) {
        record.setAdminPassword(ScramblePassword(typed));
    } else {
        Messages::information(PasswordLengthMessage);
        return;
    }

    if (const Result<> written = WriteOptionsFile(record); written.failed()) {
        Messages::warning(written.message());
        return;
    }
    const Result<OptionsRecord> readBack = ReadOptionsFile();
    if (readBack.failed()) {
        Messages::warning(readBack.message());
        return;
    }
    GlobalOptions() = *readBack;
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

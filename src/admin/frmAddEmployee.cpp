#include "admin/frmAddEmployee.h"

#include "data/FileStore.h"
#include "data/ShiftCharacters.h"
#include "data/TimeFile.h"
#include "ui/Messages.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string_view>

namespace {

constexpr int MaxPinLength = 5;
constexpr int MaxSsnLength = 11;
constexpr int MaxRateLength = 6;
constexpr int ShiftCount = 9;

QLineEdit* boldBox(const char* name, int maxLength, const QString& text, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(maxLength);
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
    return box;
}

QLabel* label(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLabel* helpHeading(const QString& text, QWidget* parent)
{
    QLabel* l = label("", text, parent);
    QFont font = l->font();
    font.setBold(true);
    l->setFont(font);
    return l;
}

QLabel* helpText(const QString& text, QWidget* parent)
{
    QLabel* l = label("", text, parent);
    l->setWordWrap(true);
    return l;
}

// The first character of text that the 8-bit employee file cannot hold, or an empty text.
QString firstUnstorableCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() > 255)
            return text.at(i).isHighSurrogate() ? text.mid(i, 2) : text.mid(i, 1);
    }
    return QString();
}

bool holdsForbiddenCharacter(const QString& name)
{
    for (char16_t c : std::u16string_view(ForbiddenNameCharacters)) {
        if (name.contains(QChar(c)))
            return true;
    }
    return false;
}

QString missingNameOrPinMessage()
{
    return QStringLiteral("Please enter the employee name and his personal\r\n"
                          "identification number (PIN) for security purposes");
}

QString forbiddenCharactersMessage()
{
    QString text = QStringLiteral("The employee name cannot contain the following characters:");
    for (char16_t c : std::u16string_view(ForbiddenNameCharacters))
        text += u' ' + QChar(c);
    return text;
}

QString duplicateNameMessage()
{
    return QStringLiteral("This employee already exist, please enter a different name");
}

} // namespace

frmAddEmployee::frmAddEmployee(const std::optional<QString>& employeeToModify, QWidget* parent)
    : QDialog(parent), m_ModifyMode(employeeToModify.has_value()),
      m_SelectedEmployee(employeeToModify.value_or(QString()))
{
    setObjectName(QStringLiteral("frmAddEmployee"));
    setModal(true);
    buildControls();
    UseFixedDialogFrame(this);
    Form_Load();
}

void frmAddEmployee::buildControls()
{
    txtEmployeeName = boldBox("txtEmployeeName", MaxNameLength, QString(), this);
    FitWidestName(txtEmployeeName);
    txtPin = boldBox("txtPin", MaxPinLength, QString(), this);
    KeyFilter::showAsStars(txtPin);
    txtSSN = boldBox("txtSSN", MaxSsnLength, QStringLiteral("000-00-0000"), this);

    fraRates = new QGroupBox(QStringLiteral("Hourly rate and shift for this employee:"), this);
    fraRates->setObjectName(QStringLiteral("fraRates"));
    txtRegular = boldBox("txtRegular", MaxRateLength, QStringLiteral("8.00"), fraRates);
    txtOvertime = boldBox("txtOvertime", MaxRateLength, QStringLiteral("12.00"), fraRates);
    cboShift = new QComboBox(fraRates);
    cboShift->setObjectName(QStringLiteral("cboShift"));
    for (int shift = 1; shift <= ShiftCount; ++shift)
        cboShift->addItem(QString::number(shift));
    cboShift->setCurrentIndex(0);
    lblShift = label("lblShift", QStringLiteral("Shift :"), fraRates);

    KeyFilter::install(txtPin, &frmAddEmployee::txtPin_KeyPress);
    KeyFilter::install(txtSSN, &frmAddEmployee::txtSSN_KeyPress);
    KeyFilter::install(txtRegular, &frmAddEmployee::txtRegular_KeyPress);
    KeyFilter::install(txtOvertime, &frmAddEmployee::txtOvertime_KeyPress);

    auto* rates = new QGridLayout(fraRates);
    rates->addWidget(label("lblRegular", QStringLiteral("Regular :"), fraRates), 0, 0);
    rates->addWidget(txtRegular, 0, 1);
    rates->addWidget(label("lblRegularUnit", QStringLiteral("$ per hour"), fraRates), 0, 2);
    rates->addWidget(label("lblOvertime", QStringLiteral("Overtime :"), fraRates), 1, 0);
    rates->addWidget(txtOvertime, 1, 1);
    rates->addWidget(label("lblOvertimeUnit", QStringLiteral("$ per hour"), fraRates), 1, 2);
    rates->addWidget(lblShift, 2, 0);
    rates->addWidget(cboShift, 2, 1);

    fraQuickHelp = new QGroupBox(QStringLiteral("Quick Help"), this);
    fraQuickHelp->setObjectName(QStringLiteral("fraQuickHelp"));
    auto* help = new QVBoxLayout(fraQuickHelp);
    help->addWidget(helpHeading(QStringLiteral("Shift :"), fraQuickHelp));
    help->addWidget(helpText(QStringLiteral("You can specify a shift for each employee. Example:"),
                             fraQuickHelp));
    for (const char* line : {"1 - Day Shift", "2 - Night Shift", "3 - Weekend Shift"})
        help->addWidget(helpText(QLatin1String(line), fraQuickHelp));
    help->addSpacing(8);
    help->addWidget(helpHeading(QStringLiteral("PIN Number :"), fraQuickHelp));
    help->addWidget(
        helpText(QStringLiteral("A combination of 5 digits max that prevents other "
                                "employees from punching in or out for their coworkers"),
                 fraQuickHelp));
    help->addStretch();
    fraQuickHelp->setFixedWidth(220);

    cmdCreate = new QPushButton(QStringLiteral("Create"), this);
    cmdCreate->setObjectName(QStringLiteral("cmdCreate"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCreate, &QPushButton::clicked, this, &frmAddEmployee::cmdCreate_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddEmployee::cmdCancel_Click);

    auto* fields = new QGridLayout;
    fields->addWidget(label("lblEmployeeName", QStringLiteral("Employee name:"), this), 0, 0);
    fields->addWidget(txtEmployeeName, 0, 1);
    fields->addWidget(label("lblPin", QStringLiteral("PIN number :"), this), 1, 0);
    fields->addWidget(txtPin, 1, 1);
    fields->addWidget(label("lblSSN", QStringLiteral("Social Security Number (optional):"), this),
                      2, 0);
    fields->addWidget(txtSSN, 2, 1);
    fields->addWidget(fraRates, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(fraQuickHelp);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCreate);
    buttons->addWidget(cmdCancel);

    auto* window = new QVBoxLayout(this);
    window->addLayout(top);
    window->addLayout(buttons);
    window->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAddEmployee::Form_Load()
{
    setWindowTitle(QStringLiteral("New Employee Record"));
    QWidget* order[] = {txtEmployeeName, txtPin,    txtRegular, txtOvertime,
                        txtSSN,          cmdCreate, cboShift,   cmdCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    if (!m_ModifyMode) {
        txtEmployeeName->setFocus();
        return;
    }
    loadModifiedEmployee();
}

void frmAddEmployee::loadModifiedEmployee()
{
    setWindowTitle(QStringLiteral("Modify Employee Record"));
    cmdCreate->setText(QStringLiteral("Save"));
    txtEmployeeName->setReadOnly(true);
    QPalette palette = txtEmployeeName->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    txtEmployeeName->setPalette(palette);
    // A longer name from a hand-edited list is shown whole, so that saving keeps its key.
    KeyFilter::setStoredText(txtEmployeeName, m_SelectedEmployee);
    // Cancel first in the tab order, so that it has the focus.
    setTabOrder(cmdCancel, txtEmployeeName);
    cmdCancel->setFocus();

    // Without a record the fields stay empty: never another employee's.
    const Result<EmployeeRecord> found = FindEmployee(m_SelectedEmployee);
    if (!found)
        Messages::warning(found.message());
    const EmployeeRecord record = found.valueOr(EmployeeRecord{});
    const Result<QString> pin = UnscramblePin(record.Pin);
    if (!pin)
        Messages::attention(pin.message());
    KeyFilter::setStoredText(txtPin, pin.valueOr(QString()));
    KeyFilter::setStoredText(txtSSN, record.SSN);
    KeyFilter::setStoredText(txtRegular, record.RegularRate);
    KeyFilter::setStoredText(txtOvertime, record.OvertimeRate);
    // A shift outside "1" to "9" (a hand-edited file) selects the first item.
    bool isNumber = false;
    const int shift = record.Shift.trimmed().toInt(&isNumber);
    cboShift->setCurrentIndex(isNumber && shift >= 1 && shift <= ShiftCount ? shift - 1 : 0);
}

void frmAddEmployee::cmdCreate_Click()
{
    EmployeeRecord record;
    record.Name = txtEmployeeName->text().trimmed();
    record.Pin = txtPin->text();
    record.SSN = txtSSN->text();
    record.RegularRate = txtRegular->text();
    record.OvertimeRate = txtOvertime->text();
    record.Shift = QString::number(cboShift->currentIndex() + 1);
    record.Reserved = QStringLiteral("111111111");

    if (record.Name.isEmpty() || record.Pin.isEmpty()) {
        Messages::warning(missingNameOrPinMessage());
        return;
    }
    if (SaveEmployee(record))
        accept();
}

void frmAddEmployee::cmdCancel_Click()
{
    reject();
}

bool frmAddEmployee::SaveEmployee(const EmployeeRecord& record)
{
    bool saved = false;
    if (holdsForbiddenCharacter(record.Name)) {
        Messages::warning(forbiddenCharactersMessage());
    } else if (const QString bad = firstUnstorableCharacter(record.Name); !bad.isEmpty()) {
        Messages::warning(QStringLiteral("The employee name cannot contain the character \"%1\": "
                                         "the employee file can only hold Western European "
                                         "(Latin-1) characters.")
                              .arg(bad));
    } else if (const Result<> usable = NameIsUsable(record.Name); usable.failed()) {
        // The list would refuse the line, and every report and Who Is In with it.
        Messages::warning(
            QStringLiteral("The employee name cannot be used: %1.").arg(usable.message()));
    } else if (const Result<bool> taken = nameIsTaken(record.Name); taken.failed()) {
        Messages::show(Messages::Icon::Critical, taken.message());
    } else if (*taken) {
        Messages::warning(duplicateNameMessage());
    } else {
        saved = storeEmployee(record);
    }
    Q_EMIT employeeListChanged();
    return saved;
}

Result<bool> frmAddEmployee::nameIsTaken(const QString& name) const
{
    // The employee's own record is replaced, so only the others can clash.
    return EmployeeExists(name, m_ModifyMode ? m_SelectedEmployee : QString());
}

bool frmAddEmployee::storeEmployee(const EmployeeRecord& record)
{
    // The time file first: an empty one left behind by a later failure harms nothing, and an
    // existing one keeps its punches.
    const Result<> timeFile = FileStore::createIfMissing(TimeFilePath(record.Name));
    if (!timeFile) {
        Messages::warning(timeFile.message());
        return false;
    }
    EmployeeRecord stored = record;
    stored.Pin = ScramblePin(record.Pin);
    // In modify mode the old record goes and the new one comes in one atomic rewrite, so a
    // failure leaves the old list whole.
    const Result<> written =
        m_ModifyMode ? ReplaceEmployee(m_SelectedEmployee, stored) : AppendEmployee(stored);
    if (!written) {
        Messages::warning(written.message());
        return false;
    }
    return true;
}

#include "station/frmPin.h"

#include "data/EmployeeList.h"
#include "ui/KeyFilter.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"
#include "ui/frmMsgBox.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QTimer>

#include <algorithm>

namespace {
int idleCloseMs = frmPin::DefaultIdleCloseMs;
}

void frmPin::setIdleCloseMs(int ms)
{
    idleCloseMs = ms;
}

frmPin::frmPin(const QString& employee, bool isIn, QWidget* parent)
    : QDialog(parent), m_employee(employee), m_isIn(isIn)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmPin"));
    setWindowTitle(QStringLiteral(" "));
    setFixedSize(Twips(2505), Twips(4605));

    // The keypad keeps its size; a full-screen window (a desktop compositor under lock-down)
    // shows it in the middle, with the name it punches for above it.
    m_pad = new QWidget(this);
    m_pad->setObjectName(QStringLiteral("pad"));
    m_pad->setFixedSize(size());

    lblName = new QLabel(
        QStringLiteral("%1: %2").arg(isIn ? QStringLiteral("IN") : QStringLiteral("OUT"), employee),
        this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setTextFormat(Qt::PlainText);
    lblName->setAlignment(Qt::AlignCenter);
    QFont nameFont = lblName->font();
    nameFont.setPointSize(18);
    nameFont.setBold(true);
    lblName->setFont(nameFont);
    lblName->hide();

    lblEnter = new QLabel(QStringLiteral("Enter your Personal ID Number"), m_pad);
    lblEnter->setObjectName(QStringLiteral("lblEnter"));
    lblEnter->setAlignment(Qt::AlignCenter);
    lblEnter->setGeometry(TwipsRect(120, 120, 2295, 255));

    txtPin = new QLineEdit(m_pad);
    txtPin->setObjectName(QStringLiteral("txtPin"));
    txtPin->setGeometry(TwipsRect(480, 360, 1575, 495));

    QFont digitFont(QStringLiteral("Times New Roman"), 18, QFont::Bold);
    const int columns[] = {240, 960, 1680};
    const int rows[] = {2400, 1680, 960}; // digits 1-3, 4-6, 7-9
    for (int digit = 0; digit <= 9; ++digit) {
        auto* key = new QPushButton(QString::number(digit), m_pad);
        key->setObjectName(QStringLiteral("Command1_%1").arg(digit));
        key->setFont(digitFont);
        key->setAutoDefault(false);
        key->setFocusPolicy(Qt::NoFocus);
        if (digit == 0)
            key->setGeometry(TwipsRect(1680, 3120, 615, 615));
        else
            key->setGeometry(TwipsRect(columns[(digit - 1) % 3], rows[(digit - 1) / 3], 615, 615));
        connect(key, &QPushButton::clicked, this, [this, digit] { Command1_Click(digit); });
        Command1[digit] = key;
    }

    Command2 = new QPushButton(QStringLiteral("Clear"), m_pad);
    Command2->setObjectName(QStringLiteral("Command2"));
    QFont clearFont(QStringLiteral("Times New Roman"), 13, QFont::Bold);
    clearFont.setPointSizeF(13.5);
    Command2->setFont(clearFont);
    Command2->setAutoDefault(false);
    Command2->setFocusPolicy(Qt::NoFocus);
    Command2->setGeometry(TwipsRect(240, 3120, 1335, 615));
    connect(Command2, &QPushButton::clicked, this, &frmPin::Command2_Click);

    const QFont buttonFont(QStringLiteral("MS Sans Serif"), 8, QFont::Bold);
    cmdOK = new QPushButton(QStringLiteral("OK"), m_pad);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setFont(buttonFont);
    cmdOK->setGeometry(TwipsRect(240, 3960, 975, 495));
    connect(cmdOK, &QPushButton::clicked, this, &frmPin::cmdOK_Click);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), m_pad);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setFont(buttonFont);
    cmdCancel->setAutoDefault(false);
    cmdCancel->setGeometry(TwipsRect(1320, 3960, 975, 495));
    connect(cmdCancel, &QPushButton::clicked, this, &frmPin::cmdCancel_Click);

    FitCaptions(this);
    Form_Load();

    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(idleCloseMs);
    connect(m_idle, &QTimer::timeout, this, &QDialog::reject);
    connect(txtPin, &QLineEdit::textChanged, m_idle, qOverload<>(&QTimer::start));
    m_idle->start();
}

void frmPin::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        // Some window managers minimise any dialog whatever its hints, and the station with it:
        // a keypad nobody sees punches nobody, so it closes and the station comes back.
        m_minimised = true;
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    if (isFullScreen()) {
        setMinimumSize(0, 0);
        // Before the compositor's size arrives: the window takes it within these limits.
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(m_pad->size());
    }
    lblName->setVisible(isFullScreen());
    placePad();
}

void frmPin::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placePad();
}

void frmPin::placePad()
{
    if (!m_pad)
        return;
    if (!isFullScreen()) {
        m_pad->move(0, 0);
        return;
    }
    const int nameHeight = lblName->sizeHint().height() * 2;
    const int top = std::max(nameHeight, (height() - m_pad->height()) / 2);
    m_pad->move((width() - m_pad->width()) / 2, top);
    lblName->setGeometry(0, top - nameHeight, width(), nameHeight);
}

void frmPin::Form_Load()
{
    cmdOK->setDefault(true);
    QFont font = txtPin->font();
    font.setPointSize(14);
    txtPin->setFont(font);
    txtPin->setMaxLength(5);
    txtPin->clear();
    KeyFilter::showAsStars(txtPin);
    KeyFilter::install(txtPin, KeyFilter::isDigit);
    txtPin->setFocus();
}

void frmPin::Command1_Click(int index)
{
    if (txtPin->text().size() < txtPin->maxLength())
        txtPin->setText(txtPin->text() + QString::number(index));
}

void frmPin::Command2_Click()
{
    txtPin->clear();
}

void frmPin::cmdOK_Click()
{
    const Result<bool> right = CheckPin(m_employee, txtPin->text());
    if (!right.failure()) {
        // No answer at all: the employee must not be told that his PIN is wrong.
        Messages::show(Messages::Icon::Critical, right.failure().error);
        return;
    }
    if (!right.warning())
        Messages::attention(right.warning().error);
    if (!*right) {
        ShowMessageWindow(WindowMessage::WrongPin, this);
        return;
    }
    accept();
}

void frmPin::cmdCancel_Click()
{
    reject();
}

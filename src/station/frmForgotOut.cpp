#include "station/frmForgotOut.h"

#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int TimeDigits = 4; // HHMM

QPushButton* padKey(QWidget* parent, const QString& caption, const QString& name, const QFont& font)
{
    auto* key = new QPushButton(caption, parent);
    key->setObjectName(name);
    key->setFont(font);
    key->setAutoDefault(false);
    key->setFocusPolicy(Qt::NoFocus);
    return key;
}

} // namespace

frmForgotOut::frmForgotOut(const ForgottenOut::Question& question, const QString& timeFormat,
                           QWidget* parent)
    : QDialog(parent), m_question(question)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmForgotOut"));
    setWindowTitle(question.employee);
    setFixedSize(Twips(5160), Twips(5520));

    lblQuestion = new QLabel(
        QStringLiteral("Your last punch: %1, %2 hours ago.\nDid you forget to punch OUT?")
            .arg(FormatLastActionText(question.lastIn, timeFormat).simplified())
            .arg(question.hoursOpen()),
        this);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    lblQuestion->setTextFormat(Qt::PlainText);
    lblQuestion->setWordWrap(true);
    lblQuestion->setGeometry(TwipsRect(120, 120, 4920, 720));

    const QFont buttonFont(QStringLiteral("MS Sans Serif"), 8, QFont::Bold);
    cmdOutNow = new QPushButton(QStringLiteral("No: OUT now"), this);
    cmdOutNow->setObjectName(QStringLiteral("cmdOutNow"));
    cmdOutNow->setFont(buttonFont);
    cmdOutNow->setAutoDefault(false);
    cmdOutNow->setGeometry(TwipsRect(120, 960, 2295, 615));
    connect(cmdOutNow, &QPushButton::clicked, this, &frmForgotOut::cmdOutNow_Click);

    chkInNow = new QCheckBox(QStringLiteral("and IN now"), this);
    chkInNow->setObjectName(QStringLiteral("chkInNow"));
    chkInNow->setChecked(true);
    chkInNow->setFocusPolicy(Qt::NoFocus);
    chkInNow->setGeometry(TwipsRect(120, 1800, 2295, 375));

    lblHint = new QLabel(this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setTextFormat(Qt::PlainText);
    lblHint->setWordWrap(true);
    lblHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblHint->setGeometry(TwipsRect(120, 2280, 2295, 1800));

    lblLeftAt = new QLabel(QStringLiteral("Yes: I left at (24-hour)"), this);
    lblLeftAt->setObjectName(QStringLiteral("lblLeftAt"));
    lblLeftAt->setGeometry(TwipsRect(2640, 960, 2295, 255));

    txtTime = new QLineEdit(this);
    txtTime->setObjectName(QStringLiteral("txtTime"));
    txtTime->setReadOnly(true);
    txtTime->setFocusPolicy(Qt::NoFocus); // shows what the keys typed, never selected
    txtTime->setAlignment(Qt::AlignCenter);
    txtTime->setGeometry(TwipsRect(2640, 1260, 2295, 495));

    // The PIN keypad's keys, in its order.
    const QFont digitFont(QStringLiteral("Times New Roman"), 18, QFont::Bold);
    const int columns[] = {2640, 3360, 4080};
    const int rows[] = {3240, 2520, 1800}; // digits 1-3, 4-6, 7-9
    for (int digit = 0; digit <= 9; ++digit) {
        QPushButton* key = padKey(this, QString::number(digit),
                                  QStringLiteral("Command1_%1").arg(digit), digitFont);
        if (digit == 0)
            key->setGeometry(TwipsRect(4080, 3960, 615, 615));
        else
            key->setGeometry(TwipsRect(columns[(digit - 1) % 3], rows[(digit - 1) / 3], 615, 615));
        connect(key, &QPushButton::clicked, this, [this, digit] { Command1_Click(digit); });
        Command1[digit] = key;
    }
    QFont clearFont(QStringLiteral("Times New Roman"), 13, QFont::Bold);
    clearFont.setPointSizeF(13.5);
    Command2 = padKey(this, QStringLiteral("Clear"), QStringLiteral("Command2"), clearFont);
    Command2->setGeometry(TwipsRect(2640, 3960, 1335, 615));
    connect(Command2, &QPushButton::clicked, this, &frmForgotOut::Command2_Click);

    cmdLeftAt = new QPushButton(QStringLiteral("OK"), this);
    cmdLeftAt->setObjectName(QStringLiteral("cmdLeftAt"));
    cmdLeftAt->setFont(buttonFont);
    cmdLeftAt->setGeometry(TwipsRect(2640, 4800, 1095, 495));
    connect(cmdLeftAt, &QPushButton::clicked, this, &frmForgotOut::cmdLeftAt_Click);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setFont(buttonFont);
    cmdCancel->setAutoDefault(false);
    cmdCancel->setGeometry(TwipsRect(3840, 4800, 1095, 495));
    connect(cmdCancel, &QPushButton::clicked, this, &frmForgotOut::closeUnanswered);

    tmrIdle = new QTimer(this);
    tmrIdle->setObjectName(QStringLiteral("tmrIdle"));
    tmrIdle->setSingleShot(true);
    tmrIdle->setInterval(IdleMilliseconds);
    connect(tmrIdle, &QTimer::timeout, this, &frmForgotOut::closeUnanswered);

    FitCaptions(this);
    Form_Load();
}

void frmForgotOut::Form_Load()
{
    cmdLeftAt->setDefault(true);
    QFont font = txtTime->font();
    font.setPointSize(14);
    txtTime->setFont(font);
    showTyped(QString());
    // Any key or touch in the window counts as someone there.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    tmrIdle->start();
}

bool frmForgotOut::arriving() const
{
    return chkInNow->isChecked();
}

void frmForgotOut::setIdleTimeout(int milliseconds)
{
    tmrIdle->start(milliseconds);
}

void frmForgotOut::closeUnanswered()
{
    tmrIdle->stop();
    m_choice = Choice::Unanswered;
    m_leftAt = QDateTime();
    reject();
}

bool frmForgotOut::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        tmrIdle->start();
        break;
    default:
        break;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9) {
            Command1_Click(key->key() - Qt::Key_0);
            return true;
        }
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
            Command2_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmForgotOut::showTyped(const QString& digits)
{
    m_digits = digits;
    const QString shown = digits + QString(TimeDigits - digits.size(), u'_');
    txtTime->setText(shown.left(2) + u':' + shown.mid(2));
}

void frmForgotOut::Command1_Click(int index)
{
    if (m_digits.size() < TimeDigits)
        showTyped(m_digits + QString::number(index));
}

void frmForgotOut::Command2_Click()
{
    showTyped(QString());
    lblHint->clear();
}

void frmForgotOut::cmdOutNow_Click()
{
    tmrIdle->stop();
    m_choice = Choice::OutNow;
    accept();
}

void frmForgotOut::cmdLeftAt_Click()
{
    const QTime typed = m_digits.size() == TimeDigits
                            ? QTime::fromString(m_digits, QStringLiteral("HHmm"))
                            : QTime();
    if (!typed.isValid()) {
        lblHint->setText(QStringLiteral("Type the time you left as four digits, such as 1705 "
                                        "for 5:05 in the afternoon."));
        return;
    }
    const QDateTime moment = ForgottenOut::leftAtMoment(m_question, typed);
    if (!moment.isValid()) {
        lblHint->setText(QStringLiteral("%1 is not between your IN and now. Type the time you "
                                        "left.")
                             .arg(typed.toString(QStringLiteral("HH:mm"))));
        showTyped(QString());
        return;
    }
    tmrIdle->stop();
    m_leftAt = moment;
    m_choice = Choice::LeftAt;
    accept();
}

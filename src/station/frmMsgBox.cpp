#include "station/frmMsgBox.h"

#include "data/TimeFile.h"
#include "ui/ProgramState.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

std::function<void(int)>& interceptor()
{
    static std::function<void(int)> f;
    return f;
}

} // namespace

frmMsgBox::frmMsgBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMsgBox"));
    setWindowTitle(QStringLiteral(" Horodex "));
    setFixedSize(Twips(5820), Twips(1545));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgWarning"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setGeometry(Twips(180), Twips(240), 32, 32);

    lblMessageText = new QLabel(this);
    lblMessageText->setObjectName(QStringLiteral("lblMessageText"));
    lblMessageText->setWordWrap(true);
    lblMessageText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessageText->setGeometry(TwipsRect(720, 120, 4935, 855));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(TwipsRect(2363, 1080, 1095, 375));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, &frmMsgBox::Form_Unload);
    Form_Load();
}

frmMsgBox::~frmMsgBox() = default;

QString frmMsgBox::MessageText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("You have entered an incorrect PIN. Please re-enter it.");
    case 2:
        return QStringLiteral("Sorry, wrong password");
    case 3:
        return QStringLiteral("Sorry, password must be between 6 and 10 characters long!");
    case 4:
        return InvalidTimeFileMessage();
    default:
        return QString();
    }
}

void frmMsgBox::Form_Load()
{
    State().FrontWindow = this;
    cmdOK->setDefault(true);
    const QString text = MessageText(State().MessageCode);
    if (!text.isEmpty())
        lblMessageText->setText(text);
}

void frmMsgBox::Form_Unload()
{
    State().FrontWindow = State().MessageReturnWindow;
}

void ShowMessageWindow(int code, QWidget* returnWindow)
{
    State().MessageCode = code;
    State().MessageReturnWindow = returnWindow;
    if (interceptor()) {
        interceptor()(code);
        State().FrontWindow = returnWindow;
        return;
    }
    frmMsgBox box(returnWindow);
    box.exec();
}

void SetMessageWindowInterceptorForTesting(std::function<void(int code)> f)
{
    interceptor() = std::move(f);
}

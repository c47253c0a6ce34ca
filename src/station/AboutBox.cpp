#include "station/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent, const QString& stationText) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Horodex"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setPixmap(windowIcon().pixmap(64, 64));

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral("<h2>Horodex</h2><p>Version %1</p>"
                                 "<p>A time clock for small businesses.</p>"
                                 "<p>Help and support: ask your Horodex administrator or "
                                 "write to <a href=\"mailto:support@horodex.example\">"
                                 "support@horodex.example</a>.</p>")
                      .arg(QStringLiteral(HORODEX_VERSION)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("cmdOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    if (!stationText.isEmpty()) {
        lblStation = new QLabel(stationText, this);
        lblStation->setObjectName(QStringLiteral("lblStation"));
        lblStation->setTextFormat(Qt::PlainText);
        lblStation->setWordWrap(true);
        layout->addWidget(lblStation);
    }
    layout->addWidget(buttons);
}

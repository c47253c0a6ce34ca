#include "station/AboutBox.h"

#include "data/Environment.h"
#include "station/DocumentationViewer.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowFrames.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

QString DocumentationPath()
{
    const QDir installed(QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral(HORODEX_DOC_FROM_BIN)));
    for (const QString& candidate :
         {installed.filePath(QStringLiteral("guide.md")),
          installed.filePath(QStringLiteral("README.md")), QStringLiteral(HORODEX_SOURCE_DOC),
          QStringLiteral(HORODEX_SOURCE_README)}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QString();
}

namespace {

QLabel* plainLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget* parent, const QString& stationText, const QString& recordHeadText)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Horodex"));

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(ProgramIcon().pixmap(64, 64));

    QString text = QStringLiteral("<h2>Horodex</h2><p>Version %1</p>"
                                  "<p>A time clock for small businesses.</p>")
                       .arg(QStringLiteral(HORODEX_VERSION));
    const QString documentation = DocumentationPath();
    if (documentation.isEmpty()) {
        text += QStringLiteral("<p>Help: ask your Horodex administrator.</p>");
    } else {
        // Shown inside the program, never by another: see showDocumentation.
        text += QStringLiteral("<p>Help: ask your Horodex administrator, or read the "
                               "<a href=\"%1\">documentation</a>.</p>")
                    .arg(QUrl::fromLocalFile(documentation)
                             .toString(QUrl::FullyEncoded)
                             .toHtmlEscaped());
    }
    lblAbout = new QLabel(this);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setTextFormat(Qt::RichText);
    lblAbout->setOpenExternalLinks(false);
    lblAbout->setText(text);
    connect(lblAbout, &QLabel::linkActivated, this,
            [this](const QString& link) { showDocumentation(QUrl(link)); });

    // Where the files live, so that an administrator knows what to back up.
    lblDataFolder = plainLabel(QStringLiteral("Data folder: %1")
                                   .arg(QDir::toNativeSeparators(Environment::dataDirectory())),
                               "lblDataFolder", this);
    lblDataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("cmdOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(imgLogo, 0, Qt::AlignTop);
    row->addWidget(lblAbout, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(lblDataFolder);
    if (!stationText.isEmpty()) {
        lblStation = plainLabel(stationText, "lblStation", this);
        layout->addWidget(lblStation);
    }
    if (!recordHeadText.isEmpty()) {
        lblRecordHead = plainLabel(recordHeadText, "lblRecordHead", this);
        lblRecordHead->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(lblRecordHead);
    }
    layout->addWidget(buttons);
    UseFixedDialogFrame(this);
}

void AboutBox::showDocumentation(const QUrl& link)
{
    // On a kiosk another program would run as the account that owns the data folder: the guide
    // is shown here, whatever the desktop.
    if (!link.isLocalFile())
        return;
    DocumentationViewer viewer(link.toLocalFile(), this);
    viewer.exec();
}

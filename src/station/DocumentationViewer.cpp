#include "station/DocumentationViewer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

DocumentationViewer::DocumentationViewer(const QString& path, QWidget* parent)
    : QDialog(parent), m_folder(QFileInfo(path).absolutePath())
{
    setObjectName(QStringLiteral("frmGuide"));
    setWindowTitle(QStringLiteral("Horodex Guide"));

    txtGuide = new QTextBrowser(this);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    // Every link goes through followLink, so that none can leave the guide's folder.
    txtGuide->setOpenLinks(false);
    txtGuide->setOpenExternalLinks(false);
    txtGuide->setSearchPaths({m_folder});

    auto* notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("lblLink"));
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notice->hide();
    connect(txtGuide, &QTextBrowser::anchorClicked, this, [this, notice](const QUrl& link) {
        const bool followed = followLink(link);
        notice->setVisible(!followed);
        notice->setText(
            followed
                ? QString()
                : QStringLiteral("Not opened here: %1").arg(link.toString(QUrl::RemovePassword)));
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtGuide, 1);
    layout->addWidget(notice);
    layout->addWidget(buttons);
    resize(720, 560);
    followLink(QUrl::fromLocalFile(path));
}

bool DocumentationViewer::followLink(const QUrl& link)
{
    if (link.scheme().isEmpty() && link.path().isEmpty() && link.hasFragment()) {
        txtGuide->scrollToAnchor(link.fragment());
        return true;
    }
    if (!link.scheme().isEmpty() && !link.isLocalFile())
        return false;
    const QString path = link.isLocalFile() ? link.toLocalFile() : link.path();
    const QFileInfo file(QDir(m_folder).absoluteFilePath(path));
    // Only Markdown files of the guide's own folder: no path climbs out of it.
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty() ||
        QFileInfo(canonical).absolutePath() != QDir(m_folder).canonicalPath() ||
        file.suffix() != QLatin1String("md"))
        return false;
    QUrl target = QUrl::fromLocalFile(canonical);
    target.setFragment(link.fragment());
    txtGuide->setSource(target, QTextDocument::MarkdownResource);
    return true;
}

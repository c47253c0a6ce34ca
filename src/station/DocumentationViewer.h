#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

// The user guide shown inside the program, read-only. Links between the guide's own files are
// followed in place; any other link is only named, never handed to another program: on a kiosk
// that program would run as the account that owns the data folder.
class DocumentationViewer : public QDialog
{
    Q_OBJECT
public:
    explicit DocumentationViewer(const QString& path, QWidget* parent = nullptr);

    QTextBrowser* txtGuide;

    // Follows a link of the guide: a file of the guide's folder opens in place, an anchor
    // scrolls; false (and the link named below the text) for anything else.
    bool followLink(const QUrl& link);

private:
    QString m_folder;
};
